// The frame pass (messages, walk, track, turn, planes, clear, traversal and spans; no
// present) along the camera paths, each pass followed by its reference: two memsets of
// width x height bytes into the same frame buffer, the traffic floor of a clear plus one
// write of every pixel. Frame pass and reference alternate pass by pass, so both see the
// same machine state.
#include "bench/quellor_cases.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "bench/camera_path.h"
#include "bench/paired_times.h"

namespace {

using Clock = PairedTimes::Clock;

// The fastest of a few memsets of `bytes`, to size each case's run.
double memsetSeconds(size_t bytes) {
  std::vector<unsigned char> buffer(bytes, 1);
  double best = 1.0;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = Clock::now();
    std::memset(buffer.data(), i, bytes);
    benchmark::ClobberMemory();
    best = std::min(best, secondsBetween(t0, Clock::now()));
  }
  return best;
}

// Whole walks along the path, enough of them for about a quarter of a second per
// repetition (frame passes and references together).
int64_t iterationsFor(const CameraPath& path, int32_t width, int32_t height) {
  const double perPass = 5.0 * memsetSeconds(size_t(width) * size_t(height)) + 10e-6;
  const double walks = std::ceil(0.25 / (double(path.passes) * perPass));
  return path.passes * int64_t(walks < 1.0 ? 1.0 : walks);
}

void framePass(benchmark::State& state, const CameraPath* path, int32_t width, int32_t height) {
  PathRun run(*path);
  std::string error;
  if (!run.start(width, height, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  // A few passes fault the frame's pages in; the measured walks start at the first pass.
  for (int i = 0; i < 3; ++i) run.pass();
  run.restart();

  uint8_t* const pixels = run.viewer().frame.pixels;
  const size_t bytes = size_t(width) * size_t(height);
  PairedTimes times(state);
  for (auto _ : state) {
    const auto t0 = PairedTimes::Clock::now();
    run.pass();
    const auto t1 = PairedTimes::Clock::now();
    benchmark::DoNotOptimize(pixels);
    std::memset(pixels, 0, bytes);
    benchmark::ClobberMemory();
    std::memset(pixels, 0x2a, bytes);
    benchmark::ClobberMemory();
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report(double(bytes));
}

}  // namespace

std::string framePassCase(const std::string& level, int32_t width, int32_t height) {
  return "frame_pass/" + level + "/" + std::to_string(width) + "x" + std::to_string(height);
}

std::string traversalCase(const std::string& level) { return "traversal/" + level + "/16x16"; }

void registerFramePassCases(const std::vector<CameraPath>& paths) {
  for (const CameraPath& path : paths) {
    for (const FrameSize& size : FrameSizes) {
      benchmark::RegisterBenchmark(framePassCase(path.level, size.width, size.height).c_str(), framePass, &path,
                                   size.width, size.height)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond)
          ->Iterations(iterationsFor(path, size.width, size.height));
    }
  }
  // The same walks on a 16 x 16 frame: what a pass costs beside its pixels.
  for (const CameraPath& path : paths) {
    benchmark::RegisterBenchmark(traversalCase(path.level).c_str(), framePass, &path, 16, 16)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(iterationsFor(path, 16, 16));
  }
}
