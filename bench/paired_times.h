#pragma once
// A case and its reference, timed alternately, one pair per benchmark iteration. The
// figures are medians over the iterations of one repetition: a pass that lost its
// processor to another program does not move them. The benchmark's own time column is
// the mean (the manual time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

class PairedTimes {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PairedTimes(benchmark::State& state, int unitsPerIteration = 1);

  // Seconds of one iteration of the case and of its reference.
  void add(Clock::time_point start, Clock::time_point caseEnd, Clock::time_point referenceEnd);

  // Counters: median_us (the case), ref_us (the reference), ratio, over_us (their
  // difference), mean_us; and ns_px when pixels is given.
  void report(double pixels = 0.0);

 private:
  benchmark::State& state_;
  double units_;
  std::vector<double> case_, reference_;
};

// Seconds from a to b.
inline double secondsBetween(PairedTimes::Clock::time_point a, PairedTimes::Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}
