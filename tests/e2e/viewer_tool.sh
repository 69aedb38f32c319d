#!/usr/bin/env bash
# quellor as a tool: its command line without a display (help, version, bad options and an
# unwritable recording, each before any window); then, on an X display (Xvfb when there is
# none), a window driven with keys, a resize and full screen while recording, F12 at the
# end: the recording plays back in quellor-replay to the frame the window shows, and the
# F12 screenshot is byte for byte quellor-replay's PNG of the same pass. Full screen
# without a window manager is refused with a reason, from a key and from --fullscreen.
# Usage: viewer_tool.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$replay" "$probe"
need_commands xdotool
on_x_display 5000 "$@"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"
work="$build_dir/e2e-viewer-tool"
rm -rf "$work" && mkdir -p "$work/run" "$work/replay"
cp "$level" "$work/run/3rooms.b2"

# 1. The command line, with no display at all: nothing here may need a window.
nodisplay() { (cd "$work/run" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$quellor" "$@"); }
out=$(nodisplay --help 2>&1); status=$?
[ "$status" = 0 ] && grep -q "Usage: quellor" <<< "$out" && grep -q -- "--record" <<< "$out" \
  && pass "--help: usage, exit 0" || fail "--help: status $status: $out"
version=$(sed -n 's/.*QuellorVersion = "\(.*\)";/\1/p' "$build_dir/generated/quellor/version.h")
out=$(nodisplay --version 2>&1); status=$?
[ "$status" = 0 ] && [ "$out" = "quellor $version" ] && pass "--version: '$out'" || fail "--version: $status '$out'"
for bad in "--bogus" "--size 0x240" "--size 320" "--size 20000x100" "--size -5x5" "a.b2 b.b2" "--record"; do
  # shellcheck disable=SC2086
  out=$(nodisplay $bad 2>&1); status=$?
  if [ "$status" = 2 ] && [ "$(wc -l <<< "$out")" = 1 ] && [[ "$out" == quellor:* ]]; then
    pass "'$bad': one line, exit 2"
  else
    fail "'$bad': status $status, said: $out"
  fi
done
out=$(nodisplay --record "$work/no/such/folder/rec.txt" 2>&1); status=$?
[ "$status" = 2 ] && grep -q "No such file or directory" <<< "$out" && [ "$(wc -l <<< "$out")" = 1 ] \
  && pass "--record into a missing folder: exit 2 before a window ($out)" || fail "--record missing folder: $status $out"

# 2. A driven, recorded window; F12 at the end.
(cd "$work/run" && exec "$quellor" --record rec.txt > "$work/run.out" 2> "$work/run.err") &
pid=$!
send() { xdotool windowfocus --sync "$1" "${@:2}"; }
client_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
wait_size() {
  for ((i = 0; i < 50; i++)); do [ "$(client_size "$1")" = "$2" ] && return 0; sleep 0.1; done
  return 1
}
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  send "$id" key Up && sleep 0.3 && send "$id" key space
  send "$id" key Left key Left key z key x key a key Right
  xdotool windowmove --sync "$id" 100 100
  xdotool windowsize "$id" 400 300
  wait_size "$id" 400x300 && pass "resized to 400x300" || fail "the window did not take 400x300"
  send "$id" key Down && sleep 0.2 && send "$id" key space
  sleep 0.5
  send "$id" key F12
  for ((i = 0; i < 50; i++)); do [ -s "$work/run.out" ] && break; sleep 0.1; done
  shotname=$(head -1 "$work/run.out")
  [ "$shotname" = "quellor-0001.png" ] && pass "F12 printed $shotname" || fail "F12 printed '$shotname'"
  "$probe" shot "$id" "$work/window.ppm" || fail "no screenshot of the window"
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && pass "Q: exit 0" || fail "Q: exit status $exit_status"
  [ -f "$work/run/rec.txt" ] && [ ! -e "$work/run/rec.txt.partial" ] && pass "recording finished in place" \
    || fail "recording not in place: $(ls "$work/run")"

  # The recording, played back: the F12 pass's PNG and the last frame.
  rec=$work/run/rec.txt
  last=$(awk '!/^#/ {p=$1} END {print p}' "$rec")
  f12=$(awk '!/^#/ && $2 == "key" && $3 == "other" {p=$1} END {print p}' "$rec")
  echo "recording: $(grep -vc '^#' "$rec") messages in $last passes, F12 in pass $f12"
  grep -q " size 400 300$" "$rec" && pass "the resize is in the recording" || fail "no resize in the recording"
  (cd "$work/run" && "$replay" --level 3rooms.b2 --script "$rec" --passes "$last" --shots "$f12,$last" \
    --out "$work/replay/png" > /dev/null && "$replay" --script "$rec" --format pgm --out "$work/replay/pgm" \
    > /dev/null) || fail "quellor-replay of the recording failed"
  # (The second run names nothing but the recording: its header gives the level and the
  # first size, and its last line the number of passes.)
  cmp -s "$work/run/$shotname" "$work/replay/png/frame-$(printf %06d "$f12").png" \
    && pass "F12's PNG is quellor-replay's PNG of pass $f12, byte for byte" || fail "F12's PNG differs from the replay's"
  result=$("$probe" compare "$work/window.ppm" "$work/replay/pgm/frame-$(printf %06d "$last").pgm") \
    && pass "the window's last frame is the replay's last frame ($result)" || fail "window vs replay: $result"
  # And a frame that is not the start view: the keys did something.
  "$replay" --level "$work/run/3rooms.b2" --passes 1 --format pgm --out "$work/replay/start" > /dev/null
  "$probe" compare "$work/window.ppm" "$work/replay/start/frame-000001.pgm" > /dev/null 2>&1 \
    && fail "the driven window still shows the start view" || pass "the driven window moved away from the start"
else
  fail "no window named Ambrelle appeared"; cat "$work/run.err"
  kill "$pid" 2> /dev/null
fi

# 3. Full screen; SIGTERM ends a recording run cleanly: the recording is put in place, ending in close.
(cd "$work/run" && exec "$quellor" --record term.txt > /dev/null 2> "$work/term.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  sleep 0.3
  # Full screen. Without a window manager (our own Xvfb) X would leave the window as it is
  # while SDL reported the desktop's size: the viewer says why, once a press, and the window
  # and the frame stay as they are. With one, the frame follows what is reported, and the
  # recording holds it.
  partial=$work/run/term.txt.partial
  wait_line() { for ((i = 0; i < 50; i++)); do [ "$(grep -c -- "$1" "$partial")" -ge "$2" ] && return 0; sleep 0.1; done; return 1; }
  refusals() { grep -c "^quellor: cannot go to full screen: .*no window manager" "$work/term.err"; }
  wait_refusals() { for ((i = 0; i < 50; i++)); do [ "$(refusals)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
  send "$id" key F11
  if [ -n "${QUELLOR_E2E_OWN_SERVER:-}" ]; then
    if wait_refusals 1 && [ "$(wc -l < "$work/term.err")" = 1 ]; then
      pass "F11 without a window manager: one line says why ($(cat "$work/term.err"))"
    else
      fail "F11 without a window manager: standard error was: $(cat "$work/term.err")"
    fi
    send "$id" key alt+Return
    wait_refusals 2 && pass "Alt+Enter without a window manager: said again" || fail "Alt+Enter: no reason given"
    size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$size" = 320x240 ] && ! grep -q "^[0-9]* size " "$partial" && pass "the window and the frame stay 320x240" \
      || fail "after a refused full screen: window $size, recording: $(grep "^[0-9]* size " "$partial")"
    # A window manager's claim on the root window: the request goes to SDL again.
    xprop -root -f _NET_SUPPORTING_WM_CHECK 32x -set _NET_SUPPORTING_WM_CHECK "$id"
    send "$id" key F11
    wait_line " size 1280 1024$" 1 && pass "F11 with a window manager: desktop full screen, the frame follows" \
      || fail "F11 with a window manager: no new size in the recording"
    xprop -root -remove _NET_SUPPORTING_WM_CHECK
  else
    if wait_line " size 1280 1024$" 1; then
      pass "F11: desktop full screen, the frame follows (1280x1024)"
    elif grep -q "full screen" "$work/term.err"; then
      pass "F11: refused with a reason: $(cat "$work/term.err")"
    else
      fail "F11: neither full screen nor a reason"
    fi
    send "$id" key alt+Return
  fi
  wait_line " key other$" 3 && pass "F11 and Alt+Enter reach the frame pass as ignored keys" \
    || fail "F11/Alt+Enter key-downs missing from the recording"
  kill -0 "$pid" 2> /dev/null && pass "the viewer runs on after the toggles" || fail "the viewer ended"
  kill -TERM "$pid"
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && tail -1 "$work/run/term.txt" | grep -q " close$" \
    && pass "SIGTERM: exit 0, recording ends with close" || fail "SIGTERM: status $exit_status, $(tail -1 "$work/run/term.txt")"
else
  fail "no window for the SIGTERM run"; kill "$pid" 2> /dev/null
fi

# 4. --fullscreen without a window manager: said once, and the window opens at 320x240.
if [ -n "${QUELLOR_E2E_OWN_SERVER:-}" ]; then
  (cd "$work/run" && exec "$quellor" --fullscreen --record full.txt > /dev/null 2> "$work/full.err") &
  pid=$!
  if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
    sleep 0.5
    size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    kill -TERM "$pid"
    wait_exit "$pid" 10
    if [ "$(cat "$work/full.err")" = "quellor: --fullscreen: this X display has no window manager to grant it, so the window stays as it is" ] \
      && [ "$size" = 320x240 ] && ! grep -q "^[0-9]* size " "$work/run/full.txt"; then
      pass "--fullscreen without a window manager: one line, a 320x240 window and frame"
    else
      fail "--fullscreen without a window manager: window $size, said: $(cat "$work/full.err")"
    fi
  else
    fail "no window for the --fullscreen run"; kill "$pid" 2> /dev/null
  fi
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all viewer tool checks passed"
