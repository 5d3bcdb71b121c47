#!/bin/sh
# sim_driver_track_test.sh DRIVER: the vehicle editor's test track through the driver. The rail
# curve is 4 pieces (nodes 1 to 10), the road curve with the editor's bend limit 3 pieces (nodes
# 11 to 18). Each curve has one lane from A to B over the nodes 1, 4, 4', ... and one back over
# 3, 2; the lane ends at the two dead ends belong to no way and are never marked finished. All
# seven ways are finished, and player 1 has paid 15 per unit of rail and 10 per unit of road.
set -eu
driver="$1"
out=$("$driver" testtrack 2>/dev/null) || { echo "testtrack: exit status $?"; exit 1; }
fails=0

# expect KEY VALUE: the line KEY=... holds VALUE (numbers within 0.01, anything else exactly).
expect() {
  got=$(printf '%s\n' "$out" | sed -n "s/^$1=//p")
  if [ "$got" = "$2" ]; then return; fi
  if awk -v g="$got" -v w="$2" 'BEGIN { d = g - w; exit !(g ~ /^-?[0-9.]+$/ && d < 0.01 && d > -0.01) }'; then return; fi
  echo "$1 is '$got', expected $2"
  fails=$((fails + 1))
}

# lane NODE...: each node's next link is the node after it, and the last one has none.
lane() {
  while [ $# -gt 1 ]; do expect "node$1.next" "$2"; expect "node$2.prev" "$1"; shift; done
  expect "node$1.next" -
}

expect rail.result 0
expect rail.pieces 4
expect road.result 0
expect road.pieces 3
expect nodes 18
expect ways 7
lane 1 4 6 8 10
lane 9 7 5 3 2
lane 11 14 16 18
lane 17 15 13 12
expect node1.prev -
expect node11.prev -
for n in 2 10 12 18; do expect "node$n.way" 0; expect "node$n.flags" 0; done
for n in 1 3 4 5 6 7 8 9 11 13 14 15 16 17; do expect "node$n.flags" 64; done
expect node4.way 2
expect node17.way 7
# Rail nodes share their connect's point; road lanes lie 20 to either side of it.
expect node1.x 330.000
expect node2.x 330.000
expect node1.z 680.000
expect node3.z 590.675
for w in 1 2 3 4; do expect "way$w.state" 2; expect "way$w.type" 2; expect "way$w.length" 102.125; done
for w in 5 6 7; do expect "way$w.state" 2; expect "way$w.type" 0; done
awk -v out="$out" 'BEGIN {
  n = split(out, lines, "\n")
  for (i = 1; i <= n; i++) { split(lines[i], kv, "="); v[kv[1]] = kv[2] }
  dx = v["node11.x"] - v["node12.x"]; dz = v["node11.z"] - v["node12.z"]
  d = sqrt(dx * dx + dz * dz)
  if (d < 39.99 || d > 40.01) { print "road lanes at node 11 and 12 are " d " apart, expected 40"; exit 1 }
  cost = 4 * 102.125 * 15 + 3 * v["way5.length"] * 10
  if (v["balance"] + cost > 0.05 || v["balance"] + cost < -0.05) { print "balance " v["balance"] ", expected " -cost; exit 1 }
}' || fails=$((fails + 1))

[ "$fails" -eq 0 ] || { echo "$fails failed"; exit 1; }
echo "test track ok"
