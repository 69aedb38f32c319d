// A frame's digest (quellor-replay --digests) of a rendered frame, each digest followed by
// its reference: a memset of the frame's bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/paired_times.h"
#include "bench/quellor_cases.h"
#include "viewer/frame_digest.h"

namespace {

constexpr int PassesBeforeShot = 150;

void digestFrame(benchmark::State& state, const CameraPath* path, int32_t width, int32_t height) {
  PathRun run(*path);
  std::string error;
  if (!run.start(width, height, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (int i = 0; i < PassesBeforeShot; ++i) run.pass();
  const Viewport& v = run.viewer().viewport;
  const PresentedFrame frame{v.rowOrigin, v.width, v.height, v.pitch};
  const size_t bytes = size_t(width) * size_t(height);
  std::vector<uint8_t> scratch(bytes);
  uint64_t digest = 0;
  PairedTimes times(state);
  for (auto _ : state) {
    const auto t0 = PairedTimes::Clock::now();
    digest ^= frameDigest(frame);
    benchmark::DoNotOptimize(digest);
    const auto t1 = PairedTimes::Clock::now();
    std::memset(scratch.data(), int(digest & 0x7f), bytes);
    benchmark::ClobberMemory();
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report(double(bytes));
}

}  // namespace

std::string frameDigestCase(int32_t width, int32_t height) {
  return "frame_digest/" + std::to_string(width) + "x" + std::to_string(height);
}

void registerFrameDigestCases(const CameraPath& framePath) {
  for (const FrameSize size : {FrameSize{320, 240}, FrameSize{1920, 1080}}) {
    benchmark::RegisterBenchmark(frameDigestCase(size.width, size.height).c_str(), digestFrame, &framePath, size.width,
                                 size.height)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2);
  }
}
