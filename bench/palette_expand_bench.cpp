// The present path's palette expansion (8-bit indices to 32-bit ARGB through the
// 256-entry table) of a rendered frame, and once of a frame of noise, each expansion
// followed by its reference: a memcpy of 4 x width x height bytes into the same
// destination.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/paired_times.h"
#include "bench/quellor_cases.h"
#include "viewer/palette_expand.h"

namespace {

// The frame after this many passes along the path: walls of several colours, seen
// through a doorway.
constexpr int PassesBeforeShot = 150;

// A frame of random indices, where no two neighbours need share a colour: the worst
// case for an expansion that writes runs of one colour at once.
void fillWithNoise(const Viewport& v) {
  uint32_t seed = 12345;
  for (int32_t y = 0; y < v.height; ++y) {
    uint8_t* row = pixelRow(v, y);
    for (int32_t x = 0; x < v.width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[x] = uint8_t(seed >> 24);
    }
  }
}

void paletteExpand(benchmark::State& state, const CameraPath* path, int32_t width, int32_t height, bool noise) {
  PathRun run(*path);
  std::string error;
  if (!run.start(width, height, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (int i = 0; i < PassesBeforeShot; ++i) run.pass();
  const Viewport& v = run.viewer().viewport;
  if (noise) fillWithNoise(v);

  uint32_t table[PaletteSize];
  buildArgbTable(viewerPalette(), table);
  const size_t pixels = size_t(width) * size_t(height);
  std::vector<uint32_t> out(pixels, 0);
  std::vector<uint32_t> copySource(pixels, 0xff336699u);

  PairedTimes times(state);
  for (auto _ : state) {
    const auto t0 = PairedTimes::Clock::now();
    expandPalette(v.rowOrigin, v.pitch, v.width, v.height, out.data(), width, table);
    benchmark::ClobberMemory();
    const auto t1 = PairedTimes::Clock::now();
    std::memcpy(out.data(), copySource.data(), pixels * sizeof(uint32_t));
    benchmark::ClobberMemory();
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report(double(pixels));
}

}  // namespace

std::string paletteExpandCase(int32_t width, int32_t height, bool noise) {
  return std::string(noise ? "palette_expand_noise/" : "palette_expand/") + std::to_string(width) + "x" +
         std::to_string(height);
}

void registerPaletteExpandCases(const CameraPath& framePath) {
  for (const FrameSize& size : FrameSizes) {
    benchmark::RegisterBenchmark(paletteExpandCase(size.width, size.height, false).c_str(), paletteExpand, &framePath,
                                 size.width, size.height, false)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2);
  }
  benchmark::RegisterBenchmark(paletteExpandCase(1920, 1080, true).c_str(), paletteExpand, &framePath, 1920, 1080, true)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->MinTime(0.2);
}
