#!/usr/bin/env bash
# Serves the web page on this machine only: http://127.0.0.1:8000/ (another port:
# QUELLOR_WEB_PORT=8080). The page is the folder given, or else wherever the project's
# commands put it: build-web/ (tools/build-web.sh) or build/web/ (the test suite's build);
# the newer of the two when both hold one.
# Usage: tools/serve-web.sh [PAGE_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
port=${QUELLOR_WEB_PORT:-8000}
if [ $# -gt 0 ]; then
  dir=$1
  if [ ! -f "$dir/quellor.wasm" ]; then
    echo "serve-web: no page in $dir; build it there with tools/build-web.sh $dir" >&2
    exit 1
  fi
else
  dir=""
  for candidate in "$root/build-web" "$root/build/web"; do
    [ -f "$candidate/quellor.wasm" ] || continue
    if [ -z "$dir" ] || [ "$candidate/quellor.wasm" -nt "$dir/quellor.wasm" ]; then dir=$candidate; fi
  done
  if [ -z "$dir" ]; then
    echo "serve-web: no page in $root/build-web or $root/build/web; build it with tools/build-web.sh" >&2
    exit 1
  fi
fi
echo "serve-web: $dir on http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$dir"
