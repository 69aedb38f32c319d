#!/usr/bin/env bash
# Builds the web page into BUILD_DIR/web and drives it in Debian's headless Chromium
# (tests/web/page_test.js): the canvas must equal quellor-replay's frames at start, after
# keys, after resizes and for opened levels; the page records keys as the desktop's
# recorder does; bad files are refused with the loader's message; Q stops the loop;
# nothing reaches the browser's console as an error.
# Called as: web_page.sh BUILD_DIR SOURCE_DIR. Exits 77 when emscripten, chromium, node
# or the npm packages (tools/install-deps.sh) are absent, and in a sanitized build (the
# page is built and tested once, in the release stage).
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")

skip() {
  echo "web_page: $1; skipped"
  exit 77
}
grep -q '^QUELLOR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && skip "sanitized build"
command -v emcmake >/dev/null || skip "emscripten is not installed"
[ -x /usr/bin/chromium ] || skip "chromium is not installed"
command -v node >/dev/null || skip "node is not installed"
[ -d "$source/tests/web/node_modules/puppeteer-core" ] || skip "npm packages missing (cd tests/web && npm ci)"
[ -x "$build/quellor-replay" ] || skip "$build/quellor-replay is not built"
[ -x "$build/desktop_key_record" ] || skip "$build/desktop_key_record is not built (it needs SDL2)"

QUELLOR_NATIVE_BUILD=$build "$source/tools/build-web.sh" "$build/web"
node "$source/tests/web/page_test.js" "$build" "$build/web"
