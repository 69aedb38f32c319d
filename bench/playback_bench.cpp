// Seeking in a long recording: a million passes of walking, turning and resizing on the
// shipped level, packed and swept once for its key points; each iteration shows a random
// pass (restore the key point, run the passes after it without drawing, draw the pass).
// The reference is the memset bandwidth of this machine, measured in the same run; the
// memory a playback holds is reported for one and ten million passes.
#include "bench/quellor_cases.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "viewer/heap_frame.h"
#include "viewer/playback.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BenchPlatform {
  bool nextMessage(Message&) { return false; }
  void present(const PresentedFrame&) {}
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    return allocateHeapFrame(width, height, RowOrder::BottomUp, out);
  }
  void releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }
  PixelSize clientPixels() const { return {FirstClientWidth, FirstClientHeight}; }
  void show() {}
};

// Someone walking about: a key every few passes (repeats of a turn, walking, stopping,
// the overview), now and then a release, the mouse or a new window size.
RecordedMessages walkAbout(int64_t passes) {
  std::mt19937 random(27);
  const int32_t keys[] = {KeyUp, KeyLeft, KeyLeft, KeyLeft, KeyRight, KeyRight, KeySpace, KeyDown, KeyZ, KeyX};
  RecordedMessages out;
  for (int64_t pass = 1; pass <= passes; ++pass) {
    const uint32_t what = random() % 64;
    if (what < 24) out.add(pass, {MessageKind::KeyDown, keys[random() % std::size(keys)], 0, 0});
    if (what == 24) out.add(pass, {MessageKind::Other, KeyLeft, 0, 0, OtherKind::KeyRelease});
    if (what == 25) out.add(pass, {MessageKind::Other, 0, 0, 0, OtherKind::Mouse});
    if (what == 26 && random() % 8 == 0) {
      out.add(pass, {MessageKind::Size, 0, 200 + int32_t(random() % 440), 150 + int32_t(random() % 330)});
    }
  }
  out.shrink();
  return out;
}

struct OpenPlayback {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  BenchPlatform platform;
  std::unique_ptr<Playback> playback;
  double openSeconds = 0;

  bool open(int64_t passes) {
    if (!createFrame(*viewer, platform)) return false;
    if (!startViewer(*viewer, QUELLOR_BENCH_LEVEL_DIR "/3rooms.b2").ok) return false;
    beginMainLoop(*viewer);
    playback = std::make_unique<Playback>(walkAbout(passes));
    const auto t0 = Clock::now();
    playback->open(*viewer);
    openSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return true;
  }
  ~OpenPlayback() {
    if (viewer->frameExists) platform.releaseFrame(viewer->frame);
  }
};

double memsetGigabytesPerSecond() {
  std::vector<unsigned char> buffer(64u << 20, 1);
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = Clock::now();
    std::memset(buffer.data(), i, buffer.size());
    benchmark::ClobberMemory();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return double(buffer.size()) / best / 1e9;
}

void seek(benchmark::State& state, int64_t passes) {
  static OpenPlayback* kept = nullptr;  // the sweep of a million passes is made once
  static int64_t keptPasses = 0;
  if (!kept || keptPasses != passes) {
    delete kept;
    kept = new OpenPlayback;
    keptPasses = passes;
    if (!kept->open(passes)) {
      state.SkipWithError("cannot start the viewer on 3rooms.b2");
      return;
    }
  }
  std::mt19937_64 random(uint64_t(state.iterations()) + 1);
  Playback& playback = *kept->playback;
  for (auto _ : state) {
    const int64_t target = 1 + int64_t(random() % uint64_t(playback.total()));
    const auto t0 = Clock::now();
    playback.show(*kept->viewer, kept->platform, target);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  state.counters["passes"] = double(playback.total());
  state.counters["open_s"] = kept->openSeconds;
  state.counters["MiB"] = double(playback.memoryBytes()) / double(1u << 20);
  state.counters["memset_GBps"] = memsetGigabytesPerSecond();
}

// Memory and sweep time of ten million passes, measured once.
void tenMillion(benchmark::State& state) {
  for (auto _ : state) {
    OpenPlayback run;
    if (!run.open(10000000)) {
      state.SkipWithError("cannot start the viewer on 3rooms.b2");
      return;
    }
    state.SetIterationTime(run.openSeconds);
    state.counters["MiB"] = double(run.playback->memoryBytes()) / double(1u << 20);
    state.counters["messages"] = double(run.playback->messages().count());
  }
  state.counters["memset_GBps"] = memsetGigabytesPerSecond();
}

}  // namespace

std::string playbackSeekCase() { return "playback/seek/1M-passes"; }
std::string playbackOpenCase() { return "playback/open/10M-passes"; }

void registerPlaybackCases() {
  benchmark::RegisterBenchmark(playbackSeekCase().c_str(), seek, int64_t(1000000))
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(200);
  benchmark::RegisterBenchmark(playbackOpenCase().c_str(), tenMillion)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->Repetitions(1);
}
