#!/bin/sh
# sim_driver_world_test.sh DRIVER: the terrain and the weather through the driver.
# Terrain: on the generated map the land is the plane 0.1 X + 0.02 Z - 40 (world units) from
# vertex column 4 on, open water before it; low land beside the water is shore, map height 600
# and more is sloped land, above 1000 high land. Weather: from the fixed seed the first change
# comes at tick 30,000, rain of kind 2 builds to full in 500 updates (1,000 ticks) and lasts
# 1,500 ticks, then clears in as many updates; every run of the same command prints the same.
set -eu
driver="$1"
fails=0

# check NAME "ARGS" KEY=VALUE...: runs the driver with ARGS; each KEY must print VALUE (numbers
# within 0.001, anything else exactly).
check() {
  name="$1"; args="$2"; shift 2
  out=$("$driver" $args 2>/dev/null) || { echo "$name: exit status $?"; fails=$((fails + 1)); return; }
  if ! printf '%s\n' "$out" | awk -v name="$name" -v wanted="$*" '
      { split($0, kv, "="); got[kv[1]] = substr($0, length(kv[1]) + 2) }
      END {
        n = split(wanted, items, " "); bad = 0
        for (i = 1; i <= n; i++) {
          split(items[i], kv, "="); key = kv[1]; want = kv[2]
          if (!(key in got)) { print name ": no " key; bad = 1; continue }
          g = got[key]
          if (g == want) continue
          if (g ~ /^-?[0-9.]+$/ && want ~ /^-?[0-9.]+$/ && (g - want) < 0.001 && (want - g) < 0.001) continue
          print name ": " key " is " g ", expected " want; bad = 1
        }
        exit bad
      }'; then
    fails=$((fails + 1))
  fi
}

# A vertex reads twice its map value; between vertices the plane holds.
check vertex "height 1000 500" height=70.000 vertex.x=10 vertex.z=5 kind=5 shading=-5 border=0
check between "height 1050 525" height=75.500 vertex.x=10 vertex.z=5
check near-shore "height 450 510" height=15.200 vertex.x=4 kind=8 border=1
check water "height 300 500" height=0.000 vertex.x=3 kind=4
check below-600 "height 12200 500" height=1190.000 kind=5
check sloped "height 12300 500" height=1200.000 kind=9 border=1
check high "height 20400 500" height=2010.000 kind=7
check plateau "height 80000 500" height=3000.000 kind=7 shading=0 border=0
# The map's edges: -50 still rounds to vertex 0, below it and past 102,350 is off the map.
check west-edge "height -50 0" height=0.000 vertex.x=0 vertex.z=0
check off-west "height -50.01 0" height=0.000 vertex=none
check east-edge "height 102349 500" height=3000.000 vertex.x=1023
check off-east "height 102350 500" height=0.000 vertex=none

# The weather over one rain.
check weather "weather 40000" \
  start.next=30000 start.light=0.666 start.fog=0.000 start.sky=80 start.raining=0 \
  change1.tick=30000 change1.state=2 change1.reached=0 change1.next=31500 change1.intensity=0.002 \
  change2.tick=31000 change2.reached=2 change2.intensity=1.000 change2.light=0.536 change2.fog=4.000 \
  change2.sky=30 change2.raining=1 \
  change3.tick=31500 change3.state=0 change3.next=61500 change3.raining=1 \
  change4.tick=32500 change4.reached=0 change4.intensity=0.000 change4.light=0.666 change4.sky=80 \
  change4.raining=0 changes=4 end.state=0
# Before the first change nothing happens.
check calm "weather 30000" changes=0 end.sky=80 end.intensity=0.000

# The same command prints the same, and rain alternates with clear weather throughout.
a=$("$driver" weather 200000 2>/dev/null)
b=$("$driver" weather 200000 2>/dev/null)
[ "$a" = "$b" ] || { echo "weather: two runs differ"; fails=$((fails + 1)); }
printf '%s\n' "$a" | awk -F= '
  /^change[0-9]+\.state=/ { if (n > 0 && (($2 == 0) == (last == 0)) && $2 != last) bad = 1; last = $2; n++ }
  END { exit bad }' || { echo "weather: a rain followed a rain"; fails=$((fails + 1)); }

# Command lines it does not understand.
for args in "height 1 x" "height 1" "weather" "weather -3" "weather 5x"; do
  status=0
  "$driver" $args > /dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || { echo "'$args': status $status"; fails=$((fails + 1)); }
done

[ "$fails" -eq 0 ] || exit 1
echo ok
