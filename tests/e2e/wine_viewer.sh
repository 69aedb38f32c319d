#!/usr/bin/env bash
# quellor.exe end to end under wine on a virtual X server: the window, the first frame
# against quellor-replay's, a resize, turning and walking from the keyboard, the overview
# keys, Q, the report of a missing level after which the viewer goes on, closing the
# window, the start-up failure without a display, and the palette built on an 8-bit display.
# Called as: wine_viewer.sh BUILD_DIR SOURCE_DIR [palette-display]
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$2
mode=${3:-}
exe=$build/win64/quellor.exe
replay=$build/quellor-replay
level=$build/3rooms.b2
convert=/usr/bin/convert-im6.q16  # by full path: a convert on PATH may be something else

skip() { echo "skipped: $*"; exit 77; }
command -v wine >/dev/null || skip "needs wine (Debian: wine, wine64)"
[ -f "$exe" ] || skip "needs $exe, made where x86_64-w64-mingw32-g++-posix is installed"
[ -x "$replay" ] && [ -f "$level" ] || skip "needs quellor-replay and 3rooms.b2"
for tool in xdotool xwininfo xwd python3 "$convert"; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || skip "needs a display or xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

# One prefix in the build folder, made on the first run: no Mono or Gecko prompts.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
shots=$build/wine-shots  # screenshots kept for a person to look at
mkdir -p "$shots"
viewer_pid=""
cleanup() {
  if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then kill "$viewer_pid" || true; fi
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$work/run/stderr" ] && { echo "--- viewer stderr:"; cat "$work/run/stderr"; }
  exit 1
}

