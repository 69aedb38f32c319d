#!/usr/bin/env bash
# Fails when a lower layer of quellor includes a higher one. The layers, lowest first:
#   io        files and the error hook             (the standard library and the OS only)
#   geometry  vectors, angles, camera, viewport    (nothing of ours)
#   world     the world model and its loader       (geometry, io)
#   render    traversal, clipping, projection, fill (geometry, world)
#   explain   the frame explainer over the pass watch (render, geometry, world)
#   plan      the level's plan and a pass's traversal, with cairo (explain and below)
# Above them viewer/ and tools/ may include anything below. The core (geometry, world,
# render, explain) also never includes a window system: SDL, OpenGL, GLUT, X11 or Windows headers.
# io may, but only in its platform files (*_win32.cpp, *_posix.cpp).
#
# Usage: check-layers.sh [SOURCE_DIR]   (default: the folder above this script)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# layer -> the project folders it may include from
declare -A allowed=(
  [io]="io"
  [geometry]="geometry"
  [world]="world geometry io"
  [render]="render world geometry"
  [explain]="explain render world geometry"
  [plan]="plan explain render world geometry"
)
project_dirs="io geometry world render explain plan viewer tools deform bench fuzz tests"
window_headers='SDL|GL/|GLUT/|X11/|windows\.h|winuser\.h|wingdi\.h'

failures=0
for layer in io geometry world render explain plan; do
  [ -d "$layer" ] || continue
  while IFS= read -r -d '' file; do
    while IFS=: read -r line text; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$text")
      top=${target%%/*}
      if [ "$top" != "$target" ] && [[ " $project_dirs " == *" $top "* ]] &&
        [[ " ${allowed[$layer]} " != *" $top "* ]]; then
        echo "$file:$line: $layer/ includes $target, from a layer above it"
        failures=$((failures + 1))
      elif grep -Eq "^($window_headers)" <<<"$target"; then
        case "$layer:$file" in
          io:*_win32.cpp | io:*_posix.cpp) ;;
          *)
            echo "$file:$line: $layer/ includes the window-system header $target"
            failures=$((failures + 1))
            ;;
        esac
      fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" || true)
  done < <(find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if [ "$failures" -gt 0 ]; then
  echo "layers: $failures include(s) point upwards"
  exit 1
fi
echo "layers: every include points down"
