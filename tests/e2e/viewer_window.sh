#!/usr/bin/env bash
# End-to-end run of build/quellor on an X display (Xvfb when there is none), driven with
# xdotool: the window's title, size and place; screenshots that hold only palette colours
# and equal what quellor-replay draws for the same view (start view, overview, two window
# sizes); minimising and restoring; a held arrow turns until its release; Up then Q, and a
# window manager's close request, both exit with status 0; a missing level is reported and
# the window still runs; a missing display is reported with a hint.
# Usage: viewer_window.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$replay" "$probe"
need_commands xdotool xwininfo
on_x_display 5000 "$@"
# ImageMagick by its full path (a `convert` earlier on PATH may be something else); only
# used to keep PNG copies of the screenshots for people to look at.
magick=/usr/bin/convert-im6.q16
work="$build_dir/e2e-viewer-window"
rm -rf "$work" && mkdir -p "$work/run" "$work/nolevel" "$work/replay"
cp "$level" "$work/run/3rooms.b2"

source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"



client_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }

# Waits up to 3 seconds for the window's client area to be $2 ("WxH").
wait_size() {
  local size=""
  for ((i = 0; i < 30; i++)); do
    size=$(client_size "$1")
    [ "$size" = "$2" ] && return 0
    sleep 0.1
  done
  echo "client area is $size" >&2
  return 1
}

shot() {
  "$probe" shot "$1" "$work/$2.ppm" || return 1
  [ -x "$magick" ] && "$magick" "ppm:$work/$2.ppm" "$work/$2.png" 2> /dev/null
  return 0
}

# quellor-replay's frame of a still view: $1 names it, the rest are its options.
replay_frame() {
  local name=$1
  shift
  (cd "$work/run" && "$replay" --level 3rooms.b2 --passes 3 --format pgm --out "$work/replay/$name" "$@") \
    > "$work/replay/$name.out" 2>&1 || { echo "replay $name failed:"; cat "$work/replay/$name.out"; } >&2
  echo "$work/replay/$name/frame-000003.pgm"
}

# Screenshots window $1 as $2 until it equals replay frame $3 (up to 3 seconds: the
# viewer takes a pass or two to act on what it was sent). $4 describes the check.
expect_frame() {
  local id=$1 name=$2 frame=$3 what=$4 result=""
  for ((i = 0; i < 30; i++)); do
    shot "$id" "$name" || { result="no screenshot"; sleep 0.1; continue; }
    if result=$("$probe" compare "$work/$name.ppm" "$frame"); then
      pass "$what ($result)"
      return 0
    fi
    sleep 0.1
  done
  fail "$what: $result (see $work/$name.png)"
  return 1
}

send() { xdotool windowfocus --sync "$1" "${@:2}"; }

# Whether two screenshots of window $1, 0.2 seconds apart, differ ($2 names them); tried for
# up to 3 seconds, since a busy machine may take a while to deliver the keys.
view_changes() {
  for ((i = 0; i < 10; i++)); do
    if shot "$1" "$2-a" && sleep 0.2 && shot "$1" "$2-b"; then
      "$probe" same "$work/$2-a.ppm" "$work/$2-b.ppm" || return 0
    fi
  done
  return 1
}
# Whether two screenshots 0.2 seconds apart come out equal within 3 seconds.
view_settles() {
  for ((i = 0; i < 10; i++)); do
    if shot "$1" "$2-a" && sleep 0.2 && shot "$1" "$2-b"; then
      "$probe" same "$work/$2-a.ppm" "$work/$2-b.ppm" && return 0
    fi
  done
  return 1
}

still=$(replay_frame still)
echo "1 key z" > "$work/overview.txt"  # a file: scripts must be regular files, not pipes
overview=$(replay_frame overview --script "$work/overview.txt")
declare -A sized
sized[400x300]=$(replay_frame size400x300 --size 400x300)
sized[321x200]=$(replay_frame size321x200 --size 321x200)  # a 324-wide frame, 321 columns shown
nolevel=$(cd "$work/nolevel" && "$replay" --passes 1 --format pgm --out "$work/replay/nolevel" \
  > /dev/null 2>&1; echo "$work/replay/nolevel/frame-000001.pgm")

