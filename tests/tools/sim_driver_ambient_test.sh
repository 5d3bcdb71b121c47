#!/bin/sh
# sim_driver_ambient_test.sh DRIVER: the town's world with every step running and no animal or car
# types loaded: 5,000 ticks pass without a fatal stop, no flyer and no town car appear, and two
# runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run ambient 5000 2>/dev/null)
expect "flyers 0" "animals 0" "cars 0" "tick 5000"
again run ambient 5000

[ "$fails" -eq 0 ]