if [ -z "$mode" ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  started=$(date +%s)
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot -i"; }
  wineserver -w
  echo "wine prefix made in $(($(date +%s) - started)) s, $(du -sh "$WINEPREFIX" | cut -f1)"
fi

# Image checks on screenshots (PPM) against the replay's frames (PGM indices, PNG palette).
cat >"$work/images.py" <<'PY'
import sys, struct

def read_pnm(path):
    data = open(path, "rb").read()
    fields, i = [], 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":  # a comment, such as the window's name
            i = data.index(b"\n", i)
            continue
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    return int(fields[1]), int(fields[2]), data[i + 1:]

def png_palette(path):
    data, i = open(path, "rb").read(), 8
    while i < len(data):
        n, kind = struct.unpack(">I4s", data[i:i + 8])
        if kind == b"PLTE":
            return [data[i + 8 + 3 * k:i + 11 + 3 * k] for k in range(n // 3)]
        i += 12 + n
    sys.exit("no palette in " + path)

def frame_part(path, width, height):
    w, h, rgb = read_pnm(path)
    if w < width or h < height:
        sys.exit("%s is %dx%d, smaller than the frame" % (path, w, h))
    return b"".join(rgb[y * w * 3:(y * w + width) * 3] for y in range(height))

def shown_width(path):
    return read_pnm(path)[0]

def as_colours(shot, palette):
    # Several entries share a colour (black is 0, 10 and 226): compare colours, not indices.
    first = {}
    canon = bytes(first.setdefault(c, k) for k, c in enumerate(palette))
    keys = bytearray()
    for o in range(0, len(shot), 3):
        k = first.get(shot[o:o + 3])
        if k is None:
            return None, canon
        keys.append(k)
    return bytes(keys), canon

command = sys.argv[1]
if command == "match":  # match SHOT PALETTE.png FRAME.pgm...: the passes whose frame it is
    palette = png_palette(sys.argv[3])
    found = []
    for path in sys.argv[4:]:
        w, h, indices = read_pnm(path)
        # A frame a few columns wider than the window (its width rounded up to a multiple
        # of 4) is compared where it shows.
        shown = min(w, shown_width(sys.argv[2]))
        indices = b"".join(indices[y * w:y * w + shown] for y in range(h))
        keys, canon = as_colours(frame_part(sys.argv[2], shown, h), palette)
        if keys is not None and indices.translate(canon) == keys:
            found.append(int(path.rsplit("-", 1)[1].split(".")[0]))
    print(" ".join(map(str, found)))
elif command == "same":  # same A B: the 320 x 240 frames are equal
    sys.exit(0 if frame_part(sys.argv[2], 320, 240) == frame_part(sys.argv[3], 320, 240) else 1)
elif command == "near":  # near SHOT PALETTE.png FRAME.pgm: as near as an 8-bit screen shows
    # The reserved colours 0-9 are in every colour map; the others come out as the nearest
    # colours the X server's shared map holds.
    palette = png_palette(sys.argv[3])
    w, h, indices = read_pnm(sys.argv[4])
    shot = frame_part(sys.argv[2], w, h)
    worst = 0
    for p, k in enumerate(indices):
        got, want = shot[3 * p:3 * p + 3], palette[k]
        if k < 10 and got != want:
            sys.exit("index %d shows %s, not %s" % (k, tuple(got), tuple(want)))
        worst = max(worst, max(abs(a - b) for a, b in zip(got, want)))
    if worst > 96:
        sys.exit("a colour is %d away from its palette entry" % worst)
elif command == "colours":  # colours SHOT Y0 Y1: the distinct colours of rows Y0 to Y1 - 1
    w, h, rgb = read_pnm(sys.argv[2])
    rows = rgb[int(sys.argv[3]) * w * 3:int(sys.argv[4]) * w * 3]
    print(" ".join(sorted({"%d,%d,%d" % tuple(rows[o:o + 3]) for o in range(0, len(rows), 3)})))
PY
images() { python3 "$work/images.py" "$@"; }

start_viewer() {  # start_viewer DIR: quellor.exe with DIR as its working folder
  (cd "$1" && exec wine "$exe" >"$1/stdout" 2>"$1/stderr") &
  viewer_pid=$!
}
find_window() {  # find_window TITLE: waits for a window of that exact title, prints its id
  { timeout 90 xdotool search --sync --name "^$1\$" || true; } | tail -1
}
focus() {
  timeout 10 xdotool windowfocus --sync "$1" || fail "cannot focus window $1"
  sleep 0.2
}
shot() {  # shot WINDOW FILE.ppm, after the viewer has had time to show a steady frame
  sleep "${3:-0.5}"
  xwd -id "$1" -silent | "$convert" xwd:- "ppm:$2"
}
reported() {  # reported LINE: how often the viewer wrote that line (Windows ends lines with CR LF)
  tr -d '\r' <"$work/run/stderr" | grep -cxF "$1"
}
expect_exit() {  # expect_exit STATUS: the viewer ends with it within 30 s
  local waited=0
  while kill -0 "$viewer_pid" 2>/dev/null; do
    [ $waited -lt 300 ] || fail "the viewer did not end"
    sleep 0.1
    waited=$((waited + 1))
  done
  local status=0
  wait "$viewer_pid" || status=$?
  viewer_pid=""
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# The replay's first frame, as indices and as a PNG that carries the palette.
"$replay" --level "$level" --format pgm --out "$work/start" >/dev/null
"$replay" --level "$level" --format png --out "$work/start" >/dev/null
palette=$work/start/frame-000001.png

if [ "$mode" = palette-display ]; then
  # An 8-bit display has a palette: the program's palette is built in its three stages
  # (a stage that failed would end the start), the bitmap's colours follow it, and the
  # first frame shows each index in its colour as near as the display can.
  depth=$(xwininfo -root | awk '/Depth:/ {print $2}')
  [ "$depth" -eq 8 ] || fail "the palette display is $depth bits deep"
  mkdir -p "$work/run"
  cp "$level" "$work/run/3rooms.b2"
  start_viewer "$work/run"
  win=$(find_window Ambrelle)
  [ -n "$win" ] || fail "no window on the 8-bit display"
  shot "$win" "$work/p0.ppm" 1
  "$convert" "$work/p0.ppm" "$shots/first-frame-8bit.png"
  images near "$work/p0.ppm" "$palette" "$work/start/frame-000001.pgm" \
    || fail "the first frame's colours on the 8-bit display"
  focus "$win"
  xdotool key q
  expect_exit 0
  [ ! -s "$work/run/stderr" ] || fail "reports on the 8-bit display"
  echo "palette display: ok"
  exit 0
fi

# The passes of a turn to the left from the start, a thousand at a time: a loaded machine
# may deliver the key's release late, and the turn goes on until it comes.
printf '1 key left\n' >"$work/turn.txt"
turn_frames() {  # turn_frames K: the frames of passes 1000*(K-1)+1 to 1000*K in $work/turn
  rm -rf "$work/turn"
  "$replay" --level "$level" --script "$work/turn.txt" --passes $((1000 * $1)) \
    --shots "$(seq -s, $((1000 * $1 - 999)) $((1000 * $1)))" --format pgm --out "$work/turn" >/dev/null
}

mkdir -p "$work/run"
cp "$level" "$work/run/3rooms.b2"
start_viewer "$work/run"
win=$(find_window Ambrelle)
[ -n "$win" ] || fail "no window titled Ambrelle"

# Geometry. The outer size is reckoned for a menu bar that the window does not have, so
# the client area is 320 wide and taller than 240 by that bar; the frame is the top 240 rows.
info=$(xwininfo -id "$win")
width=$(awk '/^  Width:/ {print $2}' <<<"$info")
height=$(awk '/^  Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
root=$(xwininfo -root)
screen_w=$(awk '/^  Width:/ {print $2}' <<<"$root")
screen_h=$(awk '/^  Height:/ {print $2}' <<<"$root")
[ "$width" -eq 320 ] || fail "client width $width"
[ "$height" -gt 240 ] && [ "$height" -le 280 ] || fail "client height $height: 240 and a menu bar"
right_gap=$((screen_w - left - width))
bottom_gap=$((screen_h - top - height))
[ $right_gap -ge 0 ] && [ $right_gap -le 16 ] || fail "not at the screen's right edge: $right_gap"
[ $bottom_gap -ge 40 ] && [ $bottom_gap -le 60 ] || fail "not 40 above the bottom: $bottom_gap"

# The first frame is the replay's first frame, pixel for pixel through the palette; the rows
# below it show the window class's background.
shot "$win" "$work/s0.ppm" 1
[ "$(images match "$work/s0.ppm" "$palette" "$work/start/frame-000001.pgm")" = 1 ] \
  || fail "first frame differs from quellor-replay's"
below=$(images colours "$work/s0.ppm" 240 "$height")
[ "$(wc -w <<<"$below")" -eq 1 ] || fail "rows below the frame: $below"
"$convert" "$work/s0.ppm" "$shots/first-frame.png"

# A new client size rebuilds the frame at that size, its width rounded up to a multiple of
# 4 (301 gives 304, of which 301 columns show); the old size brings the first frame back.
printf '1 size 301 200\n' >"$work/size.txt"
"$replay" --level "$level" --script "$work/size.txt" --format pgm --out "$work/size" >/dev/null
xdotool windowsize "$win" 301 200
shot "$win" "$work/r1.ppm" 1
[ "$(images match "$work/r1.ppm" "$palette" "$work/size/frame-000001.pgm")" = 1 ] \
  || fail "the frame at 301 x 200 differs from quellor-replay's"
xdotool windowsize "$win" 320 240
shot "$win" "$work/r2.ppm" 1
images same "$work/s0.ppm" "$work/r2.ppm" || fail "back at 320 x 240, not the first frame"

# Turn: left held briefly. The turn stops with the batch that carries the key's release,
# and the frame is the replay's after some count of turning passes.
focus "$win"
xdotool keydown Left
sleep 0.03
xdotool keyup Left
shot "$win" "$work/s1.ppm"
shot "$win" "$work/s1b.ppm" 0.3
images same "$work/s1.ppm" "$work/s1b.ppm" || fail "still turning after the release"
! images same "$work/s0.ppm" "$work/s1.ppm" || fail "left did not turn"
turned=""
for k in 1 2 3 4 5 6 7 8; do
  turn_frames $k
  turned=$(images match "$work/s1.ppm" "$palette" "$work"/turn/frame-*.pgm)
  [ -z "$turned" ] || break
done
[ -n "$turned" ] || fail "the turned frame is none of the replay's first 8000 turning passes"
echo "turned: the replay's frame after $turned pass(es)"

# Walk: up, then space a moment later. The frame is steady and is the replay's after the
# same turn and some count of walking passes (a wall may stop the walk before the space).
focus "$win"
xdotool key Up
sleep 0.05
xdotool key space
shot "$win" "$work/s2.ppm"
shot "$win" "$work/s2b.ppm" 0.3
images same "$work/s2.ppm" "$work/s2b.ppm" || fail "still walking after space"
! images same "$work/s1.ppm" "$work/s2.ppm" || fail "up did not walk"
walked=""
for j in $(cut -d' ' -f1-3 <<<"$turned"); do
  printf '1 key left\n%d release left\n%d key up\n' $((j + 1)) $((j + 2)) >"$work/walk.txt"
  rm -rf "$work/walk"
  "$replay" --level "$level" --script "$work/walk.txt" --passes $((j + 801)) \
    --shots "$(seq -s, $((j + 2)) $((j + 801)))" --format pgm --out "$work/walk" >/dev/null
  walked=$(images match "$work/s2.ppm" "$palette" "$work"/walk/frame-*.pgm)
  [ -z "$walked" ] || break
done
[ -n "$walked" ] || fail "the walked frame is none of the replay's after 1 to 800 walking passes"
read -r -a passes <<<"$walked"
echo "walked: the replay's frame at passes ${passes[0]} to ${passes[-1]} (${#passes[@]} show it)"

# Z shows the overview; X the walking camera's frame again, unchanged.
# Late under load, the key's pass may come after the first shot: up to five seconds. Under
# load wine may also lose a key sent while it moves the focus; Z and X are idempotent, so
# the key is sent again (with the focus) every few shots.
focus "$win"
xdotool key z
for k in 1 2 3 4 5 6 7 8 9 10; do
  shot "$win" "$work/s3.ppm"
  ! images same "$work/s2.ppm" "$work/s3.ppm" && break
  [ $((k % 4)) -ne 0 ] || { focus "$win"; xdotool key z; }
done
! images same "$work/s2.ppm" "$work/s3.ppm" || fail "z did not switch to the overview"
xdotool key x
for k in 1 2 3 4 5 6 7 8 9 10; do
  shot "$win" "$work/s4.ppm"
  images same "$work/s2.ppm" "$work/s4.ppm" && break
  [ $((k % 4)) -ne 0 ] || { focus "$win"; xdotool key x; }
done
images same "$work/s2.ppm" "$work/s4.ppm" || fail "x did not switch back"

# The explainer's views, drawn into the frame: F2 the depth view (no pixel a wall covered
# left black: depth colours are never black), F2 again the frame as it was; F3 and End the
# frame plus only the highlight (white and red), Home the first step, Escape back.
cat >"$work/views.py" <<'PY'
import sys
def read(path):
    data = open(path, "rb").read()
    fields, i = [], 0
    while len(fields) < 4:
        while data[i:i + 1].isspace(): i += 1
        if data[i:i + 1] == b"#": i = data.index(b"\n", i); continue
        j = i
        while not data[j:j + 1].isspace(): j += 1
        fields.append(data[i:j]); i = j
    w, h = int(fields[1]), int(fields[2])
    return w, data[i + 1:]
mode, a, b = sys.argv[1:4]
w, pa = read(a)
_, pb = read(b)
px = lambda p, k: p[3 * k:3 * k + 3]
n = w * 240
changed = [k for k in range(n) if px(pa, k) != px(pb, k)]
if not changed: sys.exit(1)
if mode == "depth":
    sys.exit(1 if any(px(pb, k) == b"\0\0\0" and px(pa, k) != b"\0\0\0" for k in range(n)) else 0)
if mode == "highlight":
    sys.exit(1 if any(px(pb, k) not in (b"\xff\xff\xff", b"\xff\0\0") for k in changed) else 0)
PY
xdotool key F2
shot "$win" "$work/e1.ppm"
python3 "$work/views.py" depth "$work/s2.ppm" "$work/e1.ppm" || fail "F2: not the depth view of the frame"
"$convert" "$work/e1.ppm" "$shots/depth-view.png"
xdotool key F2
shot "$win" "$work/e2.ppm"
images same "$work/s2.ppm" "$work/e2.ppm" || fail "F2 again: not the frame as it was"
xdotool key F3
sleep 0.3
xdotool key End
shot "$win" "$work/e3.ppm"
python3 "$work/views.py" highlight "$work/s2.ppm" "$work/e3.ppm" || fail "F3, End: not the frame plus the highlight"
"$convert" "$work/e3.ppm" "$shots/step-last.png"
xdotool key Home
shot "$win" "$work/e4.ppm"
! images same "$work/e3.ppm" "$work/e4.ppm" || fail "Home in step mode did not go back to the first step"
xdotool key Escape
shot "$win" "$work/e5.ppm"
images same "$work/s2.ppm" "$work/e5.ppm" || fail "Escape: not the frame as it was"
echo "explainer views: ok"

# Q ends the viewer with status 0 and takes the window with it.
xdotool key q
expect_exit 0
[ -z "$(xdotool search --name '^Ambrelle$' 2>/dev/null)" ] || fail "window left after Q"
[ ! -s "$work/run/stderr" ] || fail "reports on a good level: $(cat "$work/run/stderr")"

# A missing level: "Couldn't open file", then the flush of the handle that never opened.
# Each report is a message box whose default button goes on; the viewer then runs on an
# empty world until its window is closed.
rm -rf "$work/run"
mkdir -p "$work/run"
start_viewer "$work/run"
reports=("Couldn't open file" "couldn't flush file buffers")
for n in 0 1; do
  box=$(find_window "Ambrelle - error report")
  [ -n "$box" ] || fail "no report box for: ${reports[$n]}"
  reported "${reports[$n]}" >/dev/null || fail "report $((n + 1)) is not: ${reports[$n]}"
  [ $n -eq 1 ] || xwd -id "$box" -silent | "$convert" xwd:- "$shots/report-box.png"
  focus "$box"
  xdotool key Return
  waited=0
  while xdotool search --name '^Ambrelle - error report$' 2>/dev/null | grep -qx "$box"; do
    [ $waited -lt 100 ] || fail "the report box stays after Return"
    sleep 0.1
    waited=$((waited + 1))
  done
done
win=$(find_window Ambrelle)
shot "$win" "$work/s5.ppm" 1
[ "$(images colours "$work/s5.ppm" 0 240)" = "0,0,0" ] || fail "an empty world is not all index 0"
kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended after the reports"
[ "$(reported "Couldn't open file")" -eq 1 ] || fail "open reported twice"
[ "$(reported "couldn't flush file buffers")" -eq 1 ] || fail "flush reported twice"
# Closing the window (Alt+F4 sends the close) also ends it with status 0.
focus "$win"
xdotool key alt+F4
expect_exit 0

# Without a display no window can be made: a message says so and the exit status is 1.
wineserver -k 2>/dev/null || true
wineserver -w
rm -rf "$work/run"
mkdir -p "$work/run"
cp "$level" "$work/run/3rooms.b2"
status=0
(cd "$work/run" && env -u DISPLAY timeout 60 wine "$exe" >stdout 2>stderr) || status=$?
[ $status -eq 1 ] || fail "start without a display: exit status $status, expected 1"
[ "$(tr -d '\r' <"$work/run/stderr")" = "quellor: Ambrelle cannot start: cannot create the window." ] \
  || fail "start-up failure message"

# The same first frame on an 8-bit display, where the palette is built.
wineserver -k 2>/dev/null || true
wineserver -w
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x8" bash "$0" "$build" "$source_dir" palette-display \
    || fail "the run on an 8-bit display"
fi
echo "wine viewer end to end: ok"
