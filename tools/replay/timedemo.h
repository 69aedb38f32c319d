#pragma once
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/pass_timing.h"
#include "viewer/recording_script.h"
#include "viewer/run_viewer.h"

// quellor-replay --timedemo: the frame pass run as fast as it goes, with nothing written,
// and each pass timed.
struct TimedemoPlan {
  const char* levelFileName = "3rooms.b2";
  const std::vector<uint8_t>* levelBytes = nullptr;  // a recording's first level, parsed instead of the file
  int32_t width = FirstClientWidth, height = FirstClientHeight;  // the client size at start
  const Recording* script = nullptr;                             // null: the viewer stands still
  int64_t runs = 1;                                              // each run starts a fresh viewer on the level
  int64_t passesPerRun = 1;                                      // at most; a script that quits or closes ends its run
  bool present = false;                                          // also expand each frame to 32-bit colour, timed apart
  bool topDown = false;
  const char* rowWriter = nullptr;
  const volatile std::sig_atomic_t* stop = nullptr;  // non-zero: the run ends before its next pass
};

struct TimedemoOutcome {
  ViewerEnd end = ViewerEnd::Finished;
  std::string error;        // for BadRowWriter
  bool levelLoaded = true;  // false when any run's level did not load
};

// Runs the plan, adding every presented pass to timing.
TimedemoOutcome runTimedemo(const TimedemoPlan& plan, PassTiming& timing);

// The figures, a line each: passes, total time and passes per second; the median and worst
// pass; with present, the median and total palette expansion. Total time is the sum of the
// timed passes (and expansions), not of the level loads between runs; medians are of the
// first PassTiming::Capacity passes.
std::string timedemoReport(const PassTiming& timing, bool present);
