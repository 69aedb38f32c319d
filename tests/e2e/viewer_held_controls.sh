#!/usr/bin/env bash
# quellor --controls held on an X display (Xvfb when there is none), driven with xdotool:
# hold Left, press Up and keep holding it, then release Up, then Left. The recording
# (--record), played by quellor-replay, must show the turn going on through every pass
# from Left's press to its release whatever else arrived, walking only while Up was held,
# and nothing moving after both releases. Without the option, Up still walks on after its
# release, as it always did.
# Usage: viewer_held_controls.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_level "$level"
need_built "$quellor" "$replay"
need_commands xdotool
# The server's own key repeats are put off beyond the test's length: with held controls
# the viewer needs none, and the recording shows that.
on_x_display 30000 "$@"

work="$build_dir/e2e-viewer-held"
rm -rf "$work" && mkdir -p "$work"
cp "$level" "$work/3rooms.b2"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"

send() { xdotool windowfocus --sync "$1" "${@:2}"; }

# Runs quellor with the options given, holds Left, presses Up, lets Up go, then Left, and
# quits; the recording goes to $work/$1.txt.
drive() {
  local name=$1
  shift
  (cd "$work" && exec "$quellor" "$@" --record "$name.txt" > "$work/$name.out" 2> "$work/$name.err") &
  local pid=$!
  local id
  if ! id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
    fail "$name: no window"; cat "$work/$name.err"
    kill "$pid" 2> /dev/null
    return 1
  fi
  sleep 0.3
  send "$id" keydown Left
  sleep 0.5
  send "$id" keydown Up
  sleep 0.5
  send "$id" keyup Up
  sleep 0.5
  send "$id" keyup Left
  sleep 0.5
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = "0" ] || fail "$name: exit status $exit_status"
  [ -s "$work/$name.err" ] && fail "$name: unexpected messages on standard error: $(head -3 "$work/$name.err")"
  (cd "$work" && "$replay" --script "$name.txt" --shots none --out "$name") > /dev/null 2>&1 \
    || fail "$name: quellor-replay cannot play the recording"
}

# The pass of the first line of recording $1 whose event is $2.
pass_of() { awk -v e="$2" '!/^#/ { p = $1; $1 = ""; if (substr($0, 2) == e) { print p; exit } }' "$1"; }

drive held --controls held
rec="$work/held.txt"
left=$(pass_of "$rec" "key left")
up=$(pass_of "$rec" "key up")
up_off=$(pass_of "$rec" "release up")
left_off=$(pass_of "$rec" "release left")
echo "held: Left at pass $left, Up $up, Up released $up_off, Left released $left_off"
if [ -n "$left" ] && [ -n "$up" ] && [ -n "$up_off" ] && [ -n "$left_off" ] && [ "$left" -lt "$up" ] &&
   [ "$up" -lt "$up_off" ] && [ "$up_off" -lt "$left_off" ]; then
  # trace.tsv: pass room px py pz r00..r22 walk turnY overview width height.
  trace="$work/held/trace.tsv"
  read -r turning walking walk_after moved_after still_after < <(awk -v l="$left" -v u="$up" -v uo="$up_off" \
    -v lo="$left_off" -F'\t' 'NR > 1 {
      p = $1
      if (p >= l && p < lo && $16 == 32667) turning++
      if (p >= u && p < uo && $15 > 0.07) walking++
      if (p >= uo && $15 != 0) walk_after++
      if (p > uo + 1 && (last != "" && $3 $5 != last)) moved_after++
      if (p > lo && $16 != 0) still_after++
      last = $3 $5
    } END { print turning + 0, walking + 0, walk_after + 0, moved_after + 0, still_after + 0 }' "$trace")
  [ "$turning" = $((left_off - left)) ] && pass "held Left turns in all $turning passes until its release, Up or not" \
    || fail "held Left turned in $turning of $((left_off - left)) passes"
  [ "$walking" = $((up_off - up)) ] && pass "held Up walks in all $walking passes until its release" \
    || fail "held Up walked in $walking of $((up_off - up)) passes"
  [ "$walk_after" = 0 ] && [ "$moved_after" = 0 ] && pass "released Up: walking stops" \
    || fail "after Up's release: $walk_after passes walking, $moved_after moved"
  [ "$still_after" = 0 ] && pass "released Left: the turn stops" || fail "after Left's release: $still_after passes turning"
  grep -qx "$up_off key space" "$rec" && pass "the release of Up is followed by a Space in its pass" \
    || fail "no Space in pass $up_off"
else
  fail "held: the recording lacks the keys in order"; cat "$rec"
fi

# The classic controls: the same keys, and walking goes on after Up's release.
drive classic
trace="$work/classic/trace.tsv"
up_off=$(pass_of "$work/classic.txt" "release up")
if [ -n "$up_off" ]; then
  walk_after=$(awk -v uo="$up_off" -F'\t' 'NR > 1 && $1 > uo && $15 > 0.07 { n++ } END { print n + 0 }' "$trace")
  [ "$walk_after" -gt 0 ] && pass "classic controls: walking goes on after Up's release ($walk_after passes)" \
    || fail "classic controls: walking stopped at Up's release"
  grep -q " key space$" "$work/classic.txt" && fail "classic controls: a Space nobody typed" \
    || pass "classic controls: no Space added"
else
  fail "classic: no release of Up recorded"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all held-controls checks passed"
