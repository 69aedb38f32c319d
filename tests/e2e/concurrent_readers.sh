#!/usr/bin/env bash
# Any number of programs read one level at once: 40 quellor-replay runs and 40
# quellor-level check runs of the same file, all let go at the same moment, must all
# succeed. A writer holding the file exclusively still keeps every reader out, with the
# file reader's words.
# Usage: concurrent_readers.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
replay=$build/quellor-replay
tool=$build/quellor-level
[ -x "$replay" ] && [ -x "$tool" ] && [ -f "$build/3rooms.b2" ] \
  || { echo "SKIP: needs quellor-replay, quellor-level and 3rooms.b2"; exit 77; }
command -v flock > /dev/null || { echo "SKIP: needs flock"; exit 77; }
work=$(mktemp -d)
holder=
trap '[ -n "$holder" ] && kill "$holder" 2> /dev/null; rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"  # pass, fail and the count
level=$work/level.b2
cp "$build/3rooms.b2" "$level"
runs=40

# start_all GATE: starts $runs replays and $runs checks of $level, each waiting behind the
# FIFO GATE (opening it for reading blocks until it is opened for writing), and opens the
# gate, so that all of them start loading at once. Each run's status goes to NAME.status.
start_all() {
  local gate=$1 i
  rm -f "$gate" && mkfifo "$gate"
  pids=()
  for ((i = 1; i <= runs; i++)); do
    mkdir -p "$work/replay-$i"
    (: < "$gate"; "$replay" --level "$level" --out "$work/replay-$i" --format pgm > /dev/null \
      2> "$work/replay-$i.err"; echo $? > "$work/replay-$i.status") &
    pids+=($!)
    (: < "$gate"; "$tool" check "$level" > "$work/check-$i.out" 2> "$work/check-$i.err"
      echo $? > "$work/check-$i.status") &
    pids+=($!)
  done
  # Every run waits at the gate before it opens (a FIFO's open for writing would not wait
  # for readers that are not there yet).
  sleep 1
  exec 3> "$gate"
  exec 3>&-
  wait "${pids[@]}"
}

# count KIND STATUS EXPECTED_ERR EXPECTED_OUT: how many runs of KIND ended with STATUS and
# printed exactly the expected standard error (and, for checks, standard output).
count() {
  local kind=$1 status=$2 err=$3 out=$4 i n=0
  for ((i = 1; i <= runs; i++)); do
    [ "$(cat "$work/$kind-$i.status" 2> /dev/null)" = "$status" ] || continue
    [ "$(cat "$work/$kind-$i.err")" = "$err" ] || continue
    [ "$kind" = replay ] || [ "$(cat "$work/$kind-$i.out")" = "$out" ] || continue
    n=$((n + 1))
  done
  echo "$n"
}

start_all "$work/gate"
valid=$("$tool" check "$level")
ok=$(count replay 0 "" "")
[ "$ok" = $runs ] && pass "$ok/$runs concurrent replays of one level" || {
  fail "$ok/$runs concurrent replays of one level succeeded"
  for ((i = 1; i <= runs; i++)); do head -3 "$work/replay-$i.err"; done | sort | uniq -c
}
frames=$(ls "$work"/replay-*/frame-000001.pgm 2> /dev/null | wc -l)
[ "$frames" = $runs ] && pass "$frames frames written" || fail "$frames frames written of $runs"
ok=$(count check 0 "" "$valid")
[ "$ok" = $runs ] && pass "$ok/$runs concurrent checks of one level ('$valid')" || {
  fail "$ok/$runs concurrent checks of one level succeeded"
  for ((i = 1; i <= runs; i++)); do head -3 "$work/check-$i.out"; done | sort | uniq -c
}

# A writer holds the file exclusively: every reader is kept out, with the same words as
# before readers could share it.
rm -rf "$work"/replay-* "$work"/check-*
(exec 9<> "$level" && flock -x 9 && touch "$work/held" && exec sleep 60) &
holder=$!
for _ in $(seq 100); do [ -e "$work/held" ] && break; sleep 0.1; done
runs=5
start_all "$work/gate"
reports="Couldn't open file
couldn't flush file buffers"
ok=$(count replay 3 "$reports
quellor-replay: $level: cannot be opened: another program holds the file" "")
[ "$ok" = $runs ] && pass "held by a writer: $ok/$runs replays refused, 'another program holds the file'" \
  || { fail "held by a writer: $ok/$runs replays refused as expected"; cat "$work/replay-1.err"; }
ok=$(count check 1 "$reports" "$level: cannot be opened: another program holds the file
$level: 1 problem")
[ "$ok" = $runs ] && pass "held by a writer: $ok/$runs checks refused, 'another program holds the file'" \
  || { fail "held by a writer: $ok/$runs checks refused as expected"; cat "$work/check-1.out" "$work/check-1.err"; }
kill "$holder"
wait "$holder" 2> /dev/null
holder=
"$tool" check "$level" > /dev/null && pass "released, it checks" || fail "released, check still fails"

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "concurrent readers: ok"
