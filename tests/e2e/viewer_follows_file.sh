#!/usr/bin/env bash
# The viewer follows its level file: under quellor-level build --watch, an edit of the JSON
# source changes the running window's picture within a few seconds, without a restart, and
# the camera the keys moved is kept (the window then shows what quellor-replay draws for
# the same recorded keys on the new level from the start). A file that is then refused
# keeps the shown level and is reported once.
# Usage: viewer_follows_file.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/x_display.bash"
need_built "$quellor" "$replay" "$tool" "$probe"
need_commands xdotool
on_x_display 5000 "$@"
source "$(dirname "${BASH_SOURCE[0]}")/x_window.bash"
work="$build_dir/e2e-viewer-follows-file"
rm -rf "$work" && mkdir -p "$work"
watcher=""
trap '[ -n "$watcher" ] && kill "$watcher" 2> /dev/null' EXIT

"$tool" new "$work/level.json" > /dev/null
"$tool" build --watch "$work/level.json" "$work/level.b2" > "$work/watch.log" 2>&1 &
watcher=$!
for ((i = 0; i < 100; i++)); do [ -s "$work/level.b2" ] && break; sleep 0.1; done
[ -s "$work/level.b2" ] || { echo "FAIL: build --watch made no level"; cat "$work/watch.log"; exit 1; }

shot() { "$probe" shot "$1" "$work/$2.ppm"; }
send() { xdotool windowfocus --sync "$1" "${@:2}"; }
# Two shots 0.2 s apart that are equal: the view has stopped moving (up to 5 s).
settle() {
  for ((i = 0; i < 25; i++)); do
    shot "$1" "$2" && sleep 0.2 && shot "$1" "$2-b" && "$probe" same "$work/$2.ppm" "$work/$2-b.ppm" && return 0
  done
  return 1
}

(cd "$work" && exec "$quellor" level.b2 --record rec.txt > "$work/run.out" 2> "$work/run.err") &
pid=$!
if id=$(find_window "$pid" 10 Ambrelle --onlyvisible); then
  # Turn away from the start and step forward, then stop.
  send "$id" key Right key Right key Right key Up
  sleep 0.3
  send "$id" key space
  settle "$id" before || fail "the view does not settle before the edit"

  # Room 0's ceiling comes down from 4 to 1.5.
  sed -i '0,/"ceiling": 4$/s//"ceiling": 1.5/' "$work/level.json"
  grep -q '"ceiling": 1.5$' "$work/level.json" || fail "the edit did not apply"
  started=$(date +%s%N)
  changed=""
  for ((i = 0; i < 100; i++)); do  # at most about 10 seconds
    if shot "$id" after && ! "$probe" same "$work/before.ppm" "$work/after.ppm"; then changed=1; break; fi
    sleep 0.1
  done
  ms=$((($(date +%s%N) - started) / 1000000))
  [ -n "$changed" ] && pass "the picture changed ${ms} ms after the edit" || fail "no change within ${ms} ms"
  settle "$id" after || fail "the view does not settle after the reload"

  # A file the loader refuses: the shown level stays, one report.
  kill "$watcher" && wait "$watcher" 2> /dev/null
  watcher=""
  printf 'not a level' > "$work/broken.b2" && mv "$work/broken.b2" "$work/level.b2"
  for ((i = 0; i < 50; i++)); do [ -s "$work/run.err" ] && break; sleep 0.1; done
  sleep 1.5  # more looks at the file than one: still one report
  lines=$(wc -l < "$work/run.err")
  [ "$lines" -ge 1 ] && pass "refused file reported: $(head -1 "$work/run.err")" || fail "refused file not reported"
  shot "$id" refused && "$probe" same "$work/after.ppm" "$work/refused.ppm" \
    && pass "refused file: the reloaded level stays shown" || fail "refused file changed the picture"
  send "$id" key q
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] && pass "Q: exit 0" || fail "Q: exit status $exit_status"
  reports=$(wc -l < "$work/run.err")
  [ "$reports" = "$lines" ] && pass "the refusal reported once ($reports line(s))" \
    || fail "the refusal reported again: $(cat "$work/run.err")"

  # The camera was kept: the recorded keys on the new level from the start give the window's frame.
  "$tool" build "$work/level.json" "$work/new.b2" > /dev/null
  last=$(awk '!/^#/ {p=$1} END {print p}' "$work/rec.txt")
  "$replay" --level "$work/new.b2" --script "$work/rec.txt" --passes "$last" --format pgm --out "$work/replay" > /dev/null
  result=$("$probe" compare "$work/after.ppm" "$work/replay/frame-$(printf %06d "$last").pgm") \
    && pass "camera kept: the window equals the replay on the new level ($result)" || fail "camera not kept: $result"
else
  fail "no window named Ambrelle appeared"; cat "$work/run.err"
  kill "$pid" 2> /dev/null
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all follow-the-file checks passed"
