#!/usr/bin/env bash
# The renderer's frames, byte for byte, against digests taken from a renderer whose
# output is trusted. Speed work on the frame pass (spans, clear, traversal) must leave
# every pixel as it was: quellor-replay runs the benchmark's camera paths and a script of
# overview, resizes and walking into walls over the shipped level, the eight-room sample
# and the large-polygon sample at several sizes, and the md5 of each run's frames (PGM,
# in pass order) must equal the committed one in expected_frames.md5. Large frames are
# written by a row writer, one of three back ends the processor picks from; the check runs
# once with each writer this processor has (QUELLOR_ROW_WRITER forces one), the SSE2 one
# always, and says which ran.
#
# Usage: frames_unchanged.sh BUILD_DIR SOURCE_DIR [--update]
# --update rewrites expected_frames.md5 from the current build. Do that only when the
# pictures are meant to change (a level source was edited, or the drawing rules were),
# never to make a speed change pass.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
source_dir=$(cd "${2:?source folder}" && pwd)
update=${3:-}
replay=$build/quellor-replay
expected=$source_dir/tests/e2e/expected_frames.md5
paths=$source_dir/bench/paths

for level in 3rooms eight_rooms big_polygons; do
  [ -f "$build/$level.b2" ] || { echo "SKIP: needs $build/$level.b2 (built with the levels)"; exit 77; }
done
[ -x "$replay" ] || { echo "SKIP: needs quellor-replay"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Overview on and off, resizes to odd heights and a width that is rounded up, walking
# backwards and into walls and corners so that walls come within the clipping tolerance
# of the eye and project far beyond the frame.
cat > "$work/mixed.txt" <<'S'
1 key up
40 key left
90 key z
91 key up
130 key x
131 size 1000 701
160 key right
200 key down
240 key left
260 size 97 331
261 key left
300 key z
320 size 2001 1203
330 key x
331 key up
400 key right
430 key up
470 key space
S

# One line per run: level, script, size, shots, md5 of the frames in pass order.
digest_runs() {
  local level script passes size shots name list
  while read -r level script passes size shots; do
    name=$level-$(basename "$script" .txt)-$size-${QUELLOR_ROW_WRITER:-any}  # writers run side by side
    # "every:N" shoots every N-th pass, "all" every pass.
    list=$shots
    [ "${shots#every:}" = "$shots" ] || list=$(seq "${shots#every:}" "${shots#every:}" "$passes" | paste -sd, -)
    "$replay" --level "$build/$level.b2" --script "$script" --passes "$passes" --size "$size" \
      --shots "$list" --format pgm --out "$work/$name" > /dev/null
    local frames
    frames=$(find "$work/$name" -name 'frame-*.pgm' | sort)
    [ -n "$frames" ] || { echo "FAIL: no frames from $name" >&2; exit 1; }
    printf '%s %s %s %s %s\n' "$level" "$(basename "$script")" "$size" "$shots" \
      "$(cat $frames | md5sum | cut -d' ' -f1)"
    rm -rf "${work:?}/$name"
  done
}

# Every run's digest line, the levels' first.
all_digests() {
  for level in 3rooms eight_rooms big_polygons; do
    md5=$(md5sum < "$build/$level.b2" | cut -d' ' -f1)
    echo "level $level.b2 $md5"
  done
  digest_runs <<RUNS
3rooms $paths/3rooms.txt 570 320x240 all
3rooms $paths/3rooms.txt 570 640x480 all
3rooms $paths/3rooms.txt 570 1280x960 every:2
3rooms $paths/3rooms.txt 570 1920x1080 every:5
3rooms $paths/3rooms.txt 570 2048x2048 every:19
3rooms $paths/3rooms.txt 570 321x199 all
eight_rooms $paths/eight_rooms.txt 926 320x240 all
eight_rooms $paths/eight_rooms.txt 926 640x480 all
eight_rooms $paths/eight_rooms.txt 926 1280x960 every:2
eight_rooms $paths/eight_rooms.txt 926 1920x1080 every:7
eight_rooms $paths/eight_rooms.txt 926 2048x2048 every:31
3rooms $work/mixed.txt 480 640x480 all
eight_rooms $work/mixed.txt 480 640x480 all
big_polygons $work/mixed.txt 480 640x480 all
big_polygons $paths/3rooms.txt 570 1280x960 every:3
RUNS
}

if [ "$update" = "--update" ]; then
  (unset QUELLOR_ROW_WRITER; all_digests) > "$expected"
  echo "wrote $expected"
  exit 0
fi

[ -f "$expected" ] || { echo "FAIL: no $expected (make it with --update)"; exit 1; }
ran=() skipped=()
for writer in sse2 avx2 avx512; do
  # quellor-replay refuses a writer the processor cannot run, before drawing anything.
  if ! QUELLOR_ROW_WRITER=$writer "$replay" --level "$build/3rooms.b2" --passes 0 --shots none \
    --out "$work/probe" > /dev/null 2> "$work/probe.err"; then
    if grep -q 'this processor cannot run' "$work/probe.err" && [ "$writer" != sse2 ]; then
      skipped+=("$writer")
      continue
    fi
    echo "FAIL: quellor-replay with the $writer row writer: $(cat "$work/probe.err")"
    exit 1
  fi
  ran+=("$writer")
done
# The writers' runs side by side (the test has the machine to itself: one core a writer).
pids=()
for writer in "${ran[@]}"; do
  (QUELLOR_ROW_WRITER=$writer all_digests > "$work/actual-$writer.md5") &
  pids+=($!)
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "FAIL: the runs with the ${ran[$i]} row writer did not finish"; exit 1; }
done
for writer in "${ran[@]}"; do
  # Digests are only comparable over the same level files.
  if ! diff <(grep '^level ' "$expected") <(grep '^level ' "$work/actual-$writer.md5") > "$work/levels.diff"; then
    echo "FAIL: the level files differ from those the digests were taken over:"
    cat "$work/levels.diff"
    echo "If only the levels changed, take new digests with a renderer known to be right:"
    echo "  bash tests/e2e/frames_unchanged.sh BUILD_DIR . --update"
    exit 1
  fi
  if ! diff "$expected" "$work/actual-$writer.md5"; then
    echo "FAIL: frames changed with the $writer row writer (lines above: expected <, actual >)"
    exit 1
  fi
done
echo "frames unchanged: $(grep -vc '^level ' "$expected") runs with each row writer: ${ran[*]}" \
  "(this processor lacks: ${skipped[*]:-none})"
