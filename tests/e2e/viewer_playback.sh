#!/usr/bin/env bash
# End-to-end playback in the window (build/quellor --play) on an X display (Xvfb when there
# is none): opened with --at N --paused at random passes, and moved with Home, End, Left,
# Right, Page Up and Page Down, the window shows exactly quellor-replay's frame of the pass
# (all but the progress bar's rows; F12's screenshot, the frame itself, byte for byte).
# The explainer on a paused pass: F2 is quellor-replay --view depth's frame, F3 and End its
# --explain picture of the last step, F3 again and Right the next pass; F3 while playing
# pauses, Escape leaves step mode and then the playback. T takes over with --record: the new
# recording plays back to what the window showed, and the recording played is not changed.
# A refused level version in a recording is reported once. A recording that cannot be played is refused before
# any window opens.
# Usage: viewer_playback.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$replay" "$probe"
need_commands xdotool
on_x_display 5000 "$@"
bar_rows=25  # the progress bar's and its status line's, drawn over the frame's bottom rows
magick=/usr/bin/convert-im6.q16
work="$build_dir/e2e-viewer-playback"
rm -rf "$work" && mkdir -p "$work/run" "$work/replay"
cp "$level" "$work/run/3rooms.b2"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"

# A session of 900 passes: walking, turning both ways, the overview, two resizes.
{
  printf '# quellor recording: play it back with quellor-replay --script FILE\n'
  printf '# level: 3rooms.b2\n# first client size: 320x240\n# quellor 1.0.0\n'
  printf '1 key left\n'
  for p in $(seq 2 30); do printf '%d key left\n' "$p"; done
  printf '31 release left\n40 key up\n90 key space\n'
  for p in $(seq 100 2 160); do printf '%d key right\n' "$p"; done
  printf '170 key up\n230 key space\n250 size 400 300\n300 key z\n360 key x\n'
  for p in $(seq 400 470); do printf '%d key left\n' "$p"; done
  printf '480 key down\n560 key space\n600 size 321 200\n'
  for p in $(seq 610 680); do printf '%d key right\n' "$p"; done
  printf '700 key up\n780 key space\n900 mouse\n'
} > "$work/run/rec.txt"
total=900
original=$(md5sum < "$work/run/rec.txt")

at=()
for _ in 1 2 3; do at+=($((150 + RANDOM % (total - 150)))); done
wanted="1,$total"
for n in "${at[@]}"; do wanted="$wanted,$n,$((n - 1)),$((n + 1)),$((n - 99)),$((n + 100 > total ? total : n + 100))"; done
wanted="$wanted,$((total - 100)),$((total - 101)),$((total - 1))"
wanted=$(tr ',' '\n' <<< "$wanted" | sort -un | paste -sd,)
(cd "$work/run" && "$replay" --script rec.txt --shots "$wanted" --format pgm --out "$work/replay/pgm" > /dev/null &&
  "$replay" --script rec.txt --shots "$wanted" --out "$work/replay/png" > /dev/null) ||
  { echo "FAIL: quellor-replay could not draw the passes"; exit 1; }
frame() { printf '%s/replay/pgm/frame-%06d.pgm' "$work" "$1"; }

shot() {
  "$probe" shot "$1" "$work/$2.ppm" || return 1
  [ -x "$magick" ] && "$magick" "ppm:$work/$2.ppm" "$work/$2.png" 2> /dev/null
  return 0
}
# Screenshots window $1 until, above the bar, it equals frame $2 (up to $4 seconds, 3 when
# not given). $3 says what.
expect_pass() {
  local id=$1 n=$2 what=$3 seconds=${4:-3} result="" name
  name="shot-$(tr -c 'a-zA-Z0-9' '-' <<< "$what")"
  for ((i = 0; i < seconds * 10; i++)); do
    if shot "$id" "$name" && result=$("$probe" compare "$work/$name.ppm" "$(frame "$n")" "$bar_rows"); then
      pass "$what shows pass $n ($result)"
      return 0
    fi
    sleep 0.1
  done
  fail "$what: not pass $n: $result (see $work/$name.png)"
}
send() { xdotool windowfocus --sync "$1" "${@:2}"; }

