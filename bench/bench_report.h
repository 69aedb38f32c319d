#pragma once
// What every benchmark program here shares: the run with the project's defaults, one
// console line per case (the median over the repetitions), and the medians kept for a
// summary table that compares each case with the reference measured beside it.
#include <map>
#include <string>
#include <vector>

struct CaseMedians {
  double microseconds = 0.0;               // the case's time: its median_us counter if it has one
  std::map<std::string, double> counters;  // medians of its counters
  int order = 0;                           // when it ran, from 0
};

using MedianTable = std::map<std::string, CaseMedians>;

// The table's names in the order the cases ran.
std::vector<std::string> casesInOrder(const MedianTable& medians);

// Runs the registered benchmarks. Unless the command line says otherwise, every case
// is repeated 5 times and the median of each figure is reported (in colour only on a
// terminal). Returns false when a
// case failed or the command line was not understood.
bool runBenchmarks(int argc, char** argv, MedianTable& medians);

// A value from the table, or NaN when the case did not run (filtered out or failed).
double medianTime(const MedianTable& medians, const std::string& name);
double medianCounter(const MedianTable& medians, const std::string& name, const std::string& counter);

// Prints one row of the summary, or nothing when value is NaN; `met` is "yes", "NO" or "".
void printSummaryRow(const std::string& figure, double value, const char* unit, const std::string& target,
                     const char* met);
const char* metMark(bool met);
