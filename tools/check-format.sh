#!/usr/bin/env bash
# Checks C++ sources against .clang-format without changing them: lists every file that
# clang-format would change and fails if there is one. With no arguments it checks every
# .cpp and .h file git knows of; otherwise the files named.
# To format a file: clang-format -i FILE.
#
# Usage: check-format.sh [FILE...]   (files relative to the source folder, or absolute)
set -euo pipefail
cd "$(dirname "$0")/.."
style=file:$(pwd)/.clang-format
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "check-format: clang-format is not installed (Debian: clang-format)"; exit 1; }

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -co --exclude-standard '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
fi

unformatted=()
for file in "${files[@]}"; do
  if ! "$format" "--style=$style" --dry-run -Werror "$file" > /dev/null 2>&1; then unformatted+=("$file"); fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
  printf '%s\n' "${unformatted[@]}"
  echo "check-format: ${#unformatted[@]} of ${#files[@]} files differ from .clang-format (clang-format -i FILE formats one)"
  exit 1
fi
echo "check-format: ${#files[@]} files as .clang-format lays them out"
