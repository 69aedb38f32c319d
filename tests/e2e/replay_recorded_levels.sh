#!/usr/bin/env bash
# Recordings that carry their level: played from a folder without the level file, over a
# file of the same name that differs, with --level over them, and damaged in every way a
# stranger's file can be. Each case checks the exit status and the message (file and line),
# and that a refused recording writes nothing.
# Usage: replay_recorded_levels.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
replay=$build/quellor-replay
[ -x "$replay" ] && [ -f "$build/3rooms.b2" ] && [ -f "$build/two_rooms.b2" ] ||
  { echo "SKIP: needs quellor-replay, 3rooms.b2 and two_rooms.b2"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
cd "$work" || exit 1

header() {
  printf '# quellor recording: play it back with quellor-replay --script FILE\n'
  printf '# level: 3rooms.b2\n# first client size: 320x240\n# quellor 1.0.0\n'
}
# level PASS FILE: a level block carrying FILE's bytes.
level() { echo "$1 level $(stat -c %s "$2") 3rooms.b2" && base64 -w 76 "$2"; }
keys() { printf '1 key up\n20 key left\n21 key left\n45 key z\n50 key x\n60 key space\n'; }

# run NAME ARGS...: quellor-replay in the current folder, 20 s at most; status in $rc,
# standard error in $err.
run() {
  local name=$1
  shift
  timeout 20 "$replay" "$@" > /dev/null 2> "$work/$name.err"
  rc=$?
  err=$(cat "$work/$name.err")
}

# The level it started on and a reload at pass 30: from a folder with no level file.
{ header && level 0 "$build/3rooms.b2" && keys && level 30 "$build/two_rooms.b2"; } > "$work/walk.rec"
mkdir elsewhere && cd elsewhere
run carried --script ../walk.rec --shots 29,31,60 --out carried
[ "$rc" = 0 ] && [ -z "$err" ] && pass "plays from a folder without the level" ||
  fail "played without the level file: exit $rc, '$err'"
# The same passes on the files themselves: up to pass 29 the first level, from pass 30 another.
{ header && keys; } > ../plain.rec
run plain --script ../plain.rec --level "$build/3rooms.b2" --shots 29,31,60 --out plain
cmp -s carried/frame-000029.png plain/frame-000029.png && pass "pass 29 is the first level's" ||
  fail "pass 29 differs from the first level's"
cmp -s carried/frame-000031.png plain/frame-000031.png && fail "pass 31 still shows the first level" ||
  pass "pass 31 shows the reloaded level"
# The recorded bytes win over a file of that name.
cp "$build/two_rooms.b2" 3rooms.b2
run over --script ../walk.rec --shots 29,31,60 --out over
for p in 29 31 60; do
  cmp -s carried/frame-0000$p.png over/frame-0000$p.png || fail "a 3rooms.b2 in the folder changed pass $p"
done
[ "$rc" = 0 ] && pass "the recorded bytes win over a file of the same name"
# --level over the recording, and it says so.
run override --script ../walk.rec --level "$build/3rooms.b2" --shots 29,31,60 --out override
[ "$rc" = 0 ] && [ "$err" = "quellor-replay: --level $build/3rooms.b2 plays instead of the 2 level version(s) ../walk.rec carries" ] &&
  cmp -s override/frame-000060.png plain/frame-000060.png && pass "--level overrides and says so" ||
  fail "--level: exit $rc, '$err'"
rm 3rooms.b2

# expect NAME STATUS MESSAGE FILE: played (or refused) with exactly that message.
expect() {
  local name=$1 status=$2 message=$3 file=$4
  run "$name" --script "$file" --out "$work/out-$name"
  if [ "$rc" = "$status" ] && [ "$err" = "quellor-replay: $message" ]; then
    pass "$name: exit $status, '$message'"
  else
    fail "$name: exit $rc, '$err' (expected $status, '$message')"
  fi
  if [ "$status" = 2 ] && [ -e "$work/out-$name" ]; then fail "$name: a refused recording made $work/out-$name"; fi
}
cd "$work" || exit 1
head -n 7 walk.rec > cut_block.rec
expect "file cut inside a level" 2 \
  "cut_block.rec:7: the level of line 5 ends early: 152 of its 1916 base64 characters (1436 bytes)" cut_block.rec
{ head -n 7 walk.rec && sed -n 8p walk.rec | cut -c 1-30 && sed -n '9,$p' walk.rec; } > cut_line.rec
expect "a cut base64 line" 2 \
  "cut_line.rec:32: the level of line 5 ends early or is damaged: '1 key up' is not a line of base64" cut_line.rec
{ header && level 0 "$build/3rooms.b2" && echo "123456789012 key up"; } > far.rec
expect "an absurd pass" 2 "far.rec:32: pass 123456789012 is beyond the most a recording may have (100000000)" far.rec
{ header && echo "0 level 4194304 3rooms.b2" && head -c 4194304 /dev/zero | base64 -w 76 | head -n 10; } > huge.rec
expect "a level of 4 MiB" 2 \
  "huge.rec:5: '4194304' is not a level size from 0 to 798028 bytes (the most the loader takes)" huge.rec
head -c 4194304 /dev/urandom > noise.rec
run noise --script noise.rec --out "$work/out-noise"
[ "$rc" = 2 ] && [[ "$err" == "quellor-replay: noise.rec:"* ]] && [ "$(printf '%s' "$err" | wc -l)" = 0 ] &&
  [ ! -e "$work/out-noise" ] && pass "4 MiB of noise: refused in one line" || fail "noise: exit $rc"
{ header && printf '0 level 8 3rooms.b2\nAAAAAAAAAAA=\n' && keys; } > refused_start.rec
expect "a first level the loader refuses" 3 "refused_start.rec:5: 3rooms.b2: the file ends early, at the room count" \
  refused_start.rec
[ -f "$work/out-a first level the loader refuses/frame-000060.png" ] && pass "the empty level's frames are written" ||
  fail "no frames of the empty level"
{ header && level 0 "$build/3rooms.b2" && keys && printf '30 level 8 3rooms.b2\nAAAAAAAAAAA=\n'; } > refused_reload.rec
run refused_reload --script refused_reload.rec --shots 60 --out "$work/out-refused_reload"
[ "$rc" = 0 ] && [ "$err" = "quellor-replay: refused_reload.rec:38: 3rooms.b2: the file ends early, at the room count (the level shown stays)" ] &&
  cmp -s "$work/out-refused_reload/frame-000060.png" elsewhere/plain/frame-000060.png &&
  pass "a recorded reload the loader refuses keeps the level shown" || fail "refused reload: exit $rc, '$err'"
mkdir none && cd none
{ header && keys; } > old.rec
run old --script old.rec --out out-old
[ "$rc" = 3 ] && [[ "$err" == *"old.rec carries no level of its own"* ]] &&
  pass "a recording that names a level and carries none says so" || fail "old recording: exit $rc, '$err'"

[ "$failures" = 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
