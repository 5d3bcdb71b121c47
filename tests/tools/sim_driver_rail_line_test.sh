#!/bin/sh
# sim_driver_rail_line_test.sh DRIVER: two towns joined by a rail line of station tracks with their
# platforms and station buildings, a depot at its start and a passenger train on a schedule between
# the two stations. In the goods-way economy the passenger routes between the towns' streets are
# built, people board at one station and are set down at the other, and their rides are booked.
# Two runs print the same, the longest tick (a time, different from run to run) left aside.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run rail-line 100000 2>/dev/null | grep -v '^longest_tick_ms=')

status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    END {
      if (!(v["passengers.carried"] > 0)) { print "nobody was carried"; bad = 1 }
      if (!(v["revenue"] > 0)) { print "no revenue booked"; bad = 1 }
      if (v["hash"] == "") { print "no hash"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "passengers or revenue"
if [ "$("$driver" run rail-line 100000 2>/dev/null | grep -v '^longest_tick_ms=')" != "$out" ]; then
  echo "two runs differ"
  fails=$((fails + 1))
fi
# The longest tick is printed, in milliseconds.
"$driver" run rail-line 10 2>/dev/null | grep -q '^longest_tick_ms=[0-9][0-9]*\.[0-9][0-9][0-9]$' || {
  echo "no longest tick"
  fails=$((fails + 1))
}

[ "$fails" -eq 0 ]