# 1. Window, start view, overview, sizes, turning, Up then Q.
(cd "$work/run" && exec "$quellor" > "$work/run.out" 2> "$work/run.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  name=$(xdotool getwindowname "$id")
  [ "$name" = "Ambrelle" ] && pass "window titled Ambrelle" || fail "window titled '$name'"
  wait_size "$id" 320x240 && pass "client area 320x240" || fail "client area is not 320x240"
  if [ -n "${QUELLOR_E2E_OWN_SERVER:-}" ]; then
    # No window manager here: the usable area is the screen, and there are no borders.
    read -r x y w h < <(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
      /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    if [ $((x + w)) = 1280 ] && [ $((y + h)) = $((1024 - 40)) ]; then
      pass "window at the screen's right edge, 40 pixels above its bottom ($x,$y)"
    else
      fail "window at ($x,$y) size ${w}x$h, not touching x=1280 and ending at y=984"
    fi
  fi

  expect_frame "$id" start "$still" "start view equals quellor-replay's"
  send "$id" key z
  expect_frame "$id" overview "$overview" "Z: overview equals quellor-replay's with key z"
  "$probe" same "$work/start.ppm" "$work/overview.ppm" && fail "the overview looks like the start view" \
    || pass "the overview differs from the walking view"
  send "$id" key x
  expect_frame "$id" back "$still" "X: back to the walking view"

  # Minimised, nothing can be seen and the loop waits for events instead of spinning; the
  # processor time it takes then is reported, not judged (the machine may be busy).
  ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2> /dev/null || echo 0; }
  before=$(ticks "$pid")
  sleep 1
  running=$(( $(ticks "$pid") - before ))
  "$probe" minimise "$id"
  sleep 0.3
  before=$(ticks "$pid")
  sleep 1
  minimised=$(( $(ticks "$pid") - before ))
  echo "processor time in 1 s: ${running} ticks running, ${minimised} ticks minimised (of $(getconf CLK_TCK))"
  "$probe" restore "$id"
  kill -0 "$pid" 2> /dev/null || fail "the program ended while minimised"
  expect_frame "$id" restored "$still" "restored after minimising: the view is back"

  # Grown in place the window would reach past the screen's edge, where X cannot read it back.
  xdotool windowmove --sync "$id" 100 100
  for size in 400x300 321x200; do
    xdotool windowsize "$id" "${size%x*}" "${size#*x}"
    if wait_size "$id" "$size"; then
      expect_frame "$id" "size$size" "${sized[$size]}" "resized to $size: the frame follows"
    else
      fail "the window did not take the size $size"
    fi
  done

  send "$id" keydown Left
  view_changes "$id" turning && pass "held Left turns the view" || fail "held Left: the view does not turn"
  send "$id" keyup Left
  view_settles "$id" stopped && pass "released Left: the turn stops" || fail "released Left: the view still changes"

  send "$id" key Up
  sleep 0.3
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "Up then Q exits with status 0" || fail "Up then Q: exit status $exit_status"
  [ -s "$work/run.err" ] && fail "unexpected messages on standard error: $(head -3 "$work/run.err")"
else
  fail "no window named Ambrelle appeared"; cat "$work/run.err"
  kill "$pid" 2> /dev/null
fi

# 2. A window manager's close request (WM_DELETE_WINDOW) ends the program with status 0.
(cd "$work/run" && exec "$quellor" > /dev/null 2> "$work/close.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  sleep 0.3
  "$probe" close "$id"
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "close request exits with status 0" \
    || fail "close request: exit status $exit_status"
else
  fail "no window for the close test"; cat "$work/close.err"
  kill "$pid" 2> /dev/null
fi

# 3. Without 3rooms.b2 the file reader's report appears and the window still runs.
(cd "$work/nolevel" && exec "$quellor" > /dev/null 2> "$work/nolevel.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  sleep 0.5
  grep -q "Couldn't open file" "$work/nolevel.err" && pass "missing level: \"Couldn't open file\" reported" \
    || fail "missing level: no report, standard error was: $(cat "$work/nolevel.err")"
  # The program's own folder has one: the last line says so.
  advice="quellor: 3rooms.b2 is in $build_dir/: start it there (cd $build_dir && ./quellor) or name it: $quellor $level"
  [ "$(tail -1 "$work/nolevel.err")" = "$advice" ] && pass "missing level: a line says where it is" \
    || fail "missing level: no line saying where the level is: $(cat "$work/nolevel.err")"
  kill -0 "$pid" 2> /dev/null && pass "missing level: the window still runs" || fail "missing level: the program ended"
  expect_frame "$id" nolevel "$nolevel" "missing level: an empty frame"
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "missing level: Q exits with status 0" || fail "missing level: exit status $exit_status"
else
  fail "missing level: no window"; cat "$work/nolevel.err"
  kill "$pid" 2> /dev/null
fi

# 4. Without a display: one message that says so and how to use Xvfb, exit status 1.
message=$(cd "$work/run" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$quellor" 2>&1)
status=$?
if [ "$status" = "1" ] && grep -q "xvfb-run" <<< "$message" && [ "$(wc -l <<< "$message")" = "1" ]; then
  pass "no display: exit 1 with a hint"
else
  fail "no display: status $status, message: $message"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all viewer window checks passed"
