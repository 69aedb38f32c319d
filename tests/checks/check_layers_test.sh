#!/usr/bin/env bash
# The layer check against a small made-up tree: it must pass on includes that point down
# and name each one that points up or reaches a window system.
# Usage: check_layers_test.sh SOURCE_DIR
set -euo pipefail
check=$(cd "${1:?source folder}" && pwd)/tools/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work"/{io,geometry,world,render,viewer}
printf '#include <cstdio>\n#include <windows.h>\n' > "$work/io/file_reader_win32.cpp"
printf '#include "geometry/vec3.h"\n' > "$work/geometry/camera.h"
printf '#include "io/file_reader.h"\n#include "geometry/camera.h"\n' > "$work/world/loader.cpp"
printf '#include "world/world.h"\n  #  include "render/clip.h"\n' > "$work/render/fill.cpp"
printf '#include "render/fill.h"\n#include <SDL.h>\n' > "$work/viewer/platform.cpp"
bash "$check" "$work" > "$work/out" || fail "a tree whose includes point down was refused: $(cat "$work/out")"

# One of each kind of fault, each named with its file and line.
printf '#include "world/world.h"\n' > "$work/geometry/bad_up.h"
printf '#include <vector>\n#include "viewer/main_loop.h"\n' > "$work/render/bad_viewer.cpp"
printf '#include "render/clip.h"\n' > "$work/world/bad_render.cpp"
printf '#include <SDL.h>\n' > "$work/render/bad_sdl.cpp"
printf '#include <GL/gl.h>\n' > "$work/world/bad_gl.h"
printf '#include <windows.h>\n' > "$work/io/bad_plain.cpp"
printf '#include "geometry/vec3.h"\n' > "$work/io/bad_io.cpp"
if bash "$check" "$work" > "$work/out"; then fail "upward includes passed"; fi
for expected in 'geometry/bad_up.h:1: geometry/ includes world/world.h' \
  'render/bad_viewer.cpp:2: render/ includes viewer/main_loop.h' \
  'world/bad_render.cpp:1: world/ includes render/clip.h' \
  'render/bad_sdl.cpp:1: render/ includes the window-system header SDL.h' \
  'world/bad_gl.h:1: world/ includes the window-system header GL/gl.h' \
  'io/bad_plain.cpp:1: io/ includes the window-system header windows.h' \
  'io/bad_io.cpp:1: io/ includes geometry/vec3.h' \
  'layers: 7 include(s) point upwards'; do
  grep -qF "$expected" "$work/out" || fail "missing: $expected; got: $(cat "$work/out")"
done
# The real tree passes.
bash "$check" "$(dirname "$check")/.." > /dev/null || fail "the source tree has an upward include"
echo "layer check: passes a clean tree, names 7 of 7 faults"
