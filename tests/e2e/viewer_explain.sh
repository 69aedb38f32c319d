#!/usr/bin/env bash
# The explainer's views in build/quellor on one X display (Xvfb when there is none), held
# against quellor-replay --explain of the same still view: F2 covers the plain frame's
# pixels in 3 depth colours; F3 then End shows the plain frame plus only the highlight;
# stepping back shows exactly replay's step picture; a click reports the wall the depth view
# colours there; F4 and F1 draw their panels; a resize while stepping keeps step mode;
# Escape lets the viewer go on; Q while stepping ends the viewer with status 0.
# Usage: viewer_explain.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$replay" "$probe"
need_commands xdotool
on_x_display 5000 "$@"
magick=/usr/bin/convert-im6.q16
work="$build_dir/e2e-viewer-explain"
rm -rf "$work" && mkdir -p "$work/run"
cp "$level" "$work/run/3rooms.b2"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"

(cd "$work/run" && "$replay" --level 3rooms.b2 --passes 3 --format pgm --explain 3 --out "$work/plain" \
  && "$replay" --level 3rooms.b2 --passes 3 --format pgm --view depth --out "$work/depth") > /dev/null \
  || { echo "FAIL: quellor-replay --explain"; exit 1; }
steps=$(($(wc -l < "$work/plain/steps.tsv") - 1))

shot() {
  # A shot taken while the window changes size can fail; the checks try again.
  "$probe" shot "$1" "$work/$2.ppm" 2> /dev/null || return 1
  [ -x "$magick" ] && "$magick" "ppm:$work/$2.ppm" "$work/$2.png" 2> /dev/null
  return 0
}
# check SHOT KIND FRAME...: the screenshot against replay frames (python below); tried for
# up to 3 seconds while the viewer takes the keys.
check() {
  local name=$1 what=$2 result=""
  shift 2
  for ((i = 0; i < 30; i++)); do
    if shot "$id" "$name" && result=$(python3 "$work/compare.py" "$work/$name.ppm" "$@"); then
      pass "$what ($result)"
      return 0
    fi
    sleep 0.1
  done
  fail "$what: $result (see $work/$name.png)"
}
send() { xdotool windowfocus --sync "$id" "$@"; }

