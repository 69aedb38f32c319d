#!/usr/bin/env bash
# quellor-replay against hostile input and a hostile disk: options that wrap or do not fit,
# scripts that are not regular files or are too large, outputs that cannot be written, a
# trace.tsv symlink, and SIGTERM/SIGINT in the middle of a run. Each case checks the exact
# message and exit status, that no earlier file is lost and that no partial or temporary
# file is left.
# Usage: replay_hostile.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
replay=$build/quellor-replay
level=$build/3rooms.b2
[ -x "$replay" ] && [ -f "$level" ] || { echo "SKIP: needs quellor-replay and 3rooms.b2"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# run NAME ARGS...: runs the replay (10 s at most: a run that waits on a pipe is a failure),
# keeping its standard error in $err and its status in $rc.
run() {
  local name=$1
  shift
  timeout 10 "$replay" "$@" > /dev/null 2> "$work/$name.err"
  rc=$?
  err=$(cat "$work/$name.err")
}
# expect NAME STATUS MESSAGE ARGS...: a refusal with exactly that one-line message.
expect() {
  local name=$1 status=$2 message=$3
  shift 3
  run "$name" "$@"
  if [ "$rc" = "$status" ] && [ "$err" = "quellor-replay: $message" ]; then
    pass "$name: exit $status, '$message'"
  else
    fail "$name: exit $rc, message '$err' (expected $status, '$message')"
  fi
}
# Every name in a folder, hidden ones too: a temporary file left behind shows.
listing() { (cd "$1" && ls -A | tr '\n' ' '); }

# 1. Options refused before anything runs: nothing is made in --out.
out=$work/never
for size in -4294967196x200 4294967396x200 " 320x240" +320x+240 65536x10 320x; do
  expect "size '$size'" 2 "--size: '$size' is not WxH with W and H from 0 to 65535" \
    --level "$level" --size "$size" --out "$out"
done
for passes in 99999999999999999999 9223372036854775808 18446744073709551615 100000001 -1 " 5"; do
  expect "passes '$passes'" 2 "--passes: '$passes' is not a count from 0 to 100000000" \
    --level "$level" --passes "$passes" --out "$out"
done
expect "shots beyond the run" 2 "--shots: pass 1000000 is beyond the last pass (--passes 2)" \
  --level "$level" --passes 2 --shots 1000000 --out "$out"
expect "shots '1,'" 2 "--shots: '' is not a pass number (1 or more), all or none" \
  --level "$level" --passes 2 --shots 1, --out "$out"
for repeat in 0 100000001 -1 " 2" 2x; do
  expect "repeat '$repeat'" 2 "--repeat: '$repeat' is not a count from 1 to 100000000" \
    --level "$level" --timedemo --repeat "$repeat"
done
expect "repeat times passes" 2 "--repeat: 100000 x 1001 passes is more than 100000000" \
  --level "$level" --timedemo --repeat 100000 --passes 1001
for option in "--repeat 2" --present; do
  run "$option without --timedemo" --level "$level" $option --out "$out"
  [ "$rc" = 2 ] && [ "$(echo "$err" | head -1)" = "${option% *} requires --timedemo" ] \
    && pass "$option needs --timedemo" || fail "$option without --timedemo: exit $rc, '$err'"
done
for option in "--shots all" "--out $out" "--format pgm"; do
  run "timedemo with ${option%% *}" --level "$level" --timedemo $option
  [ "$rc" = 2 ] && [ "$(echo "$err" | head -1)" = "${option% *} excludes --timedemo" ] \
    && pass "a timedemo writes nothing: $option refused" || fail "--timedemo $option: exit $rc, '$err'"
done
[ -e "$out" ] && fail "a refused run made $out" || pass "refused runs write nothing"

# 2. Scripts that are not regular files, or too large: refused at once, exit 2.
mkdir "$work/folder"
mkfifo "$work/fifo"
expect "folder script" 2 "$work/folder: cannot be read: it is a folder, not a regular file" \
  --level "$level" --script "$work/folder" --out "$out"
expect "FIFO script" 2 "$work/fifo: cannot be read: it is a FIFO, not a regular file" \
  --level "$level" --script "$work/fifo" --out "$out"
expect "zero device script" 2 "/dev/zero: cannot be read: it is a character device, not a regular file" \
  --level "$level" --script /dev/zero --out "$out"
head -c $((4 * 1024 * 1024 + 1)) /dev/zero | tr '\0' '\n' > "$work/big.txt"
expect "oversized script" 2 "$work/big.txt: is 4194305 bytes, too large: the limit for a script is 4 MiB" \
  --level "$level" --script "$work/big.txt" --out "$out"
head -c $((4 * 1024 * 1024)) /dev/zero | tr '\0' '\n' > "$work/edge.txt"
run "script at the limit" --level "$level" --script "$work/edge.txt" --shots none --out "$work/edge"
[ "$rc" = 0 ] && pass "a script of exactly 4 MiB runs" || fail "a script of exactly 4 MiB: exit $rc, $err"

# 3. A full disk (a file size limit of 50 KiB: a 320x240 PGM is 76,815 bytes) keeps the
# earlier files whole, leaves no temporary file, and says why.
mkdir "$work/full"
echo "earlier frame" > "$work/full/frame-000001.pgm"
echo "earlier trace" > "$work/full/trace.tsv"
(trap '' XFSZ; ulimit -f 50; exec timeout 10 "$replay" --level "$level" --shots all --passes 3 \
  --format pgm --out "$work/full") > /dev/null 2> "$work/full.err"
rc=$?
err=$(cat "$work/full.err")
[ "$rc" = 1 ] && [ "$err" = "quellor-replay: $work/full/frame-000001.pgm: cannot be written: File too large" ] \
  && pass "full disk, frames: exit 1 with the reason" || fail "full disk, frames: exit $rc, '$err'"
[ "$(cat "$work/full/frame-000001.pgm")" = "earlier frame" ] && [ "$(cat "$work/full/trace.tsv")" = "earlier trace" ] \
  && pass "full disk, frames: earlier files kept" || fail "full disk, frames: an earlier file changed"
[ "$(listing "$work/full")" = "frame-000001.pgm trace.tsv " ] \
  && pass "full disk, frames: nothing else left" || fail "full disk, frames: left $(listing "$work/full")"

# --shots none: only the trace is written, 5,000 passes of it (about 220 KiB).
(trap '' XFSZ; ulimit -f 50; exec timeout 20 "$replay" --level "$level" --shots none --passes 5000 \
  --out "$work/full") > /dev/null 2> "$work/full.err"
rc=$?
err=$(cat "$work/full.err")
[ "$rc" = 1 ] && [ "$err" = "quellor-replay: $work/full/trace.tsv: cannot be written: File too large" ] \
  && pass "full disk, --shots none: exit 1 with the reason" || fail "full disk, --shots none: exit $rc, '$err'"
[ "$(cat "$work/full/trace.tsv")" = "earlier trace" ] && [ "$(listing "$work/full")" = "frame-000001.pgm trace.tsv " ] \
  && pass "full disk, --shots none: earlier trace kept, nothing else left" \
  || fail "full disk, --shots none: $(listing "$work/full")"

# 4. A trace.tsv symlink inside --out is replaced, not followed.
mkdir "$work/link"
echo "keep me" > "$work/elsewhere.txt"
ln -s "$work/elsewhere.txt" "$work/link/trace.tsv"
run "symlinked trace" --level "$level" --shots none --passes 2 --out "$work/link"
[ "$rc" = 0 ] && [ "$(cat "$work/elsewhere.txt")" = "keep me" ] && [ -f "$work/link/trace.tsv" ] && \
  [ ! -L "$work/link/trace.tsv" ] && [ "$(wc -l < "$work/link/trace.tsv")" = 3 ] \
  && pass "a trace.tsv symlink is replaced, its target kept" || fail "symlinked trace: exit $rc, $err"

# 5. SIGTERM and SIGINT in a long run: it stops before its next pass, ended by the signal,
# with the earlier trace kept and no temporary file; the frames it finished stay whole.
for signal in TERM INT; do
  dir=$work/signal-$signal
  mkdir "$dir"
  echo "earlier trace" > "$dir/trace.tsv"
  # A background job's SIGINT is ignored unless set back to the default.
  env --default-signal=INT "$replay" --level "$level" --passes 100000000 --shots 1 --format pgm \
    --out "$dir" > /dev/null 2> "$dir.err" &
  pid=$!
  for ((i = 0; i < 100; i++)); do [ -f "$dir/frame-000001.pgm" ] && break; sleep 0.1; done
  kill -"$signal" "$pid"
  status=timeout
  for ((i = 0; i < 100; i++)); do
    if ! kill -0 "$pid" 2> /dev/null; then wait "$pid"; status=$?; break; fi
    sleep 0.1
  done
  [ "$status" = timeout ] && { kill -KILL "$pid"; wait "$pid"; }
  number=$([ "$signal" = TERM ] && echo 143 || echo 130)
  grep -Eq "^quellor-replay: stopped by SIG$signal after pass [0-9]+; trace.tsv left as it was$" "$dir.err" \
    && [ "$status" = "$number" ] && pass "SIG$signal: stopped, status $status" \
    || fail "SIG$signal: status $status, $(cat "$dir.err")"
  [ "$(cat "$dir/trace.tsv")" = "earlier trace" ] && [ "$(listing "$dir")" = "frame-000001.pgm trace.tsv " ] \
    && [ "$(stat -c %s "$dir/frame-000001.pgm")" = 76815 ] \
    && pass "SIG$signal: earlier trace kept, the frame whole, nothing else left" \
    || fail "SIG$signal: left $(listing "$dir")"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "replay hostile cases: ok"
