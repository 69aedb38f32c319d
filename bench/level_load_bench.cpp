// Loading the shipped level (open, read, planes, close), each load followed by its
// reference: opening, reading and closing the same file with plain POSIX calls.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "bench/paired_times.h"
#include "bench/quellor_cases.h"
#include "world/level_loader.h"

namespace {

bool readWholeFile(const char* name) {
  const int fd = ::open(name, O_RDONLY);
  if (fd < 0) return false;
  unsigned char buffer[65536];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) benchmark::DoNotOptimize(buffer);
  ::close(fd);
  return got == 0;
}

void levelLoad(benchmark::State& state, const std::string level) {
  const std::string file = levelFilePath(level);
  auto world = std::make_unique<World>();
  PairedTimes times(state);
  for (auto _ : state) {
    const auto t0 = PairedTimes::Clock::now();
    const LevelLoadResult loaded = loadLevel(*world, file.c_str());
    const auto t1 = PairedTimes::Clock::now();
    const bool read = readWholeFile(file.c_str());
    times.add(t0, t1, PairedTimes::Clock::now());
    if (!loaded.ok || !read) {
      state.SkipWithError(loaded.ok ? ("cannot read " + file).c_str() : loaded.message.c_str());
      return;
    }
    benchmark::DoNotOptimize(world->roomCount);
  }
  times.report();
}

}  // namespace

std::string levelLoadCase(const std::string& level) { return "level_load/" + level; }

void registerLevelLoadCase(const std::string& level) {
  benchmark::RegisterBenchmark(levelLoadCase(level).c_str(), levelLoad, level)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->MinTime(0.2);
}
