#!/usr/bin/env bash
# quellor-replay end to end: its command line, trace, frames and errors.
set -euo pipefail
build=$1
replay=$build/quellor-replay
level=$build/3rooms.b2
[ -x "$replay" ] && [ -f "$level" ] || { echo "needs quellor-replay and 3rooms.b2"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Defaults: one pass, the last pass shot as PNG, the level from the working directory.
cp "$level" "$work/3rooms.b2"
(cd "$work" && "$replay") || fail "default run"
[ -f "$work/frame-000001.png" ] || fail "no default shot"
[ "$(wc -l < "$work/trace.tsv")" -eq 2 ] || fail "trace of one pass"
head -1 "$work/trace.tsv" | grep -q $'^pass\troom\tpx\tpy\tpz\tr00' || fail "trace header"

# A script: walk, turn, overview, resize; listed shots in PGM.
cat > "$work/s.txt" <<'S'
1 key up
3 key left
4 key left
5 release left
6 key z
7 size 321 200
8 key x
9 key q
S
"$replay" --level "$level" --script "$work/s.txt" --passes 50 --shots 2,7,20 --out "$work/o" \
  --format pgm || fail "scripted run"
ls "$work/o" | sort | tr '\n' ' ' | grep -q '^frame-000002.pgm frame-000007.pgm trace.tsv $' \
  || fail "shots: $(ls "$work/o")"
[ "$(wc -l < "$work/o/trace.tsv")" -eq 10 ] || fail "Q draws one more frame: 9 passes"
head -c 15 "$work/o/frame-000007.pgm" | grep -q $'^P5\n324 200\n255' || fail "resized PGM header"
awk -F'\t' 'NR==4 && $16 != 32667 {exit 1} NR==6 && $16 != 0 {exit 1} NR==7 && $17 != 1 {exit 1}
            NR==10 && ($18 != 324 || $19 != 200 || $17 != 0) {exit 1}' "$work/o/trace.tsv" \
  || fail "trace columns: $(cat "$work/o/trace.tsv")"
python3 - "$work/o/trace.tsv" <<'PY' || fail "walking trace"
import struct, sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])][1:]
z = [float(r[4]) for r in rows]
assert abs(z[0] - 0.08) < 1e-6 and z[1] > z[0], z
walk = struct.pack("<f", float(rows[0][14]))  # %.9g reads back to the same float32
assert walk == bytes.fromhex("0ad7a33d"), walk.hex()  # 0.08 is 0x3DA3D70A
PY

