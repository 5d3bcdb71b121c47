#!/bin/sh
# sim_driver_crossings_test.sh DRIVER: an X-crossing and a T-crossing built on flat land. Both are
# built and finished; the X centre lists 16 nodes and links them with 20 links (its entries and
# inner nodes), the T centre 9 nodes with 9 links; every arm names its centre; no node has more
# than two next or previous links. Two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" crossings 2>/dev/null)
expect "x.result 0" "x.swapped 0" "t.result 0" "t.swapped 0" "ways 9"

status=0
printf '%s\n' "$out" | awk -F= '
    function count(list,   n, a) { if (list == "-") return 0; return split(list, a, ",") }
    { v[$1] = $2 }
    /^way[0-9]+\.type=/ { w = $1; sub(/\.type$/, "", w); ways[w] = 1 }
    /^node[0-9]+\.next=/ { n = $1; sub(/\.next$/, "", n); nodes[n] = 1 }
    END {
      bad = 0
      for (w in ways) {
        if (v[w ".state"] != 2) { print w " is not finished"; bad = 1 }
        if (v[w ".part"] != 5) continue
        type = v[w ".type"]; centre[type] = substr(w, 4)
        n = split(v[w ".nodes"], list, ",")
        want = type == 1 ? 16 : 9; links = type == 1 ? 20 : 9; entries = type == 1 ? 4 : 3
        if (n != want) { print w " lists " n " nodes"; bad = 1 }
        sum = 0
        for (i = 1; i <= n; i++) if (i % 2 == 1 || i > 2 * entries) sum += count(v["node" list[i] ".next"])
        if (sum != links) { print w " has " sum " links"; bad = 1 }
      }
      if (!(1 in centre) || !(6 in centre)) { print "a centre is missing"; bad = 1 }
      for (w in ways) {
        p = v[w ".part"]
        if (p >= 1 && p <= 4 && v[w ".centre"] != centre[v[w ".type"]]) { print w " names no centre of its type"; bad = 1 }
      }
      for (n in nodes)
        if (count(v[n ".next"]) > 2 || count(v[n ".prev"]) > 2) { print n " has more than two links"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "crossings"

again crossings
refused crossings 1

# Each crossing alone: its centre and its arms (the X four, the T three), finished.
for kind in X T; do
  out=$("$driver" crossing $kind 2>/dev/null)
  arms=$([ $kind = X ] && echo 4 || echo 3)
  expect "ways $((arms + 1))"
  [ $kind = X ] && expect "x.result 0" || expect "t.result 0"
done
refused crossing
refused crossing Y

[ "$fails" -eq 0 ]
