#!/bin/sh
# sim_driver_gw_transfer_test.sh DRIVER: a tool maker and a market 2,000 apart, joined by no line.
# The goods-way search finds the way by transfer, the planning and the goods creation make tools
# for it, and the goods movement hands them over to the market's station, where they are delivered;
# no more is delivered than was made. Two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run gw-transfer 60000 2>/dev/null)

status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    END {
      if (!(v["goods_ways"] >= 1)) { print "no goods way found"; bad = 1 }
      if (!(v["goods_delivered"] > 0)) { print "nothing delivered"; bad = 1 }
      if (v["goods_delivered"] > v["goods_created"]) { print "more delivered than made"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "goods ways or deliveries"
again run gw-transfer 60000

[ "$fails" -eq 0 ]
