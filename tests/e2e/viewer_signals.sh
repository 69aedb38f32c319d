#!/usr/bin/env bash
# build/quellor ends cleanly, with status 0, when sent SIGTERM or SIGINT: with the shipped
# level, while minimised (when the loop sleeps on events), and with a FIFO that no one
# writes as 3rooms.b2 (refused at open as "Couldn't open file"; the window runs on with an
# empty level until the signal). Runs under Xvfb when there is no display.
# Usage: viewer_signals.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$probe"
need_commands xdotool
on_x_display 5000 "$@"

work="$build_dir/e2e-viewer-signals"
rm -rf "$work" && mkdir -p "$work/level" "$work/fifo"
cp "$level" "$work/level/3rooms.b2"
mkfifo "$work/fifo/3rooms.b2"

source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"

# stop_case NAME FOLDER SIGNAL [minimise]: starts the viewer in FOLDER, waits for its
# window, sends SIGNAL and expects exit status 0 (10 s at most: past that it did not end).
stop_case() {
  local name=$1 folder=$2 signal=$3 minimise=${4:-}
  # A background job's SIGINT is ignored unless set back to the default.
  (cd "$folder" && exec env --default-signal=INT "$quellor" > /dev/null 2> "$work/$name.err") &
  local pid=$! id
  if ! id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
    fail "$name: no window"; cat "$work/$name.err"
    kill -KILL "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
    return
  fi
  sleep 0.3
  if [ -n "$minimise" ]; then
    "$probe" minimise "$id"
    sleep 0.5
  fi
  kill -"$signal" "$pid"
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && pass "$name: SIG$signal ends it with status 0" \
    || fail "$name: SIG$signal gives status $exit_status"
}

stop_case term "$work/level" TERM
[ -s "$work/term.err" ] && fail "term: unexpected messages: $(head -3 "$work/term.err")"
stop_case int "$work/level" INT
stop_case minimised "$work/level" TERM minimise
stop_case fifo "$work/fifo" TERM
if head -1 "$work/fifo.err" | grep -qx "Couldn't open file"; then
  pass "fifo: refused at open with \"Couldn't open file\""
else
  fail "fifo: standard error was: $(cat "$work/fifo.err")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all viewer signal checks passed"
