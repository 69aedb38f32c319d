#!/usr/bin/env bash
# quellor-level build --watch on a source that is not there yet: it says it waits for the
# file, builds it when it appears, and stops on Ctrl-C (SIGINT) with its closing line.
set -euo pipefail
BUILD_DIR=$1
name=level_watch_waits
source "$(dirname "${BASH_SOURCE[0]}")/source_watch.bash"

# Job control, so the background watcher gets Ctrl-C as a terminal would send it (a
# script's background jobs otherwise ignore SIGINT).
set -m
"$tool" build --watch "$work/later.json" "$work/later.b2" > "$work/log" 2>&1 &
watcher=$!
set +m

waiting="quellor-level: waiting for $work/later.json to appear (Ctrl-C stops)"
for _ in $(seq 100); do grep -qxF "$waiting" "$work/log" && break; sleep 0.1; done
grep -qxF "$waiting" "$work/log" || fail "no word of waiting for the source"
grep -q "later.json: cannot be read" "$work/log" || fail "the missing source was not reported first"
[ "$(grep -n "" "$work/log" | grep -F "$waiting" | cut -d: -f1)" -gt "$(grep -n "cannot be read" "$work/log" | cut -d: -f1)" ] ||
  fail "the waiting line came before the error"

"$tool" new "$work/later.json" > /dev/null
wait_rooms "$work/later.b2" 2

kill -INT "$watcher"
status=0
wait "$watcher" || status=$?
watcher=""
[ "$status" -eq 0 ] || fail "Ctrl-C ended the watch with status $status"
grep -q "stopped watching" "$work/log" || fail "Ctrl-C did not stop the watch cleanly"
echo "level_watch_waits: waited, built the source that appeared, stopped on Ctrl-C"
