#!/usr/bin/env bash
# tools/serve-web.sh finds the page wherever the project's commands put it: build/web (the
# test suite's build), build-web (tools/build-web.sh, the newer when both have one) or the
# folder given; without one it says where it looked. Run on a copy of the script in a tree
# of its own, serving a marker file on a free port.
# Usage: serve_web_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "${1:?source folder}" && pwd)
work=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server" 2> /dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$work/tree/tools"
cp "$source_dir/tools/serve-web.sh" "$work/tree/tools/"
serve="$work/tree/tools/serve-web.sh"

page() { mkdir -p "$1" && echo "$2" > "$1/quellor.wasm"; }
# Serves with the arguments given and prints the quellor.wasm the server hands out.
served() {
  local port=$((20000 + RANDOM % 20000))
  QUELLOR_WEB_PORT=$port bash "$serve" "$@" > "$work/serve.out" 2>&1 &
  server=$!
  python3 - "$port" << 'PY' || { cat "$work/serve.out"; fail "nothing served on port $port"; }
import sys, time, urllib.request
for _ in range(100):
    try:
        print(urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/quellor.wasm", timeout=1).read().decode().strip())
        sys.exit(0)
    except OSError:
        time.sleep(0.05)
sys.exit(1)
PY
  kill "$server"
  wait "$server" 2> /dev/null || true
  server=""
}

if out=$(bash "$serve" 2>&1); then fail "served with no page anywhere"; fi
grep -qF "build-web or $work/tree/build/web" <<< "$out" || fail "no page: said '$out'"

page "$work/tree/build/web" suite
[ "$(served)" = suite ] || fail "the page in build/web was not found"
page "$work/tree/build-web" build-web
touch -d '+1 minute' "$work/tree/build-web/quellor.wasm"
[ "$(served)" = build-web ] || fail "the newer page, in build-web, was not the one served"
page "$work/elsewhere" given
[ "$(served "$work/elsewhere")" = given ] || fail "the folder given was not served"
if out=$(bash "$serve" "$work/none" 2>&1); then fail "served a folder without a page"; fi
grep -qF "no page in $work/none" <<< "$out" || fail "folder without a page: said '$out'"
echo "serve-web: finds build/web, build-web (the newer) and the folder given; says where it looked"
