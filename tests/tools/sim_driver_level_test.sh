#!/bin/sh
# sim_driver_level_test.sh DRIVER: the ground under a way across a raised block, levelled through
# the driver. A way that cuts through the block (block at world height 100, way at 20) lowers
# vertices of the block and those right beside it, each only downward, until no point of its grid
# lies below the terrain; a way above the block (at 150) changes no height and needs no pass.
set -eu
driver="$1"
fails=0

fail() {
  echo "$1"
  fails=$((fails + 1))
}

# value OUTPUT KEY: the value printed for KEY.
value() { printf '%s\n' "$1" | sed -n "s/^$2=//p"; }

# Through the block: every change lies on columns 9..15 and rows 7..13 (the block and its ring)
# and goes down, at least one lies on the block itself, and the grid ends above the terrain.
out=$("$driver" level 50 20) || fail "through: exit status $?"
[ "$(value "$out" grid.rows)" = 5 ] || fail "through: grid.rows is $(value "$out" grid.rows)"
[ "$(value "$out" grid.cols)" = 50 ] || fail "through: grid.cols is $(value "$out" grid.cols)"
if ! printf '%s\n' "$out" | awk '
    { split($0, kv, "="); got[kv[1]] = kv[2] }
    END {
      bad = 0; n = got["changes"] + 0; onBlock = 0
      if (n < 1) { print "through: no height changed"; bad = 1 }
      if (got["passes"] + 0 < n) { print "through: " got["passes"] " passes for " n " changes"; bad = 1 }
      for (i = 1; i <= n; i++) {
        k = "change" i; c = got[k ".column"] + 0; r = got[k ".row"] + 0
        if (c < 9 || c > 15 || r < 7 || r > 13) { print "through: " k " at (" c ", " r ") is off the block"; bad = 1 }
        if (c >= 10 && c <= 14 && r >= 8 && r <= 12) onBlock = 1
        if (got[k ".new"] + 0 >= got[k ".old"] + 0) { print "through: " k " did not go down"; bad = 1 }
      }
      if (n > 0 && !onBlock) { print "through: no change on the block"; bad = 1 }
      if (got["min_diff"] == "" || got["min_diff"] + 0 < 0) { print "through: min_diff is " got["min_diff"]; bad = 1 }
      exit bad
    }'; then
  fails=$((fails + 1))
fi

# Above the block: nothing to do.
out=$("$driver" level 50 150) || fail "above: exit status $?"
[ "$(value "$out" changes)" = 0 ] || fail "above: changes is $(value "$out" changes)"
[ "$(value "$out" passes)" = 0 ] || fail "above: passes is $(value "$out" passes)"
[ "$(value "$out" min_diff)" = 50.000 ] || fail "above: min_diff is $(value "$out" min_diff)"

# Two runs print the same.
[ "$("$driver" level 50 20)" = "$("$driver" level 50 20)" ] || fail "two runs differ"

# Command lines it does not understand.
for args in "level 50" "level 50 20 1" "level 12.5 20" "level 4001 20" "level -1 20" "level 50 x"; do
  status=0
  "$driver" $args > /dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || fail "'$args': status $status"
done

[ "$fails" -eq 0 ] || exit 1
echo ok
