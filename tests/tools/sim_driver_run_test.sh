#!/bin/sh
# sim_driver_run_test.sh DRIVER: a world that is not running keeps the hash of the fresh world
# through 500 ticks; a running calendar of ten years gives the same figures and hash in two runs.
set -eu
driver="$1"
fails=0

fresh=$("$driver" hash 2>/dev/null)
idle=$("$driver" run idle 500 2>/dev/null | sed -n 's/^hash=/hash=/p')
if [ "$fresh" != "$idle" ]; then
  echo "idle: '$idle' differs from the fresh world's '$fresh'"
  fails=$((fails + 1))
fi

first=$("$driver" run calendar 3650 2>/dev/null)
second=$("$driver" run calendar 3650 2>/dev/null)
if [ "$first" != "$second" ]; then
  printf 'calendar: two runs differ:\n%s\n--\n%s\n' "$first" "$second"
  fails=$((fails + 1))
fi
for line in "date=1.1.1951" "tick=3650"; do
  if ! printf '%s\n' "$first" | grep -qx "$line"; then
    echo "calendar: no line $line in:"
    printf '%s\n' "$first"
    fails=$((fails + 1))
  fi
done
# A positive balance earns interest: the balance grew by last year's interest.
if ! printf '%s\n' "$first" | awk -F= '
    $1 == "player1.balance" { b = $2 } $1 == "player1.last_year_interest" { i = $2 }
    END { d = b - 1000000 - i; exit !(i > 0 && d < 0.01 && d > -0.01) }'; then
  echo "calendar: the balance is not the start plus last year's interest:"
  printf '%s\n' "$first"
  fails=$((fails + 1))
fi

if "$driver" run nowhere 5 >/dev/null 2>&1; then
  echo "an unknown scenario was accepted"
  fails=$((fails + 1))
fi

[ "$fails" -eq 0 ]
