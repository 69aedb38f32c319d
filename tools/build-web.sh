#!/usr/bin/env bash
# Builds quellor's web page with Debian's emscripten: build-web/ (or the folder given)
# gets web/'s page files (index.html, its scripts and styles), quellor.js, quellor.wasm and
# levels/ (each level and its source).
# The levels are compiled from levels/*.json by the native quellor-level (built in
# build/, or $QUELLOR_NATIVE_BUILD, when missing) and embedded in the module at /levels.
# Usage: tools/build-web.sh [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-web}")
native=${QUELLOR_NATIVE_BUILD:-$root/build}

if ! command -v emcmake >/dev/null; then
  echo "build-web: emcmake not found (Debian: apt-get install emscripten, or tools/install-deps.sh)" >&2
  exit 1
fi
# emcc runs node, which does not look where Debian installs its node modules (acorn).
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -x "$native/quellor-level" ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$native" -j"$(nproc)" --target quellor-level
fi

mkdir -p "$out/levels"
for source in "$root"/levels/*.json; do
  name=$(basename "$source" .json)
  "$native/quellor-level" build "$source" "$out/levels/$name.b2" >/dev/null
  # The source too, for the page's editor.
  cp "$source" "$out/levels/.$name.json.tmp"
  mv "$out/levels/.$name.json.tmp" "$out/levels/$name.json"
done

emcmake cmake -S "$root/web" -B "$out/cmake" -DCMAKE_BUILD_TYPE=Release \
  -DQUELLOR_WEB_LEVELS="$out/levels" -DQUELLOR_WEB_OUTPUT_DIR="$out" >/dev/null
cmake --build "$out/cmake" -j"$(nproc)"

# The page's own files, each replaced whole.
for path in "$root"/web/*.html "$root"/web/*.js "$root"/web/*.css; do
  file=$(basename "$path")
  cp "$path" "$out/.$file.tmp"
  mv "$out/.$file.tmp" "$out/$file"
done
if [ "$out" = "$root/build-web" ] || [ "$out" = "$root/build/web" ]; then serve=tools/serve-web.sh; else serve="tools/serve-web.sh $out"; fi
echo "build-web: the page is in $out (serve it with $serve)"
