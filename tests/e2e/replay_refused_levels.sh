#!/usr/bin/env bash
# Levels quellor-replay cannot load say why, in one line after the reader's two reports,
# and end with status 3; a level the user may read but not write loads. Write permission
# means nothing to root, so those cases run as an unprivileged user (setpriv).
set -uo pipefail
build=$1
level=$build/3rooms.b2
[ -x "$build/quellor-replay" ] && [ -f "$level" ] || { echo "SKIP: needs quellor-replay and 3rooms.b2"; exit 77; }
nobody=65534
as_user=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv > /dev/null || { echo "SKIP: running as root without setpriv"; exit 77; }
  as_user=(setpriv --reuid=$nobody --regid=$nobody --clear-groups)
fi
command -v flock > /dev/null || { echo "SKIP: needs flock"; exit 77; }
work=$(mktemp -d)
holder=
trap '[ -n "$holder" ] && kill "$holder" 2> /dev/null; rm -rf "$work"' EXIT
failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The unprivileged user reaches the program, the levels and its output folder.
chmod 755 "$work"
cp "$build/quellor-replay" "$work/quellor-replay"
replay=$work/quellor-replay

# expect NAME STATUS REASON LEVEL [AS_USER...]: runs one pass; REASON empty means it loads.
expect() {
  local name=$1 status=$2 reason=$3 path=$4
  shift 4
  local out=$work/out-${name// /-}
  mkdir -m 777 "$out"
  timeout 10 "$@" "$replay" --level "$path" --out "$out" --format pgm > /dev/null 2> "$out.err"
  local rc=$?
  local err expected=""
  err=$(cat "$out.err")
  [ -n "$reason" ] && expected="Couldn't open file
couldn't flush file buffers
quellor-replay: $path: cannot be opened: $reason"
  if [ "$rc" = "$status" ] && [ "$err" = "$expected" ] && [ -f "$out/frame-000001.pgm" ]; then
    pass "$name: exit $status${reason:+, '$reason'}"
  else
    fail "$name: exit $rc, standard error '$err' (expected $status, '$expected')"
  fi
}

cp "$level" "$work/level.b2"
chmod 644 "$work/level.b2"
expect "writable level" 0 "" "$work/level.b2"
expect "missing" 3 "No such file or directory" "$work/none.b2"
mkdir "$work/folder.b2"
expect "folder" 3 "Is a directory" "$work/folder.b2"
mkfifo "$work/fifo.b2"
expect "FIFO" 3 "it is a FIFO, not a regular file" "$work/fifo.b2"
expect "device" 3 "it is a character device, not a regular file" /dev/null

# Read-only: the frame is the very one of the writable level.
cp "$level" "$work/readonly.b2"
chmod 444 "$work/readonly.b2"
expect "read-only level" 0 "" "$work/readonly.b2" "${as_user[@]}"
cmp -s "$work/out-writable-level/frame-000001.pgm" "$work/out-read-only-level/frame-000001.pgm" \
  && pass "read-only level: the same frame" || fail "read-only level: a different frame"
cp "$level" "$work/secret.b2"
chmod 000 "$work/secret.b2"
expect "unreadable level" 3 "Permission denied" "$work/secret.b2" "${as_user[@]}"

# Held exclusively by another program: refused whether write access is granted or not.
# hold FILE: a background process takes the lock and keeps it until it is killed.
hold() {
  rm -f "$work/held"
  (exec 9< "$1" && flock -x 9 && touch "$work/held" && exec sleep 60) &
  holder=$!
  for _ in $(seq 100); do [ -e "$work/held" ] && break; sleep 0.1; done
}
release() {
  kill "$holder"
  wait "$holder" 2> /dev/null
  holder=
}
hold "$work/readonly.b2"
expect "held, read-only" 3 "another program holds the file" "$work/readonly.b2" "${as_user[@]}"
release
hold "$work/level.b2"
expect "held, writable" 3 "another program holds the file" "$work/level.b2"
release
expect "released" 0 "" "$work/level.b2"

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "refused levels: ok"
