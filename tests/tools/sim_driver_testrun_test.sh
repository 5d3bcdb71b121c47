#!/bin/sh
# sim_driver_testrun_test.sh DRIVER: the test run places a train from node 6 toward node 8 and a
# car from node 13 toward node 12, each with its back the axle length behind its front, standing
# at its front; an axle length longer than the track cannot be placed.
set -eu
driver="$1"
fails=0

value() { printf '%s\n' "$1" | sed -n "s/^$2=//p"; }

check() {
  kind="$1"; axle="$2"; node="$3"
  out=$("$driver" testrun "$kind" "$axle" 2>/dev/null)
  if [ "$(value "$out" placed)" != 1 ] || [ "$(value "$out" front.node)" != "$node" ] ||
     [ "$(value "$out" front.dist)" != 1.000 ]; then
    printf '%s %s: not placed from node %s:\n%s\n' "$kind" "$axle" "$node" "$out"
    fails=$((fails + 1))
    return
  fi
  if ! printf '%s\n' "$out" | awk -F= -v want="$axle" '
      { v[$1] = $2 }
      END {
        dx = v["front.x"] - v["rear.x"]; dy = v["front.y"] - v["rear.y"]; dz = v["front.z"] - v["rear.z"]
        d = sqrt(dx * dx + dy * dy + dz * dz) - want
        exit !(d < 0.01 && d > -0.01 && v["pose.x"] == v["front.x"] && v["pose.z"] == v["front.z"])
      }'; then
    printf '%s %s: the back is not the axle length behind the front:\n%s\n' "$kind" "$axle" "$out"
    fails=$((fails + 1))
  fi
}

check train 30 6
check train 120 6
check car 20 13

out=$("$driver" testrun train 100000 2>/dev/null)
if [ "$(value "$out" placed)" != 0 ]; then
  printf 'an axle length beyond the track was placed:\n%s\n' "$out"
  fails=$((fails + 1))
fi
for bad in "testrun" "testrun plane 10" "testrun train -1" "testrun car x"; do
  if "$driver" $bad >/dev/null 2>&1; then
    echo "'$bad' was accepted"
    fails=$((fails + 1))
  fi
done

[ "$fails" -eq 0 ]
