#include "bench/paired_times.h"

#include <algorithm>
#include <numeric>

namespace {

double median(std::vector<double>& values) {
  if (values.empty()) return 0.0;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(middle), values.end());
  return values[middle];
}

}  // namespace

PairedTimes::PairedTimes(benchmark::State& state, int unitsPerIteration)
    : state_(state), units_(double(unitsPerIteration)) {
  case_.reserve(size_t(state.max_iterations));
  reference_.reserve(size_t(state.max_iterations));
}

void PairedTimes::add(Clock::time_point start, Clock::time_point caseEnd, Clock::time_point referenceEnd) {
  const double subject = secondsBetween(start, caseEnd) / units_;
  case_.push_back(subject);
  reference_.push_back(secondsBetween(caseEnd, referenceEnd) / units_);
  state_.SetIterationTime(subject);
}

void PairedTimes::report(double pixels) {
  if (case_.empty()) return;
  const double mean = std::accumulate(case_.begin(), case_.end(), 0.0) / double(case_.size());
  const double subject = median(case_);
  const double reference = median(reference_);
  state_.counters["median_us"] = subject * 1e6;
  state_.counters["ref_us"] = reference * 1e6;
  state_.counters["ratio"] = subject / reference;
  state_.counters["over_us"] = (subject - reference) * 1e6;
  state_.counters["mean_us"] = mean * 1e6;
  if (pixels > 0.0) state_.counters["ns_px"] = subject / pixels * 1e9;
}
