#!/bin/sh
# rle_driver_test.sh DRIVER FILE: packs and unpacks blocks through pipes and checks the outcomes.
set -eu
driver="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cp "$2" "$tmp/text"
head -c 100000 /dev/zero > "$tmp/zeros"
i=0
: > "$tmp/values"
while [ $i -lt 255 ]; do printf "\\$(printf %03o $i)" >> "$tmp/values"; i=$((i + 1)); done
cat "$tmp/values" "$tmp/text" "$tmp/values" > "$tmp/mixed"

for f in text zeros values mixed; do
  "$driver" pack < "$tmp/$f" > "$tmp/$f.rle" 2>/dev/null
  n=$(wc -c < "$tmp/$f")
  "$driver" unpack "$n" < "$tmp/$f.rle" > "$tmp/$f.out" 2>/dev/null
  cmp "$tmp/$f" "$tmp/$f.out"
  # One byte short of the bound: overflow (status 1) with what fitted.
  status=0
  "$driver" unpack $((n - 1)) < "$tmp/$f.rle" > "$tmp/$f.cut" 2>/dev/null || status=$?
  [ "$status" -eq 1 ] || { echo "$f: bound below the size gave status $status"; exit 1; }
  cmp -n "$(wc -c < "$tmp/$f.cut")" "$tmp/$f" "$tmp/$f.cut"
done

# A block of all 256 byte values is refused; a cut stream is corrupt.
printf '\377' >> "$tmp/values"
status=0
"$driver" pack < "$tmp/values" > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "all 256 values: status $status"; exit 1; }
head -c 100 "$tmp/text.rle" > "$tmp/short.rle"
status=0
"$driver" unpack 100000 < "$tmp/short.rle" > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "cut stream: status $status"; exit 1; }
echo ok
