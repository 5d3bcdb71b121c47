#!/bin/sh
# sim_driver_test.sh DRIVER: solves the vehicle editor's two test curves through the driver and
# checks the piece counts and the connects against the arc worked out by hand: the rail curve
# turns 77.3 degrees about (567.5, 490) with radius 304.1, the road curve 76.5 degrees about
# (639.464, 243.214) with radius 240.1; the connects lie on those circles at equal steps.
set -eu
driver="$1"
fails=0

# expect OUTPUT KEY VALUE: the line KEY=... holds VALUE, numbers within 0.01.
expect() {
  got=$(printf '%s\n' "$1" | sed -n "s/^$2=//p")
  if ! awk -v g="$got" -v w="$3" 'BEGIN { d = g - w; if (g == "" || (g != w && (d > 0.01 || d < -0.01))) exit 1 }'; then
    echo "$4: $2 is '$got', expected $3"
    fails=$((fails + 1))
  fi
}

# curve NAME EXPECTED... (each "key value") after the driver's arguments in $args
check() {
  name="$1"; shift
  out=$("$driver" curve $args)
  while [ $# -gt 1 ]; do expect "$out" "$1" "$2" "$name"; shift 2; done
}

# Rail: 4 pieces of about 102.1.
args="rail 330 680 0.8 1.0 330 300 -"
check rail result 0 connects 5 pieces 4 \
  slot1.x 330.000 slot1.z 680.000 slot2.x 280.497 slot2.z 590.675 slot3.x 263.352 slot3.z 490.000 \
  slot4.x 280.497 slot4.z 389.325 slot5.x 330.000 slot5.z 300.000 \
  piece1.length 102.125 piece4.length 102.125 gradient 0.000

# Road with the vehicle editor's 40 degrees: two pieces of 157.4 bend too far for their length,
# so three pieces of about 106.0.
args="road 600 480 6 1 400 260 - --road-angle 40"
check road40 result 0 connects 4 pieces 3 \
  slot1.x 600.000 slot1.z 480.000 slot2.x 501.874 slot2.z 439.921 slot3.x 430.573 slot3.z 361.491 \
  slot4.x 400.000 slot4.z 260.000 piece2.length 105.996

# Road with the way unit's own 12 degrees: four pieces of about 79.8.
args="road 600 480 6 1 400 260 -"
check road12 result 0 connects 5 pieces 4 \
  slot2.x 524.574 slot2.z 453.987 slot3.x 461.840 slot3.z 404.691 slot4.x 418.728 slot4.z 337.556 \
  slot5.x 400.000 slot5.z 260.000 piece3.length 79.785

# A target straight ahead has no arc: the stepping solver lays one straight piece.
args="rail 1000 1000 -1 0 1300 1000 -"
check straight result 0 connects 2 pieces 1 slot2.x 1300.000 slot1.heading 0.000

# The bank's month for player 1: automatic credit, credit refused, repayment, and level 1, where
# no interest is booked and credit still moves money.
bank() {
  name="$1"; shift
  out=$("$driver" bank $1 $2 $3 $4)
  shift 4
  while [ $# -gt 1 ]; do expect "$out" "$1" "$2" "$name"; shift 2; done
}
bank credit -10000 0 1000000 2 balance 50000.000 credit 60100.000 overdraft_interest -100.000 message 0
bank refused -10000 990000 1000000 2 balance -15099.500 credit 990000.000 interest -5099.500 message 2
bank repaid 700000 300000 1000000 2 balance 399198.500 credit 0.000 interest_income 698.500 message 1
bank level1 -10000 0 1000000 1 balance 50000.000 credit 60000.000 interest 0.000 message 0
bank quiet 1000 0 1000000 2 balance 1001.000 message -1
status=0
"$driver" bank 1 2 3 > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "short bank line: status $status"; fails=$((fails + 1)); }

# One delivery of 100 units over 1000 at transport factor 0.5: 50,000 times the level's factor,
# times the boom or slack factor of the level; beyond 1500 the distance grows by the power 1.2.
revenue() {
  name="$1"; shift
  out=$("$driver" revenue $1 $2 $3 $4 $5)
  shift 5
  while [ $# -gt 1 ]; do expect "$out" "$1" "$2" "$name"; shift 2; done
}
revenue level4 100 1000 0.5 4 "" revenue 50000.000 transport_time 502.000
revenue boom4 100 1000 0.5 4 boom revenue 62500.000
revenue slack3 100 1000 0.5 3 slack revenue 32499.998
revenue level2 100 1000 0.5 2 "" revenue 100000.000
revenue level1 100 1000 0.5 1 "" revenue 0.000
revenue far 1 2500 0.5 4 "" transport_time 2742.536
for bad in "1 1000 0.5 5" "1 1000 0.5 2 bust" "-1 1000 0.5 2" "1 1000 0.5"; do
  status=0
  "$driver" revenue $bad > /dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || { echo "revenue $bad: status $status"; fails=$((fails + 1)); }
done

# A command line it does not understand.
status=0
"$driver" curve tram 0 0 - 1 1 - > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "unknown kind: status $status"; fails=$((fails + 1)); }

[ "$fails" -eq 0 ] || exit 1
echo ok
