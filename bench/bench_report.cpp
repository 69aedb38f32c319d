#include "bench/bench_report.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double toMicroseconds(double value, benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return value / 1e3;
    case benchmark::kMicrosecond:
      return value;
    case benchmark::kMillisecond:
      return value * 1e3;
    case benchmark::kSecond:
      return value * 1e6;
  }
  return value;
}

// Shows the median of each case (or each run when nothing is repeated) and keeps it.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  // Escape codes only on a terminal, not in a saved report.
  explicit MedianReporter(MedianTable& medians)
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular), medians_(medians) {}

  void ReportRuns(const std::vector<Run>& report) override {
    std::vector<Run> shown;
    for (const Run& run : report) {
      if (run.error_occurred) {
        failed_ = true;
        shown.push_back(run);
        continue;
      }
      const bool aggregate = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (!aggregate && !single) continue;
      shown.push_back(run);
      const bool fresh = medians_.count(run.run_name.function_name) == 0;
      CaseMedians& figures = medians_[run.run_name.function_name];
      if (fresh) figures.order = int(medians_.size()) - 1;
      figures.microseconds = toMicroseconds(run.GetAdjustedRealTime(), run.time_unit);
      for (const auto& counter : run.counters) figures.counters[counter.first] = counter.second.value;
      // Cases that time each iteration report the median iteration; that is their time.
      const auto median = figures.counters.find("median_us");
      if (median != figures.counters.end()) figures.microseconds = median->second;
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
  }

  bool failed() const { return failed_; }

 private:
  MedianTable& medians_;
  bool failed_ = false;
};

bool hasFlag(int argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
  }
  return false;
}

}  // namespace

bool runBenchmarks(int argc, char** argv, MedianTable& medians) {
  // Defaults first, so that the same flags given on the command line win.
  std::vector<char*> args{argv[0]};
  static char repetitions[] = "--benchmark_repetitions=5";
  if (!hasFlag(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions);
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  int count = int(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return false;
  MedianReporter reporter(medians);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return !reporter.failed();
}

std::vector<std::string> casesInOrder(const MedianTable& medians) {
  std::vector<std::string> names(medians.size());
  for (const auto& entry : medians) names[size_t(entry.second.order)] = entry.first;
  return names;
}

double medianTime(const MedianTable& medians, const std::string& name) {
  const auto found = medians.find(name);
  return found == medians.end() ? NAN : found->second.microseconds;
}

double medianCounter(const MedianTable& medians, const std::string& name, const std::string& counter) {
  const auto found = medians.find(name);
  if (found == medians.end()) return NAN;
  const auto value = found->second.counters.find(counter);
  return value == found->second.counters.end() ? NAN : value->second;
}

void printSummaryRow(const std::string& figure, double value, const char* unit, const std::string& target,
                     const char* met) {
  if (std::isnan(value)) return;
  std::printf("| %-52s | %10.3f %-5s | %-22s | %-3s |\n", figure.c_str(), value, unit, target.c_str(), met);
}

const char* metMark(bool met) { return met ? "yes" : "NO"; }
