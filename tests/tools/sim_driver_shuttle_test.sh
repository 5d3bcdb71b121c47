#!/bin/sh
# sim_driver_shuttle_test.sh DRIVER: the shuttle's train drives to the dead ends of its line and
# turns there, at each end in turn, without a fatal stop; its owner pays for its vehicles' months and
# their distance; two runs print the same.
set -eu
driver="$1"
fails=0

out=$("$driver" run shuttle 6000 2>/dev/null)
value() { printf '%s\n' "$out" | sed -n "s/^$1=//p"; }

if [ "$(value turns.near)" -lt 2 ] || [ "$(value turns.far)" -lt 2 ]; then
  printf 'fewer than two turns at an end:\n%s\n' "$out"
  fails=$((fails + 1))
fi
# The ends take turns, the far one first.
if ! printf '%s\n' "$out" | awk -F= '
    /^turn[0-9]+\.end=/ { n++; want = n % 2 == 1 ? "far" : "near"; if ($2 != want) bad = 1 }
    END { exit bad || n == 0 }'; then
  printf 'the turns do not alternate between the ends:\n%s\n' "$out"
  fails=$((fails + 1))
fi
if ! printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    END { exit !(v["costs.monthly"] > 0 && v["costs.distance"] > 0 &&
                 v["train.state"] != "gone") }'; then
  printf 'the costs or the train are wrong:\n%s\n' "$out"
  fails=$((fails + 1))
fi

if [ "$("$driver" run shuttle 6000 2>/dev/null)" != "$out" ]; then
  echo "two runs differ"
  fails=$((fails + 1))
fi

[ "$fails" -eq 0 ]