# Both row orders present the same frames; PNGs carry the palette.
"$replay" --level "$level" --script "$work/s.txt" --passes 8 --shots all --out "$work/b" --format pgm
"$replay" --level "$level" --script "$work/s.txt" --passes 8 --shots all --out "$work/t" --format pgm --top-down
for f in "$work"/b/*.pgm; do cmp -s "$f" "$work/t/$(basename "$f")" || fail "row order changes $f"; done

# Recordings in older spellings (the desktop's "other" for a key-up and upper-case letters,
# the page's "key 0" for an unmapped key) play exactly as today's spellings of them.
printf '1 key up\n2 other\n3 key left\n3 release left\n4 key A\n4 key 0\n5 release 0\n6 key z\n6 other\n' \
  > "$work/old.txt"
printf '1 key up\n2 release up\n3 key left\n3 release left\n4 key a\n4 key other\n5 release other\n6 key z\n6 mouse\n' \
  > "$work/new.txt"
for spelling in old new; do
  "$replay" --level "$level" --script "$work/$spelling.txt" --passes 9 --shots all --format pgm \
    --out "$work/$spelling" > /dev/null || fail "$spelling spellings: replay failed"
done
for f in "$work"/new/*; do cmp -s "$f" "$work/old/$(basename "$f")" || fail "older spellings play differently: $f"; done
[ "$(ls "$work/new" | wc -l)" -eq 10 ] || fail "older spellings: $(ls "$work/new")"

# Close ends without drawing: no trace line for the closing pass.
printf '1 key up\n3 close\n' > "$work/c.txt"
"$replay" --level "$level" --script "$work/c.txt" --passes 10 --out "$work/c" || fail "close exit status"
[ "$(wc -l < "$work/c/trace.tsv")" -eq 3 ] || fail "close drew a frame"

# Bad input: exit status 2 with file and line, nothing run.
printf '1 key up\n2 dance\n' > "$work/bad.txt"
set +e
err=$("$replay" --level "$level" --script "$work/bad.txt" --out "$work/bad" 2>&1)
rc=$?
set -e
[ $rc -eq 2 ] || fail "bad script exit $rc"
echo "$err" | grep -q "bad.txt:2: unknown event 'dance'" || fail "bad script message: $err"
[ ! -e "$work/bad/trace.tsv" ] || fail "bad script ran"
set +e
"$replay" --size 12 --out "$work/bad2" 2>/dev/null; [ $? -eq 2 ] || fail "bad size"
"$replay" --format gif --out "$work/bad2" 2>/dev/null; [ $? -eq 2 ] || fail "bad format"
"$replay" --shots 0 --out "$work/bad2" 2>/dev/null; [ $? -eq 2 ] || fail "bad shots"
set -e

# A missing level is reported with its reason, the frames of the empty level are still
# written, and the exit status (3) tells them from the level's.
set +e
err=$("$replay" --level "$work/none.b2" --out "$work/m" --format pgm 2>&1)
rc=$?
set -e
[ $rc -eq 3 ] || fail "missing level exit $rc"
[ "$err" = "Couldn't open file
couldn't flush file buffers
quellor-replay: $work/none.b2: cannot be opened: No such file or directory" ] || fail "missing level report: $err"
[ "$(tail -c +16 "$work/m/frame-000001.pgm" | tr -d '\0' | wc -c)" -eq 0 ] || fail "empty frame"
[ "$(wc -l < "$work/m/trace.tsv")" -eq 2 ] || fail "missing level: no trace"

# Started from the folder above the build, as build/quellor-replay from a repository's root:
# the report stays as it was, and a line after it says where the level is.
parent=$(cd "$build/.." && pwd)
name=$(basename "$(cd "$build" && pwd)")
set +e
err=$(cd "$parent" && "$name/quellor-replay" --out "$work/above" --format pgm 2>&1)
rc=$?
set -e
[ $rc -eq 3 ] || fail "level in the build folder: exit $rc"
[ "$err" = "Couldn't open file
couldn't flush file buffers
quellor-replay: 3rooms.b2: cannot be opened: No such file or directory
quellor-replay: 3rooms.b2 is in $name/: start it there (cd $name && ./quellor-replay) or name it: $name/quellor-replay --level $name/3rooms.b2" ] \
  || fail "level in the build folder: said $err"
err=$(cd "$parent" && "$name/quellor-replay" --level "$name/3rooms.b2" --out "$work/above" 2>&1) \
  && [ -z "$err" ] || fail "the level named as advised: $err"
set +e
err=$(cd "$parent" && "$name/quellor-replay" --timedemo 2>&1 > /dev/null)
set -e
[ "$(tail -1 <<< "$err")" = "quellor-replay: 3rooms.b2 is in $name/: start it there (cd $name && ./quellor-replay) or name it: $name/quellor-replay --level $name/3rooms.b2" ] \
  || fail "timedemo, level in the build folder: said $err"

# Timedemo: the figures, a line each, and nothing written.
figures='^passes: [0-9]+
total: [0-9]+\.[0-9]{3} s
passes per second: [0-9]+\.[0-9]
pass: median [0-9]+\.[0-9]{3} ms, worst [0-9]+\.[0-9]{3} ms'
mkdir "$work/td"
out=$(cd "$work/td" && "$replay" --level "$level" --timedemo --repeat 25)
echo "$out" | grep -Ezq "$figures"$'\n$' || fail "timedemo figures: $out"
echo "$out" | head -1 | grep -qx "passes: 25" || fail "timedemo standing still: $out"
# The script played three times over, each to its last pass (9 quits: 9 passes), with presents.
out=$(cd "$work/td" && "$replay" --level "$level" --timedemo --repeat 3 --script "$work/s.txt" --present)
echo "$out" | grep -Ezq "$figures"$'\npresent \\(palette to 32-bit\\): median [0-9]+\\.[0-9]{3} ms, total [0-9]+\\.[0-9]{3} s\n$' \
  || fail "timedemo --present figures: $out"
echo "$out" | head -1 | grep -qx "passes: 27" || fail "timedemo of a script: $out"
out=$(cd "$work/td" && "$replay" --level "$level" --timedemo --script "$work/s.txt" --passes 4)
echo "$out" | head -1 | grep -qx "passes: 4" || fail "timedemo --passes: $out"
[ -z "$(ls -A "$work/td")" ] || fail "timedemo wrote $(ls -A "$work/td")"
set +e
out=$("$replay" --level "$work/none.b2" --timedemo --repeat 2 2> "$work/td.err")
rc=$?
set -e
[ $rc -eq 3 ] || fail "timedemo of a missing level exit $rc"
echo "$out" | head -1 | grep -qx "passes: 2" || fail "timedemo of a missing level: $out"
[ "$(grep -c "cannot be opened" "$work/td.err")" -eq 1 ] || fail "timedemo missing level report: $(cat "$work/td.err")"
echo "replay end to end: ok"
