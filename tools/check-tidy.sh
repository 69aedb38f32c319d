#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every project source of a build's
# compile_commands.json and fails on any finding. The build must be configured with
# -DCMAKE_EXPORT_COMPILE_COMMANDS=ON (tools/test-all.sh does).
#
# Usage: check-tidy.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || true)
[ -n "$tidy" ] && [ -n "$runner" ] || { echo "check-tidy: clang-tidy is not installed (Debian: clang-tidy)"; exit 1; }
[ -f "$build/compile_commands.json" ] ||
  { echo "check-tidy: no $build/compile_commands.json (configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)"; exit 1; }

# The programs' own sources; not the Windows entries (another compiler's headers), nor the
# tests, benchmarks and fuzz targets, whose analysis would take longer than all the rest
# (the suites and sanitizers watch those).
root=$(pwd)
sources="^$root/(geometry|world|render|explain|plan|io|viewer|tools|deform)/.*\\.cpp$"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# GCC's options that clang does not know are dropped rather than reported.
if ! "$runner" -quiet -clang-tidy-binary "$tidy" -p "$build" -j "$(nproc)" \
  -extra-arg=-Wno-unknown-warning-option -extra-arg=-Wno-unused-command-line-argument "$sources" > "$out" 2>&1; then
  grep -E 'warning:|error:' "$out" | sort -u || cat "$out"
  echo "check-tidy: findings above"
  exit 1
fi
checked=$(grep -oE '"file": "[^"]+"' "$build/compile_commands.json" | cut -d'"' -f4 | grep -cE "$sources" || true)
echo "check-tidy: no findings in $checked translation units"
