#!/bin/sh
# script_driver_test.sh DRIVER: runs assembler texts and a source under both profiles and checks
# what the driver prints.
set -eu
driver="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

expect() {  # expect FILE LINE: the output holds the line
  grep -qxF -- "$2" "$1" || { echo "missing in $1: $2"; cat "$1"; exit 1; }
}

# Number words with a comma, an underscore and a degree sign; floattostr and tan.
printf '@FLOATTOSTR\r\n@TAN\r\n@SHOWMESS\r\nSET A FLOAT\r\nMOV A 90.0\260\r\nPUSHV A\r\nCALLEXT SHOWMESS\r\nPUSHVA 60\r\nCALLEXT TAN\r\nCALLEXT FLOATTOSTR\r\nCALLEXT SHOWMESS\r\nSET B FLOAT\r\nMOV B _2.5\r\nPUSHV B\r\nCALLEXT SHOWMESS\r\nCALC 1,5+2\r\n' > "$tmp/numbers.txt"
"$driver" --profile building run "$tmp/numbers.txt" > "$tmp/building.out"
expect "$tmp/building.out" "showmess: 1.571"
expect "$tmp/building.out" "showmess: 1.732"
expect "$tmp/building.out" "showmess: -2.500"
expect "$tmp/building.out" "result: 2"
status=0
"$driver" run "$tmp/numbers.txt" > "$tmp/shared.out" || status=$?
[ "$status" -eq 1 ] || { echo "shared profile: status $status"; exit 1; }
expect "$tmp/shared.out" "assembly failed"
grep -q "C-021" "$tmp/shared.out" || { echo "shared profile: no C-021"; cat "$tmp/shared.out"; exit 1; }

# A source compiled and run: floattostr and tan of each profile.
printf 'defineproc showmess,floattostr,tan;\nvar x:float;\nBegin\nx:=tan(60);\nshowmess(floattostr(x));\nEnd;\n' > "$tmp/tan.pas"
"$driver" --profile building runsource "$tmp/tan.pas" > "$tmp/tan.out"
expect "$tmp/tan.out" "showmess: 1.732"
"$driver" --profile shared runsource "$tmp/tan.pas" > "$tmp/tan-shared.out"
expect "$tmp/tan-shared.out" "showmess: 1.73205090"

# An error of each stage shows its box under the building profile, and none under the shared one.
printf 'CALC (1+2\n' > "$tmp/open.txt"
status=0
"$driver" --profile building assemble "$tmp/open.txt" > "$tmp/open.out" || status=$?
[ "$status" -eq 1 ] || { echo "open calc: status $status"; exit 1; }
expect "$tmp/open.out" "box: Quillon-Compiler-Error (C-002) | Calculation not closed"
printf 'Begin\nNOSUCH;\nEnd;\n' > "$tmp/unknown.pas"
status=0
"$driver" --profile building compile "$tmp/unknown.pas" > "$tmp/unknown.out" || status=$?
[ "$status" -eq 1 ] || { echo "unknown function: status $status"; exit 1; }
expect "$tmp/unknown.out" 'box: Quillon-Compiler-Error (H-003) | Unknown function "NOSUCH"!'
printf 'CALC 1/0\n' > "$tmp/zero.txt"
status=0
"$driver" --profile building run "$tmp/zero.txt" > "$tmp/zero.out" || status=$?
[ "$status" -eq 1 ] || { echo "division by zero: status $status"; exit 1; }
grep -q "^box: Quillon-Interpreter-Error (I-007) at position [0-9]* | Division by Zero!$" "$tmp/zero.out" ||
  { echo "no box for the division"; cat "$tmp/zero.out"; exit 1; }
status=0
"$driver" run "$tmp/zero.txt" > "$tmp/zero-shared.out" || status=$?
if grep -q "^box:" "$tmp/zero-shared.out"; then echo "a box under the shared profile"; exit 1; fi

# A profile the driver does not know.
status=0
"$driver" --profile nosuch run "$tmp/zero.txt" > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "unknown profile: status $status"; exit 1; }
# The game's commands: the frame and the parts in use come from the options, each part's placement
# is printed after the run, and a part beyond those in use is left alone.
printf 'defineproc SetPosition,SetRotation,SetNick;\ndefinevar frame;\nBegin\nSetPosition(1,frame,2.5,-1.0);\nSetRotation(2,10.0,20.0,30.0);\nSetNick(3,5.0);\nEnd;\n' > "$tmp/parts.pas"
"$driver" --game-host --script-time 40 --parts 2 runsource "$tmp/parts.pas" > "$tmp/parts.out"
expect "$tmp/parts.out" "part 1: 40.000 2.500 -1.000 0.000 0.000 0.000"
expect "$tmp/parts.out" "part 2: 0.000 0.000 0.000 10.000 20.000 30.000"
if grep -q "^part 3" "$tmp/parts.out"; then echo "a part beyond those in use"; exit 1; fi
# The building program's table: its own parameter counts ("SaveBuilding" takes one, "CalcBulk"
# none), parts 1 to 10 whatever is in use, and the node commands on its empty record store.
printf 'defineproc SetPosition,SaveBuilding,CalcBulk,ReadNode,GetNextNode,GetCoordPos,OrientObj,inttostr,showmess;\nvar k:integer;\nBegin\nSaveBuilding(1);\nCalcBulk;\nReadNode(1,1);\nk:=GetNextNode(1,2);\nGetCoordPos(1,2,1.0,1);\nOrientObj(1,1,1);\nSetPosition(10,k,2.5,-1.0);\nshowmess(inttostr(k));\nEnd;\n' > "$tmp/building.pas"
"$driver" --profile building --game-host --parts 10 runsource "$tmp/building.pas" > "$tmp/building-host.out"
expect "$tmp/building-host.out" "showmess: 0"
expect "$tmp/building-host.out" "part 10: 0.000 2.500 -1.000 0.000 0.000 0.000"
if grep -q "^error" "$tmp/building-host.out"; then cat "$tmp/building-host.out"; exit 1; fi
status=0
"$driver" --game-host runsource "$tmp/building.pas" > /dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || { echo "the game's table took the building program's counts"; exit 1; }
# Without the game's host the source does not compile; a part count above 14 is refused.
status=0
"$driver" runsource "$tmp/parts.pas" > /dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || { echo "without the game host: status $status"; exit 1; }
status=0
"$driver" --game-host --parts 15 runsource "$tmp/parts.pas" > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "15 parts: status $status"; exit 1; }
echo ok
