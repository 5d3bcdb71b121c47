#!/bin/sh
# sim_driver_simple_econ_test.sh DRIVER: in the simple economy the stations take their goods from
# the industries and houses around them: the near end supplies coal and passengers, the far end
# (5,000 inhabitants around) accepts coal, supplies the works' tools and supplies and accepts
# passengers; the near end makes passenger batches and rates what it supplies; the industries list
# the stations that serve them; the industries produce and the train delivers goods (20,000 ticks
# are 40 production intervals and several round trips); two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run simple-econ 20000 2>/dev/null)

status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    # The flags of the entry of a goods type at an end: 1 accepted, 2 supplied.
    function flags(end, type,   k) {
      for (k = 1; k <= v[end ".goods"]; k++) if (v[end ".goods" k ".type"] == type) return v[end ".goods" k ".flags"] % 4
      return -1
    }
    function rating(end, type,   k) {
      for (k = 1; k <= v[end ".goods"]; k++) if (v[end ".goods" k ".type"] == type) return v[end ".goods" k ".rating"]
      return -1
    }
    END {
      if (flags("near", 1) != 2) { print "the near end does not supply coal"; bad = 1 }
      if (flags("near", 3) != 2) { print "the near end does not supply passengers only"; bad = 1 }
      if (flags("far", 1) != 1 || flags("far", 2) != 2) { print "the far end does not take coal and supply tools"; bad = 1 }
      if (flags("far", 3) != 3) { print "the far end does not supply and accept passengers"; bad = 1 }
      if (!(v["near.production"] > 0)) { print "no passengers around the near end"; bad = 1 }
      if (!(v["passenger_batches"] > 0)) { print "no passenger batches made"; bad = 1 }
      r = rating("near", 1)
      if (!(r >= 0.01 && r <= 1.2)) { print "the coal rating is out of range"; bad = 1 }
      if (v["mine.stations"] != 1 || v["works.stations"] != 1) { print "the industries do not list their stations"; bad = 1 }
      if (!(v["goods_created"] > 0)) { print "the industries created no goods"; bad = 1 }
      if (!(v["goods_delivered"] > 0)) { print "no goods were delivered"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "station goods, ratings, batches, production or deliveries"
again run simple-econ 20000

[ "$fails" -eq 0 ]
