#!/bin/sh
# sim_driver_pathcheck_test.sh DRIVER: on a grid network the path search finds the cost that
# Dijkstra's algorithm finds for every seeded pair, every pair is reachable, and the figures other
# than the times are the same in two runs; command lines it cannot run are refused.
set -eu
driver="$1"
fails=0

first=$("$driver" pathcheck --grid 31x20 --pairs 400 --seed 11)
second=$("$driver" pathcheck --seed 11 --pairs 400 --grid 31x20)
for line in "nodes=620" "pairs=400" "mismatches=0" "unreachable=0"; do
  if ! printf '%s\n' "$first" | grep -qx "$line"; then
    echo "no line $line in:"
    printf '%s\n' "$first"
    fails=$((fails + 1))
  fi
done
if ! printf '%s\n' "$first" | grep -q '^calcpath_ms=[0-9]*\.[0-9][0-9][0-9]$' ||
   ! printf '%s\n' "$first" | grep -q '^dijkstra_ms=[0-9]*\.[0-9][0-9][0-9]$'; then
  echo "the times are not milliseconds with three decimals:"
  printf '%s\n' "$first"
  fails=$((fails + 1))
fi
# The branch stack of a grid search grows beyond one frame.
if ! printf '%s\n' "$first" | awk -F= '$1 == "deepest_stack" { found = 1; ok = $2 > 1 } END { exit !(found && ok) }'; then
  echo "no deepest branch stack above 1:"
  printf '%s\n' "$first"
  fails=$((fails + 1))
fi
strip() { printf '%s\n' "$1" | grep -v '_ms='; }
if [ "$(strip "$first")" != "$(strip "$second")" ]; then
  printf 'two runs differ:\n%s\n--\n%s\n' "$first" "$second"
  fails=$((fails + 1))
fi

for bad in "--grid 1x5 --pairs 3 --seed 1" "--grid 5x5 --pairs 3" "--grid 5 --pairs 3 --seed 1" \
           "--grid 400x400 --pairs 3 --seed 1" "--grid 5x5 --pairs -1 --seed 1" "--grid 5x5 --pairs 3 --seed 1 --x 2"; do
  # shellcheck disable=SC2086
  if "$driver" pathcheck $bad >/dev/null 2>&1; then
    echo "accepted: pathcheck $bad"
    fails=$((fails + 1))
  fi
done

[ "$fails" -eq 0 ]
