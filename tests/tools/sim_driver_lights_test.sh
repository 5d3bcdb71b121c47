#!/bin/sh
# sim_driver_lights_test.sh DRIVER: the lights of an X-crossing run through phases 1, 3, 4, 2, 5, 6
# in steps of 520 ticks and start again at 3000; those of a T-crossing through 1, 2, 3 in steps of
# 1040. A shorter period shortens the steps; a period of 0 counts as 40. Bad arguments are refused.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" lights X 40 3001 2>/dev/null)
expect "changes 7" "change1.tick 0" "change1.phase 1" "change2.tick 520" "change2.phase 3" \
  "change3.tick 1040" "change3.phase 4" "change4.tick 1560" "change4.phase 2" "change5.tick 2080" \
  "change5.phase 5" "change6.tick 2600" "change6.phase 6" "change7.tick 3000" "change7.phase 1"
again lights X 40 3001

out=$("$driver" lights T 40 3000 2>/dev/null)
expect "changes 3" "change1.phase 1" "change2.tick 1040" "change2.phase 2" "change3.tick 2080" "change3.phase 3"

out=$("$driver" lights X 2 150 2>/dev/null)
expect "changes 6" "change2.tick 26" "change6.tick 130" "change6.phase 6"

out=$("$driver" lights T 0 1041 2>/dev/null)
expect "changes 2" "change2.tick 1040"

refused lights Y 40 100
refused lights X forty 100
refused lights X 40 -1
refused lights X 40

[ "$fails" -eq 0 ]
