#!/usr/bin/env bash
# End-to-end run of build/deform on an X display (Xvfb when there is none) with
# Mesa's software renderer: the GL matrix stack agrees with the predicted region
# matrices, the window is "Deform" at 640 x 480, a screenshot shows a lit sphere,
# other keys are ignored, Escape exits with status 0, every array the program
# allocates is released at exit (valgrind), and a missing display is reported.
# Usage: deform.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

build_dir=$(cd "${1:?build folder}" && pwd)

if [ -z "${DISPLAY:-}" ]; then
  if ! command -v xvfb-run > /dev/null; then
    echo "SKIP: no DISPLAY and no xvfb-run (tools/install-deps.sh installs xvfb)"
    exit 77
  fi
  # A random first display number keeps parallel runs from racing for the same server;
  # -noreset because Xvfb may crash resetting itself between two GL clients.
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

export LIBGL_ALWAYS_SOFTWARE=1
deform="$build_dir/deform"
check="$build_dir/deform_matrix_check"
# ImageMagick by its full path: a `convert` earlier on PATH may be something else.
magick=/usr/bin/convert-im6.q16
work="$build_dir/e2e-deform"
rm -rf "$work" && mkdir -p "$work"

source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"

for tool in "$deform" "$check"; do
  [ -x "$tool" ] || { echo "FAIL: $tool is not built"; exit 1; }
done
for tool in xdotool xwininfo xwd valgrind "$magick"; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool missing (run tools/install-deps.sh)"; exit 1; }
done



press_escape() {
  xdotool windowfocus --sync "$1" key Escape
}

# 1. The region matrices read back from the GL stack equal the platform-free prediction.
if out=$("$check" 2>&1) && grep -q "matrices agree" <<< "$out"; then
  pass "$out"
else
  fail "GL matrices differ from the prediction:"; echo "$out" | head -20
fi

# 2. Window title and size, screenshot, ignored key, Escape.
"$deform" > "$work/run.out" 2>&1 &
pid=$!
if id=$(find_window "$pid" 15 Deform); then
  pass "window titled Deform"
  size=""
  for ((i = 0; i < 30; i++)); do
    size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$size" = "640x480" ] && break
    sleep 0.1
  done
  [ "$size" = "640x480" ] && pass "window is 640x480" || fail "window is $size, not 640x480"

  sleep 1  # let the animation run some frames
  xwd -id "$id" -silent -out "$work/frame.xwd"
  "$magick" "xwd:$work/frame.xwd" "$work/frame.png"
  # The centre of the window, where the sphere sits: its share of non-black pixels
  # and the number of distinct shades (flat lighting gives every facet its own).
  centre=("$magick" "$work/frame.png" -crop 240x240+200+120 +repage)
  lit=$("${centre[@]}" -colorspace Gray -threshold 5% -format '%[fx:mean]' info:)
  shades=$("${centre[@]}" -format '%k' info:)
  bright=$("${centre[@]}" -colorspace Gray -format '%[fx:maxima]' info:)
  corner=$("$magick" "$work/frame.png" -crop 40x40+0+0 +repage -colorspace Gray -format '%[fx:maxima]' info:)
  echo "screenshot $work/frame.png: lit share $lit, shades $shades, brightest $bright, corner $corner"
  awk -v l="$lit" 'BEGIN {exit !(l > 0.25)}' && pass "sphere covers the centre" || fail "centre mostly black ($lit)"
  [ "${shades:-0}" -ge 16 ] && pass "varied shading" || fail "only $shades shades in the centre"
  awk -v b="$bright" 'BEGIN {exit !(b > 0.6)}' && pass "lit faces are bright" || fail "brightest only $bright"
  awk -v c="$corner" 'BEGIN {exit !(c == 0)}' && pass "background cleared to black" || fail "corner not black ($corner)"

  xdotool windowfocus --sync "$id" key a space Return
  sleep 0.3
  kill -0 "$pid" 2> /dev/null && pass "other keys ignored" || fail "the program ended on a key other than Escape"

  press_escape "$id"
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "Escape exits with status 0" || fail "Escape: exit status $exit_status"
else
  fail "no window named Deform appeared"; cat "$work/run.out"
  kill "$pid" 2> /dev/null
fi

# 3. Under valgrind: after Escape no block allocated by the program's own code is
# left, reachable or lost, and no memory error lies in its code. Mesa and the X
# libraries keep (and lose) blocks of their own, which are not judged here.
valgrind --leak-check=full --show-leak-kinds=all --log-file="$work/valgrind.log" "$deform" \
  > "$work/valgrind.out" 2>&1 &
pid=$!
if id=$(find_window "$pid" 60 Deform); then
  sleep 1
  press_escape "$id"
  wait_exit "$pid" 60
  [ "$exit_status" = "0" ] && pass "Escape under valgrind exits with status 0" \
    || fail "valgrind run: exit status $exit_status"
  if ! grep -q "LEAK SUMMARY\|All heap blocks were freed" "$work/valgrind.log"; then
    fail "valgrind wrote no leak report"
  elif grep -q "deform::allocateBytes" "$work/valgrind.log"; then
    # Every array of the program comes from deform::allocateBytes.
    fail "arrays of the program still allocated at exit, see $work/valgrind.log:"
    grep -B3 -A8 "deform::allocateBytes" "$work/valgrind.log" | head -40
  elif grep -qE "^==[0-9]+== +at 0x[0-9A-F]+: deform::" "$work/valgrind.log"; then
    fail "memory errors in the program's own code, see $work/valgrind.log:"
    grep -B3 -A8 -E "^==[0-9]+== +at 0x[0-9A-F]+: deform::" "$work/valgrind.log" | head -40
  else
    pass "every array released at exit ($(grep -m1 'total heap usage' "$work/valgrind.log" | sed 's/^==[0-9]*== *//'))"
  fi
else
  fail "no window under valgrind"; cat "$work/valgrind.out"
  kill "$pid" 2> /dev/null
fi

# 4. Without a display the program says so and how to run it under Xvfb.
message=$(env -u DISPLAY "$deform" 2>&1)
status=$?
if [ "$status" = "1" ] && grep -q "xvfb-run" <<< "$message"; then
  pass "no display: exit 1 with a hint"
else
  fail "no display: status $status, message: $message"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all deform end-to-end checks passed"
