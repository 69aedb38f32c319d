#!/usr/bin/env bash
# A level source (JSON) given where a level file belongs: quellor-level check and dump,
# quellor-replay --level and the viewer each print the loader's refusal as it always was,
# then one line saying the file is a level source and how to build it; the command that
# line gives builds a level that checks. The viewer's part runs under Xvfb when there is no
# display (and is skipped without one).
# Usage: level_source_given.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run > /dev/null; then
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi
build=$(cd "${1:?build folder}" && pwd)
source_dir=$(cd "${2:?source folder}" && pwd)
replay=$build/quellor-replay
tool=$build/quellor-level
quellor=$build/quellor
for program in "$replay" "$tool" "$quellor"; do
  [ -x "$program" ] || { echo "FAIL: $program is not built"; exit 1; }
done
work=$(mktemp -d)
viewer=
trap '[ -n "$viewer" ] && kill -KILL "$viewer" 2> /dev/null; rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"  # pass, fail and the count
cp "$source_dir/levels/two_rooms.json" "$work/mine.json"
cd "$work" || exit 1
refusal="mine.json: room count 1819042157 is outside 0..8"
note="mine.json: this is a level source (JSON), not a level file: build one with quellor-level build mine.json mine.b2"

# same NAME STATUS EXPECTED_STATUS WHAT EXPECTED
same() {
  if [ "$2" = "$3" ] && [ "$4" = "$5" ]; then
    pass "$1"
  else
    fail "$1: status $2 (expected $3):"$'\n'"$4"$'\n'"expected:"$'\n'"$5"
  fi
}

out=$("$tool" check mine.json 2> check.err); status=$?
same "check: the refusal, the note, the count" "$status" 1 "$out" "$refusal
$note
mine.json: 1 problem"
[ -s check.err ] && fail "check: standard error '$(cat check.err)'"

err=$("$tool" dump mine.json 2>&1 > dump.out); status=$?
same "dump: the refusal and the note" "$status" 1 "$err" "$refusal
$note"
[ -s dump.out ] && fail "dump: printed '$(head -3 dump.out)'"

mkdir frames
err=$("$replay" --level mine.json --out frames --format pgm 2>&1 > /dev/null); status=$?
same "quellor-replay --level: the refusal and the note, exit 3" "$status" 3 "$err" "quellor-replay: $refusal
quellor-replay: $note"

# What the note says to do works.
suggested=${note#*: build one with quellor-level }
"$tool" $suggested > /dev/null 2>&1 && out=$("$tool" check mine.b2) \
  && pass "the suggested 'quellor-level $suggested' builds a level: $out" \
  || fail "'quellor-level $suggested' does not give a valid level"

# The viewer, started as a person would: quellor mine.json.
if [ -n "${DISPLAY:-}" ]; then
  export SDL_VIDEODRIVER=x11
  "$quellor" mine.json > /dev/null 2> viewer.err &
  viewer=$!
  for _ in $(seq 100); do [ "$(wc -l < viewer.err)" -ge 2 ] && break; sleep 0.1; done
  kill -TERM "$viewer"
  wait "$viewer"
  status=$?
  viewer=
  same "quellor mine.json: the refusal and the note, then it runs on" "$status" 0 "$(head -2 viewer.err)" \
    "quellor: $refusal
quellor: $note"
else
  echo "skipped: the viewer (no display and no xvfb-run)"
fi

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "level source given: ok"
