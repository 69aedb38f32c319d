#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz and runs each for a while:
#   tools/fuzz.sh [SECONDS]     (default 45 per target; the four targets run side by side,
#                                so the wall time stays SECONDS on the machine's two cores)
# level_loader_fuzz feeds arbitrary level files to the loader; render_stress_fuzz drives
# the frame pass with any camera, orientation, size and messages; portal_topology_fuzz
# does the same over levels whose portals lead anywhere (bounded by the work budget);
# recording_reader_fuzz reads any recording, level versions and all.
# Each keeps the inputs it finds worth keeping in build-fuzz/corpus/<target> (so later
# runs go on from there) and writes a failing input to build-fuzz/artifacts/. Replay one with:
#   build-fuzz/level_loader_fuzz build-fuzz/artifacts/crash-...
# Exits 0 with a note when clang with libFuzzer is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! command -v clang++ > /dev/null ||
   ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2> /dev/null; then
  echo "fuzz: skipped, clang++ with libFuzzer is not installed (Debian: clang libclang-rt-14-dev)"
  exit 0
fi

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUELLOR_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target level_loader_fuzz render_stress_fuzz portal_topology_fuzz \
  recording_reader_fuzz

# The shipped levels (made by the release build) seed the loader and serve the renderer.
mkdir -p build-fuzz/corpus/level_loader_fuzz build-fuzz/corpus/render_stress_fuzz build-fuzz/corpus/portal_topology_fuzz \
  build-fuzz/corpus/recording_reader_fuzz \
  build-fuzz/artifacts build-fuzz/seeds/levels
levels=""
for level in build/*.b2; do
  [ -f "$level" ] || continue
  cp "$level" build-fuzz/seeds/levels/
  levels+="$PWD/$level:"
done
export QUELLOR_LEVELS=$levels

common=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1
        -artifact_prefix=build-fuzz/artifacts/)
run() {
  local target=$1
  shift
  "build-fuzz/$target" "build-fuzz/corpus/$target" "$@" "${common[@]}" > "build-fuzz/$target.log" 2>&1
}
run level_loader_fuzz fuzz/corpus/loader build-fuzz/seeds/levels -max_len=8192 &
loader=$!
run render_stress_fuzz fuzz/corpus/render -max_len=1024 &
render=$!
run portal_topology_fuzz -max_len=1024 &
topology=$!
run recording_reader_fuzz fuzz/corpus/recording -max_len=16384 &
recording=$!
loader_status=0 render_status=0 topology_status=0 recording_status=0
wait $loader || loader_status=$?
wait $render || render_status=$?
wait $topology || topology_status=$?
wait $recording || recording_status=$?

status=0
report() {
  local target=$1 code=$2 log=build-fuzz/$1.log
  if [ "$code" -eq 0 ] && grep -q '^Done ' "$log"; then
    echo "fuzz: $target: $(grep -o '^Done [0-9]* runs in [0-9]* second' "$log" | tail -1)s, nothing found"
  else
    echo "fuzz: $target FAILED (exit status $code); the end of $log:"
    grep -v '^#\|^INFO\|^NEW\|^REDUCE\|^"' "$log" | tail -40
    status=1
  fi
}
report level_loader_fuzz $loader_status
report render_stress_fuzz $render_status
report portal_topology_fuzz $topology_status
report recording_reader_fuzz $recording_status
exit $status
