#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the project needs.
# Packages already present are skipped; sudo is used when not running as root.
#   install-deps.sh            everything: the builds, the tests, the web page, the Windows build
#   install-deps.sh --viewer   only what configuring and building the programs needs
set -euo pipefail

# What configuring the project and building its programs needs.
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev libpng-dev libcairo2-dev libxxhash-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
)
viewer_only=0
[ "${1:-}" = "--viewer" ] && viewer_only=1
if [ $viewer_only -eq 0 ]; then
  # The tests, benchmarks, checks, fuzzers, the web page and the Windows cross build.
  packages+=(
    libbenchmark-dev libxml2-dev
    xvfb xdotool x11-utils x11-apps imagemagick
    clang libclang-rt-14-dev clang-format clang-tidy
    valgrind
    g++-mingw-w64-x86-64-posix wine wine64
    emscripten chromium
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# npm for the browser test's packages: Debian's, unless a node installed otherwise brings its own.
if [ $viewer_only -eq 0 ] && ! command -v npm >/dev/null; then missing+=(npm); fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
else
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "install-deps: installing ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The web page's browser test: puppeteer-core (it downloads no browser) from the lock file.
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $viewer_only -eq 0 ] && [ ! -d "$root/tests/web/node_modules/puppeteer-core" ]; then
  (cd "$root/tests/web" && npm ci --no-audit --no-fund)
fi
