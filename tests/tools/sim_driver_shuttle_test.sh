#!/bin/sh
# sim_driver_shuttle_test.sh DRIVER: the shuttle's train stops at both stations of its line, carries
# coal both ways and books revenue at each end; it turns at the dead ends behind the stations, at
# each end in turn (at least twice each), without a fatal stop; its owner pays for its vehicles'
# months and their distance; two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run shuttle 40000 2>/dev/null)

status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    # The ends take turns, the far one first.
    /^turn[0-9]+\.end=/ { n++; if ($2 != (n % 2 == 1 ? "far" : "near")) { print "turn " n " is at the " $2 " end"; bad = 1 } }
    END {
      if (v["turns.near"] < 2 || v["turns.far"] < 2) { print "fewer than two turns at an end"; bad = 1 }
      if (!(v["costs.monthly"] > 0 && v["costs.distance"] > 0)) { print "no running costs"; bad = 1 }
      if (v["train.state"] == "gone") { print "the train is gone"; bad = 1 }
      if (!(v["revenue.near"] > 0 && v["revenue.far"] > 0)) { print "no revenue at an end"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "turns, costs or revenue"
again run shuttle 40000

[ "$fails" -eq 0 ]
