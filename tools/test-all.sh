#!/usr/bin/env bash
# Builds the project and runs every test, in four stages:
#   1. the release build (build/) and its whole suite;
#   2. checks of the tree: the layout (tools/check-format.sh) and static analysis
#      (tools/check-tidy.sh over the release build), with no finding allowed;
#   3. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (build-asan/), so a fault that the release build hides stops the run;
#   4. short runs of the fuzz targets (build-fuzz/, tools/fuzz.sh), when clang with
#      libFuzzer is installed.
# Both builds treat warnings as errors.
# Each stage prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${QUELLOR_FUZZ_SECONDS:-45}

stage_start=0
begin() {
  stage_start=$SECONDS
  echo "== $1"
}
end() { echo "== $1: $((SECONDS - stage_start)) s"; }

begin "release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
end "release build and tests"

begin "format and static analysis"
./tools/check-format.sh
./tools/check-tidy.sh build
end "format and static analysis"

begin "sanitizer build and tests"
# Any report stops the program with a failing status, leaks included.
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan-suppressions.txt
# -O1 with line tables: what the sanitizers' own guides advise, reports still name files and
# lines, and it compiles in half the time of -O2 -g.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-Werror -DQUELLOR_SANITIZE=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
cmake --build build-asan -j"$jobs"
# The unit suites with leak detection. The end-to-end scripts drive programs through X11,
# Mesa, SDL and D-Bus, which keep and lose blocks of their own (some in driver modules
# already unloaded at exit, which no suppression can name), so there only memory errors
# and undefined behaviour count. Left to the release stage: the Windows viewer under wine
# (cross-built, it carries no sanitizer) and deform's valgrind run (valgrind cannot run a
# sanitized program).
(cd build-asan && ctest --output-on-failure -j"$jobs" -E '^e2e_')
(cd build-asan && ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 \
  ctest --output-on-failure -j"$jobs" -R '^e2e_' -E '^e2e_(wine_viewer|deform)$')
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
end "sanitizer build and tests"

begin "fuzzing, $fuzz_seconds s per target"
./tools/fuzz.sh "$fuzz_seconds"
end "fuzzing"
