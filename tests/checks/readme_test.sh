#!/usr/bin/env bash
# The README stays a newcomer's page: under 200 lines; its two set-up commands are there,
# the test command being the one .ci/run runs; every file it links to or shows exists, and
# every page of docs/ is linked from it. The docs pages' own links must lead somewhere too.
# Usage: readme_test.sh SOURCE_DIR
set -euo pipefail
cd "${1:?source folder}"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

lines=$(wc -l < README.md)
[ "$lines" -lt 200 ] || fail "README.md has $lines lines, not under 200"

viewer='./tools/install-deps.sh --viewer && cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build -j"$(nproc)" --target quellor levels && cd build && ./quellor'
grep -qxF "$viewer" README.md || fail "the viewer's set-up command is not a line of README.md"
tests=$(grep -x '\./tools/install-deps\.sh.*' .ci/run)
[ -n "$tests" ] || fail ".ci/run runs no ./tools/install-deps.sh command"
grep -qxF "$tests" README.md || fail "README.md lacks .ci/run's command: $tests"

# Relative links and pictures, anchors left aside: [text](target) and ![alt](target).
links() { grep -o '\]([^)]*)' "$1" | sed 's/^](//; s/)$//; s/#.*//' | grep -v '^[a-z]*:' | grep -v '^$' || true; }
while read -r target; do
  [ -e "$target" ] || fail "README.md links to $target, which does not exist"
done < <(links README.md)
for page in docs/*.md; do
  links README.md | grep -qxF "$page" || fail "README.md does not link $page"
  while read -r target; do
    [ -e "docs/$target" ] || fail "$page links to $target, which does not exist"
  done < <(links "$page")
done
links README.md | grep -q '\.png$' || fail "README.md shows no picture"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "README: $lines lines, both set-up commands, $(links README.md | sort -u | wc -l) links that exist, every docs page linked"
