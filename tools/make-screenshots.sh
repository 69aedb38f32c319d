#!/usr/bin/env bash
# Makes the README's pictures from the real programs: docs/quellor.png, the viewer's window
# (titled "Ambrelle") on the shipped level, on a virtual X server of its own, and
# docs/page.png, the web page in headless Chromium on the sample eight_rooms. Each is
# written beside its place and renamed into it when complete.
# Needs xvfb, xdotool, imagemagick, chromium and tests/web's npm packages
# (tools/install-deps.sh), the viewer and levels built in BUILD_DIR, and the page built
# (tools/build-web.sh, or the test suite's BUILD_DIR/web).
# Usage: tools/make-screenshots.sh [BUILD_DIR [PAGE_DIR]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "make-screenshots: $*" >&2; exit 1; }
import=$(command -v import || echo /usr/bin/import-im6.q16)

# The viewer, on a server of its own (no other window in the picture), at 640x480.
viewer_shot() {
  local out=$1 pid id
  (cd "$build" && exec ./quellor --size 640x480) &
  pid=$!
  id=""
  for ((i = 0; i < 100; i++)); do
    id=$(xdotool search --onlyvisible --name '^Ambrelle$' 2> /dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { kill "$pid"; fail "no window titled Ambrelle appeared"; }
  sleep 1  # a few dozen passes: the first frames are drawn
  "$import" -window "$id" "png:$out"
  kill "$pid"
  wait "$pid" || true
}

if [ "${1:-}" = --viewer-inside ]; then
  build=$2
  viewer_shot "$3"
  exit 0
fi

build=$(realpath "${1:-$root/build}")
page=${2:-}
if [ -z "$page" ]; then
  for candidate in "$build/web" "$root/build-web"; do
    [ -f "$candidate/quellor.wasm" ] && { page=$candidate; break; }
  done
fi
[ -x "$build/quellor" ] && [ -f "$build/3rooms.b2" ] || fail "no viewer and level in $build (build them first)"
[ -n "$page" ] && [ -f "$page/quellor.wasm" ] || fail "no web page built (tools/build-web.sh)"
[ -d "$root/tests/web/node_modules/puppeteer-core" ] || fail "npm packages missing (cd tests/web && npm ci)"
for tool in xvfb-run xdotool "$import" node; do command -v "$tool" > /dev/null || fail "$tool is missing"; done

mkdir -p "$root/docs"
tmp="$root/docs/.quellor.tmp.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --viewer-inside "$build" "$tmp" \
  || fail "the viewer's picture failed"
mv "$tmp" "$root/docs/quellor.png"
echo "make-screenshots: docs/quellor.png"

tmp="$root/docs/.page.tmp.png"
# The page on another level than the window's, chosen from the URL as a visitor may.
NODE_PATH="$root/tests/web/node_modules" node "$root/tools/page-screenshot.js" "$page" "$tmp" 800x600 '?level=eight_rooms' \
  || fail "the page's picture failed"
mv "$tmp" "$root/docs/page.png"
echo "make-screenshots: docs/page.png"
