#!/usr/bin/env bash
# A recording travels: a session in the real window, recorded while its level file is
# rebuilt twice (once into a file the loader refuses), plays back from another folder after
# the level file is deleted, frame for frame as the window showed it. The window's frames
# are its own F12 screenshots (taken from the frame it presented, at the pass whose
# messages carried F12, which the recording names "key other"); they must equal
# quellor-replay's frames of those passes byte for byte, 0 pixels apart.
# Usage: recording_travels.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_built "$quellor" "$replay" "$tool" "$probe"
need_commands xdotool
on_x_display 5000 "$@"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"
work="$build_dir/e2e-recording-travels"
rm -rf "$work" && mkdir -p "$work/session" "$work/elsewhere"
session=$work/session

"$tool" new "$session/level.json" > /dev/null && "$tool" build "$session/level.json" "$session/level.b2" > /dev/null ||
  { echo "FAIL: cannot make the level"; exit 1; }

shot() { "$probe" shot "$1" "$work/$2.ppm"; }
send() { xdotool windowfocus --sync "$1" "${@:2}"; }
# Two shots 0.2 s apart that are equal: the view has stopped moving (up to 5 s).
settle() {
  for ((i = 0; i < 25; i++)); do
    shot "$1" "$2" && sleep 0.2 && shot "$1" "$2-b" && "$probe" same "$work/$2.ppm" "$work/$2-b.ppm" && return 0
  done
  return 1
}
# F12, and wait for its screenshot (the n-th) to appear.
screenshots=0
screenshot() {
  send "$1" key F12
  screenshots=$((screenshots + 1))
  local name
  name=$(printf '%s/quellor-%04d.png' "$session" "$screenshots")
  for ((i = 0; i < 50; i++)); do [ -s "$name" ] && return 0; sleep 0.1; done
  fail "screenshot $screenshots was not written"
}

(cd "$session" && exec "$quellor" level.b2 --record rec.txt > "$session/run.out" 2> "$session/run.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  send "$id" key Right key Right key Up
  sleep 0.3
  send "$id" key space
  settle "$id" first || fail "the view does not settle"
  screenshot "$id"

  # Rebuilt once: room 0's ceiling comes down; the window shows it within seconds.
  sed -i '0,/"ceiling": 4$/s//"ceiling": 1.5/' "$session/level.json"
  "$tool" build "$session/level.json" "$session/level.b2" > /dev/null || fail "the rebuild failed"
  changed=""
  for ((i = 0; i < 100; i++)); do
    if shot "$id" rebuilt && ! "$probe" same "$work/first.ppm" "$work/rebuilt.ppm"; then changed=1; break; fi
    sleep 0.1
  done
  [ -n "$changed" ] && pass "the window shows the rebuilt level" || fail "the rebuild did not reach the window"
  settle "$id" rebuilt || fail "the view does not settle after the reload"
  screenshot "$id"
  # Frames while walking: each screenshot is the frame of its own pass.
  send "$id" key Up
  screenshot "$id"
  screenshot "$id"
  send "$id" key space

  # Rebuilt again, into a file the loader refuses: the shown level stays.
  printf 'not a level' > "$session/broken.b2" && mv "$session/broken.b2" "$session/level.b2"
  for ((i = 0; i < 50; i++)); do grep -q 'level shown stays' "$session/run.err" && break; sleep 0.1; done
  grep -q 'level shown stays' "$session/run.err" && pass "the refused file was reported" ||
    fail "the refused file was not reported"
  send "$id" key Left key Left key Down
  sleep 0.2
  send "$id" key space
  settle "$id" refused || fail "the view does not settle after the refusal"
  screenshot "$id"
  send "$id" key z
  sleep 0.2
  screenshot "$id"
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && pass "Q: exit 0" || fail "Q: exit status $exit_status"
else
  fail "no window named Ambrelle appeared"
  cat "$session/run.err"
  kill "$pid" 2> /dev/null
fi

rec=$session/rec.txt
versions=$(grep -c '^[0-9]* level ' "$rec")
[ "$versions" = 2 ] && pass "the recording carries 2 level versions (the start and the rebuild)" ||
  fail "the recording carries $versions level versions"
# The window's screenshots were taken at the passes whose messages carried F12.
passes=$(awk '$2 == "key" && $3 == "other" {print $1}' "$rec" | paste -sd, -)
count=$(echo "$passes" | tr ',' '\n' | grep -c .)
[ "$count" = "$screenshots" ] || fail "$count F12 passes recorded for $screenshots screenshots"

# Elsewhere, without the level file.
rm -f "$session/level.b2" "$session/level.json"
(cd "$work/elsewhere" && "$replay" --script ../session/rec.txt --shots "$passes" --out frames > /dev/null 2> replay.err)
status=$?
[ "$status" = 0 ] && pass "replayed from another folder without the level file" ||
  fail "replay: exit $status, $(cat "$work/elsewhere/replay.err")"
n=0
differing=0
for p in ${passes//,/ }; do
  n=$((n + 1))
  window=$(printf '%s/quellor-%04d.png' "$session" "$n")
  frame=$(printf '%s/elsewhere/frames/frame-%06d.png' "$work" "$p")
  if cmp -s "$window" "$frame"; then
    pixels=0
  else
    pixels=$(compare -metric AE "$window" "$frame" /dev/null 2>&1 || true)
    differing=$((differing + 1))
  fi
  echo "pass $p: $pixels pixels differ"
done
[ "$n" -gt 0 ] && [ "$differing" = 0 ] && pass "0 pixels differ at all $n compared passes ($passes)" ||
  fail "$differing of $n compared passes differ"
# The settled view after the rebuild, as the display showed it, is the replay's frame too.
rebuilt_pass=$(echo "$passes" | cut -d, -f2)
"$replay" --script "$rec" --shots "$rebuilt_pass" --format pgm --out "$work/pgm" > /dev/null 2>&1
result=$("$probe" compare "$work/rebuilt.ppm" "$(printf '%s/pgm/frame-%06d.pgm' "$work" "$rebuilt_pass")") &&
  pass "the display's pixels after the rebuild: $result" || fail "the display after the rebuild: $result"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all recording-travels checks passed"
