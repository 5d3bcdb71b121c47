#!/bin/sh
# sim_driver_router_test.sh DRIVER: a switch put into a straight finished rail track. The router is
# three legs (parts 1 to 3) and a centre (part 4) listing the legs' six inner nodes; the piece it
# replaced is gone and the cut ends are joined again, so the lane from the track's start reaches
# its far end and the branch, and the lane back reaches the start; every way is finished. Two runs
# print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" router 2>/dev/null)
expect "result 0"

status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    /^way[0-9]+\.type=/ { w = $1; sub(/\.type$/, "", w); ways[w] = 1 }
    /^node[0-9]+\.next=/ { n = substr($1, 5); sub(/\.next$/, "", n); if ($2 != "-") next_[n] = $2 }
    function reach(from, to,   queue, seen, head, tail, n, k, list, c) {
      head = 1; tail = 1; queue[1] = from; seen[from] = 1
      while (head <= tail) {
        n = queue[head++]
        if (n == to) return 1
        c = split(next_[n], list, ",")
        for (k = 1; k <= c; k++) if (!(list[k] in seen)) { seen[list[k]] = 1; queue[++tail] = list[k] }
      }
      return 0
    }
    END {
      bad = 0
      for (w in ways) {
        if (v[w ".state"] != 2) { print w " is not finished"; bad = 1 }
        if (v[w ".type"] != 3) continue
        parts[v[w ".part"]] = w
      }
      for (p = 1; p <= 4; p++) if (!(p in parts)) { print "no router way of part " p; bad = 1 }
      if (split(v[parts[4] ".nodes"], centre, ",") != 6) { print "the centre does not list six nodes"; bad = 1 }
      # The track: the first way from 500 and the last to 2000 (their lanes start at their nodes 1
      # and 3); the branch leg: part 3.
      split(v["way1.nodes"], first, ","); split(v["way3.nodes"], last, ","); split(v[parts[3] ".nodes"], branch, ",")
      if (!reach(first[1], last[4])) { print "the lane does not reach the far end"; bad = 1 }
      if (!reach(first[1], branch[2])) { print "the lane does not reach the branch"; bad = 1 }
      if (!reach(last[3], first[2])) { print "the lane back does not reach the start"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "router ways or lanes"

again router
refused router 1

[ "$fails" -eq 0 ]
