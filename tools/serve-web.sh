#!/usr/bin/env bash
# Serves the web page (build-web/, or the folder given) on this machine only:
# http://127.0.0.1:8000/ (another port: QUELLOR_WEB_PORT=8080).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-web}
port=${QUELLOR_WEB_PORT:-8000}
if [ ! -f "$dir/quellor.wasm" ]; then
  echo "serve-web: no page in $dir; build it first with tools/build-web.sh" >&2
  exit 1
fi
echo "serve-web: http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$dir"
