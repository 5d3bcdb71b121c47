#!/bin/sh
# sim_driver_replay_test.sh DRIVER: a generated replay of 400 command messages (curves, routers,
# crossings, station tracks, signals, removals) runs through the command queue of the calendar
# game with no fatal stop: every message ran, ways and signals stand, and two runs print the same
# hash. The generator draws the same file from the same seed. Lines the replay cannot read are
# refused with status 2 and a message naming the file and the line.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$driver" replay-gen 11 400 >"$dir/replay.txt"
if [ "$(grep -vc '^#' "$dir/replay.txt")" -ne 400 ]; then
  echo "the generator did not print 400 messages"
  fails=$((fails + 1))
fi
if [ "$("$driver" replay-gen 11 400)" != "$(cat "$dir/replay.txt")" ]; then
  echo "the generator drew another file from the same seed"
  fails=$((fails + 1))
fi

out=$("$driver" replay "$dir/replay.txt" 2>"$dir/stderr") || {
  echo "the replay failed:"
  cat "$dir/stderr"
  fails=$((fails + 1))
}
expect "commands 400" "pending 0"
if grep -q "FATAL" "$dir/stderr"; then
  echo "the replay ran into a fatal stop:"
  cat "$dir/stderr"
  fails=$((fails + 1))
fi
status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    END {
      bad = 0
      if (v["ways"] < 50) { print "hardly any ways stand"; bad = 1 }
      if (v["signals"] < 2) { print "no signal stands"; bad = 1 }
      if (v["hash"] !~ /^[0-9a-f]+$/ || length(v["hash"]) != 16) { print "no hash"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "counts after the replay"
again replay "$dir/replay.txt"

# Each malformed line is refused with the file's name and its line number.
check_refused() {
  printf '1 5 20 0100000000\n%s\n' "$1" >"$dir/bad.txt"
  status=0
  "$driver" replay "$dir/bad.txt" >"$dir/out" 2>"$dir/err" || status=$?
  if [ "$status" -ne 2 ] || ! grep -q "bad.txt:2: $2" "$dir/err" || [ -s "$dir/out" ]; then
    printf "'%s' was not refused with status 2 and '%s' (status %s):\n" "$1" "$2" "$status"
    cat "$dir/err"
    fails=$((fails + 1))
  fi
}
check_refused "1 5 20" "expected PLAYER DUETICK COMMAND PAYLOAD, found 3 fields"
check_refused "1 5 20 01 02" "expected PLAYER DUETICK COMMAND PAYLOAD, found 5 fields"
check_refused "0 5 20 01" "the player \"0\" is not a whole number 1..10"
check_refused "11 5 20 01" "the player \"11\" is not a whole number 1..10"
check_refused "-1 5 20 01" "the player \"-1\" is not a whole number 1..10"
check_refused "1 0 20 01" "the due tick \"0\" is not a whole number"
check_refused "1 100000001 20 01" "the due tick \"100000001\" is not a whole number"
check_refused "1 5x 20 01" "the due tick \"5x\" is not a whole number"
check_refused "1 5 65536 01" "the command \"65536\" is not a whole number 0..65535"
check_refused "1 5 20 012" "the payload is not 1 to 1000 bytes"
check_refused "1 5 20 0g" "the payload is not 1 to 1000 bytes"
check_refused "1 5 20 $(printf '%02002d' 0)" "the payload is not 1 to 1000 bytes"

# More messages in one tick than the queue holds.
: >"$dir/full.txt"
for i in $(seq 1 51); do echo "1 3 20 0$((i % 10))" >>"$dir/full.txt"; done
status=0
"$driver" replay "$dir/full.txt" >/dev/null 2>"$dir/err" || status=$?
if [ "$status" -ne 2 ] || ! grep -q "full.txt:51: more than 50 messages are due at tick 3" "$dir/err"; then
  echo "51 messages due in one tick were not refused (status $status):"
  cat "$dir/err"
  fails=$((fails + 1))
fi

# Comments, blank lines and a CRLF line are read; a file that cannot be read is refused.
printf '# a comment\n\n  1 2 20 01\r\n' >"$dir/ok.txt"
out=$("$driver" replay "$dir/ok.txt" 2>/dev/null) || { echo "a file with comments was refused"; fails=$((fails + 1)); }
expect "commands 1" "pending 0" "tick 2"
refused replay "$dir/missing.txt"
refused replay
refused replay-gen 1
refused replay-gen x 10

[ "$fails" -eq 0 ]