# 1. Opened at a pass, paused; then moved about by the keys.
first=${at[0]}
(cd "$work/run" && exec "$quellor" --play rec.txt --at "$first" --paused > "$work/play.out" 2> "$work/play.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  # Room for the recorded sizes on the screen, where X can read the window back.
  xdotool windowmove --sync "$id" 100 100
  expect_pass "$id" "$first" "--at $first --paused"
  send "$id" key F12
  for ((i = 0; i < 30; i++)); do [ -s "$work/play.out" ] && break; sleep 0.1; done
  screenshot="$work/run/$(head -1 "$work/play.out")"
  cmp -s "$screenshot" "$(printf '%s/replay/png/frame-%06d.png' "$work" "$first")" &&
    pass "F12 at pass $first writes quellor-replay's PNG byte for byte" ||
    fail "F12 at pass $first: $screenshot differs from quellor-replay's PNG"
  send "$id" key Left
  expect_pass "$id" $((first - 1)) "Left from $first"
  send "$id" key Right key Right
  expect_pass "$id" $((first + 1)) "Right twice"
  send "$id" key Page_Up
  expect_pass "$id" $((first - 99)) "Page Up"
  send "$id" key End
  expect_pass "$id" "$total" "End"
  send "$id" key Page_Up
  expect_pass "$id" $((total - 100)) "Page Up from the end"
  send "$id" key Left
  expect_pass "$id" $((total - 101)) "Left after it"
  send "$id" key Home
  expect_pass "$id" 1 "Home"
  for n in "${at[@]:1}"; do
    send "$id" key End
    expect_pass "$id" "$total" "End"
    send "$id" key Home
    for ((k = 0; k < n / 100; k++)); do send "$id" key Page_Down; done
    for ((k = 0; k < n % 100; k++)); do send "$id" key Right; done
    expect_pass "$id" "$((n + 1))" "Home, Page Down and Right to $((n + 1))"
    send "$id" key Left
    expect_pass "$id" "$n" "Left to $n"
    send "$id" key Page_Down
    expect_pass "$id" "$((n + 100 > total ? total : n + 100))" "Page Down from $n"
  done
  # Played on from the start at 8x (= is + without Shift) it reaches the end and stops there.
  send "$id" key Home key equal key equal key equal key space
  expect_pass "$id" "$total" "Space from Home at 8x plays to the end" 20
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "Q ends the playback with status 0" || fail "Q: exit status $exit_status"
else
  fail "no window for --play"; cat "$work/play.err"
  kill "$pid" 2> /dev/null
fi

# 1b. The explainer's keys on the paused pass.
n=${at[2]}
(cd "$work/run" && "$replay" --script rec.txt --shots "$n" --view depth --out "$work/replay/depth" > /dev/null &&
  "$replay" --script rec.txt --passes "$n" --explain "$n" --out "$work/replay/explain" > /dev/null) ||
  fail "quellor-replay --view depth / --explain $n"
steps=$(($(wc -l < "$work/replay/explain/steps.tsv") - 1))
# F12 $1 is what; $2 the PNG it must equal byte for byte.
shot_is() {
  local before
  before=$(grep -c '\.png$' "$work/explain.out")
  send "$id" key F12
  for ((i = 0; i < 30; i++)); do
    [ "$(grep -c '\.png$' "$work/explain.out")" -gt "$before" ] && break
    sleep 0.1
  done
  local written
  written="$work/run/$(grep '\.png$' "$work/explain.out" | tail -1)"
  cmp -s "$written" "$2" && pass "$1: F12 writes $(basename "$2") of quellor-replay byte for byte" ||
    fail "$1: $written differs from $2"
}
(cd "$work/run" && exec "$quellor" --play rec.txt --at "$n" --paused > "$work/explain.out" 2> "$work/explain.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  xdotool windowmove --sync "$id" 100 100
  frame() { printf '%s/replay/pgm/frame-%06d.pgm' "$work" "$1"; }
  expect_pass "$id" "$n" "explainer: --at $n --paused"
  send "$id" key F2
  sleep 0.3
  shot "$id" explain-depth
  shot_is "F2 at pass $n" "$(printf '%s/replay/depth/frame-%06d.png' "$work" "$n")"
  send "$id" key F2
  expect_pass "$id" "$n" "F2 again: the plain pass $n"
  send "$id" key F3
  sleep 0.3
  send "$id" key End
  sleep 0.3
  shot "$id" explain-step
  shot_is "F3 and End at pass $n" "$(printf '%s/replay/explain/step-%04d.png' "$work" "$steps")"
  send "$id" key Home key Right
  sleep 0.3
  shot_is "then Home and Right" "$work/replay/explain/step-0001.png"
  send "$id" key F3
  expect_pass "$id" "$n" "F3 leaves step mode at pass $n"
  send "$id" key Right
  expect_pass "$id" $((n + 1)) "then Right"
  shot_is "Right after step mode" "$(printf '%s/replay/png/frame-%06d.png' "$work" $((n + 1)))"
  xdotool mousemove --window "$id" 160 100 click 1
  for ((i = 0; i < 30; i++)); do grep -q '^pixel (160, 100)' "$work/explain.out" && break; sleep 0.1; done
  grep -q '^pixel (160, 100)' "$work/explain.out" && pass "a click tells the pixel's story: $(grep '^pixel' "$work/explain.out")" ||
    fail "a click told no story"
  # F3 while playing pauses on the pass shown; Escape leaves step mode, paused.
  send "$id" key Home key space
  sleep 0.3
  send "$id" key F3
  sleep 0.3
  send "$id" key Escape
  sleep 0.3
  shot "$id" explain-paused-1
  sleep 0.5
  shot "$id" explain-paused-2
  cmp -s "$work/explain-paused-1.ppm" "$work/explain-paused-2.ppm" && pass "F3 paused the playback" ||
    fail "F3 while playing: the playback goes on (see $work/explain-paused-*.png)"
  kill -0 "$pid" 2> /dev/null && pass "Escape in step mode leaves step mode, not the playback" ||
    fail "Escape in step mode ended the playback"
  send "$id" key F1 key F4
  sleep 0.3
  shot "$id" explain-help-plan
  send "$id" key Escape
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "Escape out of step mode ends the playback, status 0" ||
    fail "Escape: exit status $exit_status"
else
  fail "no window for the explainer's playback"; cat "$work/explain.err"
  kill "$pid" 2> /dev/null
fi
frame() { printf '%s/replay/pgm/frame-%06d.pgm' "$work" "$1"; }

# 2. Taken over at a pass with --record: one session that plays back as the window showed it.
take=${at[1]}
(cd "$work/run" && exec "$quellor" --play rec.txt --at "$take" --paused --record new.txt \
  > /dev/null 2> "$work/take.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  xdotool windowmove --sync "$id" 100 100
  expect_pass "$id" "$take" "before taking over"
  # Live: a stop, a turn of one pass, the overview; then the view stands still.
  send "$id" key t
  sleep 0.2
  send "$id" key space
  sleep 0.2
  send "$id" key Left
  sleep 0.2
  send "$id" key z
  sleep 0.5
  shot "$id" live || fail "no screenshot of the live window"
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "taken over, Q exits with status 0" || fail "take over: exit status $exit_status"
  [ "$(md5sum < "$work/run/rec.txt")" = "$original" ] && pass "the recording played is unchanged" ||
    fail "taking over changed the recording played"
  if [ -f "$work/run/new.txt" ]; then
    last=$(grep -v '^#' "$work/run/new.txt" | tail -1 | cut -d' ' -f1)
    [ "$last" -gt "$take" ] && pass "the new recording goes on from pass $take to $last" ||
      fail "the new recording ends at pass $last, not after $take"
    # It carries its level: played where no level file is.
    mkdir -p "$work/elsewhere" && cp "$work/run/new.txt" "$work/elsewhere/"
    (cd "$work/elsewhere" && "$replay" --script new.txt --shots "$take,$last" --format pgm --out "$work/replay/new" \
      > /dev/null) || fail "quellor-replay cannot play the new recording without the level file"
    cmp -s "$work/replay/new/frame-$(printf %06d "$take").pgm" "$(frame "$take")" &&
      pass "the new recording's pass $take is the old one's" || fail "the new recording's pass $take differs"
    # The view stands still (overview) once Z is taken: the last pass is what the window showed.
    result=$("$probe" compare "$work/live.ppm" "$work/replay/new/frame-$(printf %06d "$last").pgm") &&
      pass "the new recording plays back to the window's live frame ($result)" ||
      fail "the new recording's last frame is not the window's: $result (see $work/live.png)"
  else
    fail "--record wrote no new.txt: $(cat "$work/take.err")"
  fi
else
  fail "no window for the take-over"; cat "$work/take.err"
  kill "$pid" 2> /dev/null
fi

# 3. A recording that carries its level and two later versions, played where no level file is.
carry() { printf '%d level %d %s\n' "$1" "$(stat -c %s "$2")" "$(basename "$2")"; base64 -w 76 "$2"; }
mkdir -p "$work/empty"
{
  head -4 "$work/run/rec.txt"
  carry 0 "$level"
  carry 300 "$build_dir/eight_rooms.b2"
  carry 650 "$build_dir/two_rooms.b2"
  grep -v '^#' "$work/run/rec.txt"
} > "$work/empty/carried.txt"
versions=(1 299 300 301 $((300 + RANDOM % 350)) 649 650 $((650 + RANDOM % 250)))
(cd "$work/empty" && "$replay" --script carried.txt --shots "$(IFS=,; echo "${versions[*]}" | tr ' ' ',')" \
  --format pgm --out "$work/replay/carried" > /dev/null) || fail "quellor-replay cannot play carried.txt"
carried_frame() { printf '%s/replay/carried/frame-%06d.pgm' "$work" "$1"; }
"$probe" same "$(carried_frame 299)" "$(carried_frame 300)" 2> /dev/null && fail "pass 300 shows no other level"
mid=${versions[4]}
(cd "$work/empty" && exec "$quellor" --play carried.txt --at "$mid" --paused > /dev/null 2> "$work/carried.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  xdotool windowmove --sync "$id" 100 100
  frame() { carried_frame "$1"; }
  expect_pass "$id" "$mid" "carried levels: --at $mid --paused"
  send "$id" key End
  send "$id" key Home
  expect_pass "$id" 1 "carried levels: End then Home"
  for n in 301 649 650 "${versions[7]}" 300 299; do
    send "$id" key Home
    for ((k = 0; k < (n - 1) / 100; k++)); do send "$id" key Page_Down; done
    for ((k = 0; k < (n - 1) % 100; k++)); do send "$id" key Right; done
    expect_pass "$id" "$n" "carried levels: from Home to $n"
  done
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] && pass "carried levels: Q exits with status 0" || fail "carried levels: exit $exit_status"
  [ -s "$work/carried.err" ] && fail "carried levels: unexpected messages: $(head -3 "$work/carried.err")"
else
  fail "no window for carried.txt"; cat "$work/carried.err"
  kill "$pid" 2> /dev/null
fi

# 3b. A version the loader refuses, at pass 400: said once, with file and line, as
# quellor-replay says it; the playback goes on with the level shown.
{
  head -4 "$work/run/rec.txt"
  carry 0 "$level"
  printf 'not a level\n' > "$work/empty/junk.b2"
  carry 400 "$work/empty/junk.b2"
  grep -v '^#' "$work/run/rec.txt"
} > "$work/empty/refused.txt"
refused_line=$(grep -n '^400 level ' "$work/empty/refused.txt" | cut -d: -f1)
(cd "$work/empty" && "$replay" --script refused.txt --shots 401 --format pgm --out "$work/replay/refused" > /dev/null \
  2> "$work/refused-replay.err")
(cd "$work/empty" && exec "$quellor" --play refused.txt --at 401 --paused > /dev/null 2> "$work/refused.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  xdotool windowmove --sync "$id" 100 100
  frame() { printf '%s/replay/refused/frame-%06d.pgm' "$work" "$1"; }
  expect_pass "$id" 401 "a refused version at 400: pass 401 as quellor-replay plays it"
  send "$id" key q
  wait_exit "$pid" 10
  said=$(cat "$work/refused.err")
  grep -q "^quellor: refused.txt:$refused_line: .*(the level shown stays)$" <<< "$said" && [ "$(wc -l <<< "$said")" = 1 ] &&
    pass "a refused version is said once: $said (quellor-replay: $(cat "$work/refused-replay.err"))" ||
    fail "a refused version: '$said'"
else
  fail "no window for refused.txt"; cat "$work/refused.err"
  kill "$pid" 2> /dev/null
fi

# 4. Recordings that cannot be played: refused before a window opens, exit 2, saying why.
printf '1 key up\n2 jump\n' > "$work/run/bad.txt"
refused() {
  local what=$1 expect=$2
  shift 2
  message=$(cd "$work/run" && timeout 10 "$quellor" "$@" 2>&1)
  status=$?
  if [ "$status" = "2" ] && grep -q -- "$expect" <<< "$message" && ! xdotool search --name '^Ambrelle$' > /dev/null; then
    pass "$what: exit 2, '$message'"
  else
    fail "$what: status $status, message: $message"
  fi
}
refused "a line it cannot read" "bad.txt:2:" --play bad.txt
refused "a missing recording" "missing.txt" --play missing.txt
refused "--at past the end" "has passes 1 to $total" --play rec.txt --at $((total + 1))
printf '1 key up\n' > "$work/run/nolevel.txt"
refused "a level that does not load" "cannot be loaded" --play nolevel.txt /nonexistent.b2

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all playback window checks passed"
