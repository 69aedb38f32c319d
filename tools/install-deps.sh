#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the project needs.
# Packages already present are skipped; sudo is used when not running as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libpng-dev libcairo2-dev libxml2-dev
  libsdl2-dev
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  xvfb xdotool x11-utils x11-apps imagemagick
  clang libclang-rt-14-dev clang-format clang-tidy
  valgrind
  g++-mingw-w64-x86-64-posix wine wine64
  emscripten chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# npm for the browser test's packages: Debian's, unless a node installed otherwise brings its own.
if ! command -v npm >/dev/null; then missing+=(npm); fi

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
if [ ! -d "$root/tests/web/node_modules/puppeteer-core" ]; then
  (cd "$root/tests/web" && npm ci --no-audit --no-fund)
fi
