#!/bin/sh
# sim_driver_collide_test.sh DRIVER: the collision test of a planned road piece through the
# driver's fixed scene of a house (1090..1110 x 990..1010, height 0 to 30) and a road across
# x = 1400 (z 800 to 1200), both 30 wide or narrower. The piece runs along z = 1000 from X to
# X + 100; its range reaches 50 above its deck and 20 below it, the road's 50 above and 20 below
# ground, so a piece clears the road from height 70 on and the house from 50 on.
set -eu
driver="$1"
fails=0

# collide NAME "X [Y]" LINE...: every LINE (key=value) is a line the driver prints.
collide() {
  name="$1"; args="$2"; shift 2
  out=$("$driver" collide $args 2>/dev/null) || { echo "$name: exit status $?"; fails=$((fails + 1)); return; }
  for line in "$@"; do
    printf '%s\n' "$out" | grep -qx -- "$line" && continue
    echo "$name: wanted $line, got '$(printf '%s\n' "$out" | grep -- "^${line%%=*}=" || true)'"
    fails=$((fails + 1))
  done
}

road=$("$driver" collide 0 2>/dev/null | sed -n 's/^way=//p')
[ -n "$road" ] && [ "$road" != 0 ] || { echo "the road has no index: '$road'"; exit 1; }

# Far away: neither object lies in the plan's square.
collide far "3000" result=0 flags=0 hitway=0 hit=none centre.x=3050.000 radius=550.000
# Both objects lie in the square, neither under the piece.
collide between "1200" result=0 flags=0 hitway=0 hit=none
# Over the house: refused, the piece marked, no way named.
collide house "1050" result=18 flags=32 hitway=0 hit=building
collide house-low "1050 49" result=18 flags=32 hit=building
collide over-house "1050 50" result=0 flags=0 hit=none
# Across the road: refused and the road becomes the plan's hit way, up to its clearance.
collide road "1350" result=18 flags=32 hitway="$road" hit=way
collide road-low "1350 69" result=18 flags=32 hitway="$road" hit=way
collide over-road "1350 70" result=0 flags=0 hitway=0 hit=none
# Below the road's body the piece passes too.
collide under-road "1350 -70" result=0 hit=none

# Command lines it does not understand end with status 2.
for args in "collide" "collide x" "collide 1 y" "collide 1 2 3" "collide nan"; do
  status=$("$driver" $args > /dev/null 2>&1 || echo $?)
  [ "$status" = 2 ] || { echo "'$args': status '${status:-0}'"; fails=$((fails + 1)); }
done

if [ "$fails" -ne 0 ]; then exit 1; fi
echo ok
