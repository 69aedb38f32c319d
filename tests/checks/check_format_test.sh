#!/usr/bin/env bash
# The format check on two made-up files: one laid out as .clang-format says passes, one
# that is not fails and is named.
# Usage: check_format_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "${1:?source folder}" && pwd)
command -v clang-format-14 > /dev/null || command -v clang-format > /dev/null || { echo "SKIP: no clang-format"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf '#include <cstdint>\n\nint32_t twice(int32_t x) { return 2 * x; }\n' > "$work/tidy.cpp"
printf '#include <cstdint>\n\nint32_t   twice( int32_t x ){\nreturn 2*x;}\n' > "$work/untidy.cpp"
bash "$source_dir/tools/check-format.sh" "$work/tidy.cpp" > "$work/out" || fail "a formatted file was refused: $(cat "$work/out")"
if bash "$source_dir/tools/check-format.sh" "$work/tidy.cpp" "$work/untidy.cpp" > "$work/out"; then
  fail "an unformatted file passed"
fi
grep -qxF "$work/untidy.cpp" "$work/out" || fail "the unformatted file is not named: $(cat "$work/out")"
grep -qxF "$work/tidy.cpp" "$work/out" && fail "the formatted file is named: $(cat "$work/out")"
grep -q '1 of 2 files differ' "$work/out" || fail "no count: $(cat "$work/out")"
echo "format check: passes a formatted file, names an unformatted one"
