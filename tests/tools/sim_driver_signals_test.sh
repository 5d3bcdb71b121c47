#!/bin/sh
# sim_driver_signals_test.sh DRIVER: two signal pairs on a loop of six ways. The first pair alone
# leaves one block (the loop joins its sides), the second cuts the loop in two; every way lies in
# one block, both trains in the block of the first way, whose entries are red while the other
# block's are green; each signal stands 21 units along and 21 beside its node, the two of a pair
# face opposite ways and name each other as partners. Two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" signals 2>/dev/null)
expect "pair1.result 0" "pair1.blocks 1" "pair2.result 0" "pair2.blocks 2" "blocks 2" "signals 4" "ways 6"

status=0
printf '%s\n' "$out" | awk -F= '
    function abs(x) { return x < 0 ? -x : x }
    { v[$1] = $2 }
    /^block[0-9]+\.ways=/ {
      b = $1; sub(/\.ways$/, "", b); blocks[b] = 1
      n = split($2, w, ","); for (i = 1; i <= n; i++) { seen[w[i]]++; blockOf[w[i]] = b }
    }
    /^signal[0-9]+\.node=/ { s = $1; sub(/\.node$/, "", s); signals[s] = 1 }
    END {
      bad = 0
      for (k = 1; k <= 6; k++) if (seen[k] != 1) { print "way " k " lies in " seen[k] + 0 " blocks"; bad = 1 }
      busy = blockOf[1]
      if (v[busy ".trains"] != "1,2") { print "the trains are not both in the block of way 1"; bad = 1 }
      for (b in blocks) if (b != busy && v[b ".trains"] != "-") { print b " holds trains"; bad = 1 }
      for (s in signals) {
        p = "signal" v[s ".partner"]
        if (!(p in signals) || v[p ".partner"] != substr(s, 7)) { print s " and its partner do not pair"; bad = 1; continue }
        b = "block" v[s ".block"]
        if (!(b in blocks)) { print s " leads into no block"; bad = 1 }
        want = b == busy ? 0 : 1
        if (v[s ".lamp"] != want) { print s " shows lamp " v[s ".lamp"]; bad = 1 }
        # The nearest connect lies on the grid of 1000: 21 along and 21 beside it.
        dx = v[s ".x"] - 1000 * int(v[s ".x"] / 1000 + 0.5); dz = v[s ".z"] - 1000 * int(v[s ".z"] / 1000 + 0.5)
        if (abs(abs(dx) - 21) > 0.001 || abs(abs(dz) - 21) > 0.001) { print s " stands off its place"; bad = 1 }
        turn = v[s ".heading"] - v[p ".heading"]; while (turn < 0) turn += 360
        if (abs(turn - 180) > 0.001) { print s " does not face away from its partner"; bad = 1 }
      }
      exit bad
    }' || status=$?
judged "$status" "blocks or signals"

again signals
refused signals 3

[ "$fails" -eq 0 ]
