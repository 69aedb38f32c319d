#!/usr/bin/env bash
# Walks the shipped level with quellor-replay: a small turn to the right, then straight
# ahead, from the start in room 0 through the ramp (room 1) into the gallery (room 2).
# The room column of the trace must read 0, then 1, then 2, and nothing else.
# Called as: level_walk.sh BUILD_DIR SOURCE_DIR. Exits 77 when quellor-replay is not built.
set -euo pipefail
build=$1
replay=$build/quellor-replay
level=$build/3rooms.b2

if [ ! -x "$replay" ]; then
  echo "level_walk: $replay is not built; skipped"
  exit 77
fi
if [ ! -f "$level" ]; then
  echo "level_walk: $level is missing (the build makes it from levels/3rooms.json)"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Pass 1 turns right by 100 angle units (about 1.1 degrees); pass 2 sets the walking
# speed, 0.08 a pass, which lasts. 170 passes carry the eye from z = 0 to about z = 13.6.
cat > "$work/walk.txt" <<'SCRIPT'
1 key right
2 key up
SCRIPT

"$replay" --level "$level" --script "$work/walk.txt" --passes 170 --shots none --out "$work/out"

trace=$work/out/trace.tsv
if [ ! -s "$trace" ]; then
  echo "level_walk: no trace written"
  exit 1
fi

# The rooms in the order the eye entered them, repeats folded.
rooms=$(awk -F'\t' 'NR > 1 && (NR == 2 || $2 != last) { printf "%s%s", sep, $2; sep = " "; last = $2 }' "$trace")
last=$(tail -n 1 "$trace" | awk -F'\t' '{ printf "pass %s room %s at (%s, %s, %s)", $1, $2, $3, $4, $5 }')
if [ "$rooms" != "0 1 2" ]; then
  echo "level_walk: rooms visited: '$rooms', expected '0 1 2'; last line: $last"
  exit 1
fi
echo "level_walk: rooms 0 1 2 in order; $last"
