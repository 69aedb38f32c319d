// The explainer's costs along the shipped level's camera path at 1920 x 1080. The depth
// view's pass against the plain pass of the same view (the target is at most 1.2 times),
// and one step's picture (the pass again up to step k, then its outlines; target under
// 2 ms) against two memsets of the frame, the frame pass's own reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "bench/camera_path.h"
#include "bench/paired_times.h"
#include "bench/quellor_cases.h"
#include "explain/explainer.h"

namespace {

PassScene sceneOf(Viewer& v) { return PassScene{v.world, v.camera, v.viewport, v.initialFrustum}; }

// mode 0: depth view / plain pass; 1: step picture / two memsets.
void explainRun(benchmark::State& state, const CameraPath* path, int mode) {
  PathRun run(*path);
  std::string error;
  if (!run.start(1920, 1080, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  auto explainer = std::make_unique<Explainer>();
  Viewer& v = run.viewer();
  const size_t bytes = size_t(v.viewport.width) * size_t(v.viewport.height);
  PairedTimes times(state);
  int32_t k = 0;
  for (auto _ : state) {
    run.pass();
    explainer->recordPass(v.renderer, sceneOf(v), ExplainOptions{});
    if (mode == 0) {
      const auto t0 = PairedTimes::Clock::now();
      explainer->recordPass(v.renderer, sceneOf(v), ExplainOptions{true});
      const auto t1 = PairedTimes::Clock::now();
      redrawFrame(v);
      benchmark::ClobberMemory();
      times.add(t0, t1, PairedTimes::Clock::now());
    } else {
      k = explainer->stepCount() > 0 ? (k % explainer->stepCount()) + 1 : 0;
      const auto t0 = PairedTimes::Clock::now();
      explainer->drawStep(v.renderer, sceneOf(v), ExplainOptions{}, k);
      const auto t1 = PairedTimes::Clock::now();
      std::memset(v.frame.pixels, 0, bytes);
      benchmark::ClobberMemory();
      std::memset(v.frame.pixels, 0x2a, bytes);
      benchmark::ClobberMemory();
      times.add(t0, t1, PairedTimes::Clock::now());
    }
  }
  times.report(double(bytes));
}

}  // namespace

std::string explainCase(bool depthView) {
  return depthView ? "explain/depth_view/1920x1080" : "explain/step_picture/1920x1080";
}

void registerExplainCases(const CameraPath& path) {
  for (int mode = 0; mode < 2; ++mode) {
    benchmark::RegisterBenchmark(explainCase(mode == 0).c_str(), explainRun, &path, mode)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(path.passes * 4);
  }
}
