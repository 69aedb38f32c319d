#!/usr/bin/env bash
# quellor-replay --digests and tools/first-difference: the same run gives the same digests
# (whichever way its rows are stored), and two runs that part name the pass where they do,
# with both frames of it.
# Usage: replay_digests.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
replay=$build/quellor-replay
first=$source_dir/tools/first-difference
[ -x "$replay" ] && [ -f "$build/3rooms.b2" ] || { echo "SKIP: needs quellor-replay and 3rooms.b2"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
cd "$work" || exit 1

printf '1 key up\n30 key left\n31 key left\n50 size 400 300\n70 key z\n90 key x\n120 key down\n150 key space\n' > a.txt
# b parts from a at pass 73: a key Right there turns the camera.
{ cat a.txt && echo "73 key right"; } > b.txt
run() { "$replay" --level "$build/3rooms.b2" --passes 200 "$@" 2> /dev/null; }
run --script a.txt --shots none --out one --digests one.digests
run --script a.txt --shots none --out two --digests two.digests --top-down
run --script b.txt --shots none --out three --digests three.digests
[ "$(grep -vc '^#' one.digests)" = 200 ] && pass "a line per pass" || fail "$(wc -l < one.digests) lines"
cmp -s one.digests two.digests && pass "the same run, rows stored either way: the same digests" ||
  fail "the same run gave other digests"
[ "$(sort -u -k2 one.digests | wc -l)" -gt 50 ] && pass "the frames' digests tell them apart" ||
  fail "too few distinct digests"

out=$("$first" one.digests two.digests)
[ $? = 0 ] && [ "$out" = "same: 200 passes" ] && pass "digest files: '$out'" || fail "same digests: '$out'"
out=$("$first" one.digests three.digests)
[ $? = 1 ] && [ "$out" = "first difference: pass 73" ] && pass "digest files: '$out'" || fail "differing: '$out'"
out=$("$first" --replay "$replay" --out frames a.txt b.txt -- --level "$build/3rooms.b2" --passes 200)
[ $? = 1 ] && [ "$(echo "$out" | head -n 1)" = "first difference: pass 73" ] && pass "recordings: pass 73" ||
  fail "recordings: '$out'"
run --script a.txt --out shot-a --shots 73
run --script b.txt --out shot-b --shots 73
cmp -s frames/a/frame-000073.png shot-a/frame-000073.png && cmp -s frames/b/frame-000073.png shot-b/frame-000073.png &&
  ! cmp -s frames/a/frame-000073.png frames/b/frame-000073.png && pass "both frames of pass 73 written" ||
  fail "the frames of pass 73"
# A run that stops sooner parts where the other goes on.
head -n 100 one.digests > short.digests
out=$("$first" short.digests one.digests)
[ "$out" = "first difference: pass 100" ] && pass "a shorter run: '$out'" || fail "shorter: '$out'"
"$replay" --level "$build/3rooms.b2" --timedemo --digests x.digests > /dev/null 2>&1
[ $? = 2 ] && [ ! -e x.digests ] && pass "--digests is refused with --timedemo" || fail "--digests with --timedemo"

[ "$failures" = 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
