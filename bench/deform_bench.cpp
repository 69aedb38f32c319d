// build/deform-bench: the deformation demo's own work per frame, without GL.
//  - frame work: move the 1602 vertices, recompute the 3200 normals with the flags of the
//    triangles that face the eye, and read the flags as drawFrame does (drawFrame without
//    its GL calls), after one animation step as the idle function would take; reference:
//    a memcpy of the bytes of the moved vertices and normals.
//  - animation step: the three region matrices and the two motion advances; reference:
//    the float sines and cosines of the four rotations a step turns by.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_report.h"
#include "bench/paired_times.h"
#include "deform/array_alloc.h"
#include "deform/demo_state.h"
#include "deform/frame_geometry.h"

namespace {

const char* const FrameWorkCase = "deform/frame_work";
const char* const AnimationStepCase = "deform/animation_step";
constexpr double FrameWorkBudgetMicroseconds = 15.0;

// The demo's arrays for the length of one case.
struct Demo {
  deform::DemoState state;
  bool built = deform::buildDemoGeometry(state);
  ~Demo() { deform::releaseDemoArrays(state); }
};

// What drawFrame does before and around its GL calls: the triangles it would draw.
int frameWork(deform::DemoState& state) {
  deform::prepareFrame(state);
  int facing = 0;
  for (std::int32_t t = state.mesh.triangleCount - 1; t >= 0; --t) facing += state.facing[t];
  return facing;
}

void deformFrameWork(benchmark::State& bench) {
  Demo demo;
  if (!demo.built) {
    bench.SkipWithError("cannot build the demo's arrays");
    return;
  }
  deform::DemoState& state = demo.state;
  const size_t vertexBytes = sizeof(deform::Vec3) * size_t(state.mesh.vertexCount);
  const size_t normalBytes = sizeof(deform::Vec3) * size_t(state.mesh.triangleCount);
  std::vector<unsigned char> source(vertexBytes + normalBytes, 7), target(vertexBytes + normalBytes);

  PairedTimes times(bench);
  long facing = 0;
  for (auto _ : bench) {
    deform::stepDemoMotion(state);
    const auto t0 = PairedTimes::Clock::now();
    facing += frameWork(state);
    benchmark::ClobberMemory();
    const auto t1 = PairedTimes::Clock::now();
    std::memcpy(target.data(), source.data(), target.size());
    benchmark::ClobberMemory();
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report();
  bench.counters["facing"] = double(facing) / double(bench.iterations());
}

// Steps are timed in blocks: one alone is close to the clock's own cost.
constexpr int StepsPerBlock = 100;

void deformAnimationStep(benchmark::State& bench) {
  Demo demo;
  if (!demo.built) {
    bench.SkipWithError("cannot build the demo's arrays");
    return;
  }
  deform::DemoState& state = demo.state;
  PairedTimes times(bench, StepsPerBlock);
  float angle = 1.0f;
  for (auto _ : bench) {
    const auto t0 = PairedTimes::Clock::now();
    for (int i = 0; i < StepsPerBlock; ++i) {
      deform::stepDemoMotion(state);
      benchmark::ClobberMemory();
    }
    const auto t1 = PairedTimes::Clock::now();
    for (int i = 0; i < StepsPerBlock; ++i) {
      for (int r = 0; r < 4; ++r) {
        float s = std::sin(angle), c = std::cos(angle);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(c);
        angle += 0.0349f;
      }
      if (angle > 1.6f) angle -= 3.2f;
    }
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark(FrameWorkCase, deformFrameWork)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->Iterations(20000);
  benchmark::RegisterBenchmark(AnimationStepCase, deformAnimationStep)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->Iterations(5000);

  MedianTable medians;
  if (!runBenchmarks(argc, argv, medians)) return 1;

  std::printf("\nMedians per case:\n\n");
  std::printf("| %-24s | %10s | %10s | %7s |\n", "case", "time (us)", "ref (us)", "ratio");
  std::printf("|--------------------------|------------|------------|---------|\n");
  for (const std::string& name : casesInOrder(medians)) {
    std::printf("| %-24s | %10.3f | %10.3f | %7.3f |\n", name.c_str(), medians.at(name).microseconds,
                medianCounter(medians, name, "ref_us"), medianCounter(medians, name, "ratio"));
  }
  const double work = medianTime(medians, FrameWorkCase);
  std::printf("\nTargets:\n\n");
  std::printf("| %-52s | %16s | %-22s | %-3s |\n", "figure", "median", "target", "met");
  std::printf("|%s|%s|%s|%s|\n", std::string(54, '-').c_str(), std::string(18, '-').c_str(),
              std::string(24, '-').c_str(), std::string(5, '-').c_str());
  printSummaryRow("deform frame work per frame", work, "us", "<= 15", metMark(work <= FrameWorkBudgetMicroseconds));
  std::printf("\n%s\n", std::isnan(work) || work <= FrameWorkBudgetMicroseconds ? "Every target shown is met."
                                                                                : "Some targets are NOT met.");
  return 0;
}