cat > "$work/compare.py" <<'PY'
# compare.py SHOT.ppm MODE FRAME.pgm [MORE]: MODE is
#   equal T B       the shot equals the frame's colours, rows T to H-B (texts above and below)
#   covered T       non-black pixels of the shot are the frame's covered ones, below row T; 3 colours
#   highlight B     equal to the frame except in the highlight's colours, above the bottom B rows
#   differs X0 Y0   the shot differs from the frame somewhere right of X0 and below Y0 (a panel)
import sys
def palette():
    low = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),(192,220,192),(166,202,240)]
    high = [(255,251,240),(160,160,164),(128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
    p = [(0,0,0)] * 256
    for i in range(10): p[i] = low[i]; p[246 + i] = high[i]
    for r in range(6):
        for g in range(6):
            for b in range(6): p[10 + r*36 + g*6 + b] = (r*255//6, g*255//6, b*255//6)
    for i in range(20): p[226 + i] = (i*255//20,) * 3
    return p
def read(path):
    data = open(path, 'rb').read()
    parts = data.split(b'\n', 3)
    w, h = map(int, parts[1].split())
    return w, h, parts[3]
shot_path, mode, frame_path = sys.argv[1:4]
sw, sh, s = read(shot_path)
fw, fh, f = read(frame_path)
if (sw, sh) != (fw, fh):
    print(f'shot {sw}x{sh}, frame {fw}x{fh}'); sys.exit(1)
pal = palette()
px = lambda x, y: tuple(s[3*(y*sw + x):3*(y*sw + x) + 3])
idx = lambda x, y: f[y*fw + x]
bad = 0
if mode == 'equal':
    top, bottom = int(sys.argv[4]), int(sys.argv[5])
    bad = sum(px(x, y) != pal[idx(x, y)] for y in range(top, fh - bottom) for x in range(fw))
elif mode == 'covered':
    top = int(sys.argv[4])
    colours = set()
    for y in range(top, fh):
        for x in range(fw):
            c = px(x, y)
            bad += (c != (0, 0, 0)) != (idx(x, y) != 0)
            if c != (0, 0, 0): colours.add(c)
    if len(colours) != 3: print(f'{len(colours)} colours'); sys.exit(1)
elif mode == 'highlight':
    bottom = int(sys.argv[4])
    lit = {pal[255], pal[249]}
    changed = 0
    for y in range(fh - bottom):
        for x in range(fw):
            if px(x, y) != pal[idx(x, y)]:
                changed += 1
                bad += px(x, y) not in lit
    if changed == 0: print('no highlight'); sys.exit(1)
elif mode == 'differs':
    x0, y0 = int(sys.argv[4]), int(sys.argv[5])
    d = sum(px(x, y) != pal[idx(x, y)] for y in range(y0, fh) for x in range(x0, fw))
    print(f'{d} pixels of the panel'); sys.exit(0 if d > 500 else 1)
print(f'{bad} pixels wrong'); sys.exit(1 if bad else 0)
PY

plain="$work/plain/frame-000003.pgm"
depth="$work/depth/frame-000003.pgm"
(cd "$work/run" && exec "$quellor" --record "$work/recording.txt" > "$work/run.out" 2> "$work/run.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  check start "plain start view, every view off" "equal" "$plain" 0 0
  send key F2
  check depth "F2: the plain frame's pixels covered, 3 depth colours" "covered" "$depth" 26
  send key F2
  check plain-again "F2 again: the plain frame" "equal" "$plain" 0 0
  send key F3
  send key End
  check step-last "F3, End: the plain frame plus only the highlight" "highlight" "$plain" 40
  check step-last-replay "F3, End: replay's last step picture" "equal" \
    "$work/plain/step-$(printf %04d "$steps").pgm" 0 40
  send key Left key Left key Left
  check step-back "three steps back: replay's step $((steps - 3))" "equal" \
    "$work/plain/step-$(printf %04d $((steps - 3))).pgm" 0 40
  send key Home key Right key Right key Right key Right
  check step-4 "Home and four on: replay's step 4" "equal" "$work/plain/step-0004.pgm" 0 40
  # A click while stepping: the story is of the pass held.
  xdotool mousemove --window "$id" 160 120 click 1
  sleep 0.5
  story=$(grep '^pixel (160, 120)' "$work/run.out" | tail -1)
  if python3 - "$story" "$depth" "$work/plain/steps.tsv" <<'PY'; then
import re, sys
story, depth_path, table = sys.argv[1:4]
m = re.match(r'pixel \(160, 120\): room (\d+), polygon (\d+), depth (\d+), painted at step (\d+)', story)
assert m, story
room, polygon, depth, step = map(int, m.groups())
depth_colours = [254, 253, 251, 250, 252, 208, 147, 236]
data = open(depth_path, 'rb').read().split(b'\n', 3)
w = int(data[1].split()[0])
assert data[3][120 * w + 160] == depth_colours[depth], 'the depth view colours it at that depth'
row = [l.split('\t') for l in open(table)][step]
assert row[1] == 'wall' and int(row[2]) == room and int(row[4]) == polygon and int(row[3]) == depth, row
PY
    pass "a click reports the wall the depth view colours there: $story"
  else
    fail "click story: '$story'"
  fi
  send key F4
  check plan "F4: the plan panel over the frame" "differs" "$work/plain/step-0004.pgm" 160 120
  send key F4 key F1
  check help "F1: the help over the frame" "differs" "$work/plain/step-0004.pgm" 0 0
  send key F1
  # A resize while stepping (the story and caption take the bottom rows): still stepping, at the new size, the pass of the same camera.
  xdotool windowmove --sync "$id" 100 100
  xdotool windowsize --sync "$id" 400 300
  sleep 0.5
  check resized "resized while stepping: still the step's frame" "equal" \
    "$(cd "$work/run" && "$replay" --level 3rooms.b2 --size 400x300 --passes 3 --format pgm --explain 3 \
      --out "$work/sized" > /dev/null && echo "$work/sized/step-0004.pgm")" 0 90
  # The level file replaced while stepping: the new level's pass is stepped, at the same step.
  cp "$build_dir/two_rooms.b2" "$work/run/3rooms.b2.new" && mv "$work/run/3rooms.b2.new" "$work/run/3rooms.b2"
  check reloaded "a level reloaded while stepping: its pass at the same step" "equal" \
    "$(cd "$work/run" && "$replay" --level 3rooms.b2 --size 400x300 --passes 3 --format pgm --explain 3 \
      --out "$work/reloaded" > /dev/null && echo "$work/reloaded/step-0004.pgm")" 0 90
  send key Escape
  send key Up
  sleep 0.5
  if shot "$id" moving-a && sleep 0.3 && shot "$id" moving-b && ! "$probe" same "$work/moving-a.ppm" "$work/moving-b.ppm"; then
    pass "Escape: the viewer goes on (Up walks)"
  else
    fail "the viewer did not go on after Escape"
  fi
  send key space key F3
  sleep 0.3
  send key q
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && pass "Q while stepping ends the viewer with status 0" \
    || fail "Q while stepping: exit $exit_status"
else
  fail "no window"
fi
# Nothing pressed while stepping reached the recording: it has Up (pressed after Escape) and
# no Left, Right, Home or End (pressed only while stepping).
if grep -q ' key up$' "$work/recording.txt" && ! grep -qiE ' key (left|right|home|end)$' "$work/recording.txt"; then
  pass "the recording holds no key pressed while stepping"
else
  fail "recording: $(grep ' key ' "$work/recording.txt" | tr '\n' ';')"
fi
[ -s "$work/run.err" ] && { echo "quellor's standard error:"; cat "$work/run.err"; }
echo "viewer explain: $failures failure(s)"
[ "$failures" -eq 0 ]
