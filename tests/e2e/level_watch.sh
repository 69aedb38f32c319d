#!/usr/bin/env bash
# quellor-level build --watch through a sequence of edits, one of them broken: every good
# version is rebuilt, the broken one is reported and leaves the last good level file.
set -euo pipefail
BUILD_DIR=$1
name=level_watch
source "$(dirname "${BASH_SOURCE[0]}")/source_watch.bash"

"$tool" new "$work/src.json" > /dev/null
"$tool" build --watch "$work/src.json" "$work/out.b2" > "$work/log" 2>&1 &
watcher=$!
wait_rooms "$work/out.b2" 2

# A third room beside the first, added after the last one so room 0 still holds the start.
python3 - "$work/src.json" <<'PY'
import sys
p = sys.argv[1]
s = open(p).read()
side = '{"name": "side", "outline": [[10, -4], [14, -4], [14, 6], [10, 6]], "floor": -4, "ceiling": 4}'
s = s.replace('\n    }\n  ],\n  "doors"', '\n    },\n    ' + side + '\n  ],\n  "doors"', 1)
open(p + ".tmp", "w").write(s)
PY
mv "$work/src.json.tmp" "$work/src.json"
wait_rooms "$work/out.b2" 3

# Broken: the watcher says where, and the last good level stays.
cp "$work/src.json" "$work/good.json"
printf '{"rooms": [\n  {"name": "x", "outline": [[0, 0], [1, 0]]\n' > "$work/src.json"
for _ in $(seq 100); do grep -q "src.json:" "$work/log" && break; sleep 0.1; done
grep -q "src.json:" "$work/log" || fail "the broken source was not reported"
"$tool" check "$work/out.b2" | grep -q "valid level, 3 rooms" || fail "the last good level was not kept"

# Fixed by going back to two rooms.
"$tool" new "$work/two.json" > /dev/null
cp "$work/two.json" "$work/src.json"
wait_rooms "$work/out.b2" 2

kill "$watcher"
wait "$watcher" || true
watcher=""
grep -q "stopped watching" "$work/log" || fail "the watcher did not stop cleanly"
leftovers=$(ls -A "$work" | grep -v -x -e src.json -e out.b2 -e log -e good.json -e two.json || true)
[ -z "$leftovers" ] || fail "files left behind: $leftovers"
echo "level_watch: rebuilt through 3 edits and a broken one"
