#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>

#include "tools/replay/timedemo.h"
#include "world/level_file.h"

namespace {

std::string cubeLevel(const std::string& name) {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  cubeFaces(l);
  return l.write(name);
}

Recording scriptOf(std::initializer_list<ScriptedMessage> messages) {
  Recording script;
  script.messages = messages;
  return script;
}

struct Timed {
  TimedemoOutcome outcome;
  std::unique_ptr<PassTiming> timing = std::make_unique<PassTiming>();
};

Timed timedemo(const TimedemoPlan& plan) {
  Timed t;
  testing::internal::CaptureStderr();
  t.outcome = runTimedemo(plan, *t.timing);
  testing::internal::GetCapturedStderr();
  return t;
}

// Every run starts afresh and counts each presented pass once; a quit ends its run early.
TEST(Timedemo, CountsEveryPassOfEveryRun) {
  const std::string level = cubeLevel("timedemo-cube.b2");
  TimedemoPlan plan;
  plan.levelFileName = level.c_str();
  plan.passesPerRun = 7;
  Timed still = timedemo(plan);
  EXPECT_EQ(still.outcome.end, ViewerEnd::Finished);
  EXPECT_TRUE(still.outcome.levelLoaded);
  EXPECT_EQ(still.timing->count(), 7);

  // A walk, a turn, a resize (the colour image must follow it) and a quit at pass 5.
  const Recording script = scriptOf({{1, {MessageKind::KeyDown, KeyUp, 0, 0}},
                                     {2, {MessageKind::Size, 0, 640, 200}},
                                     {3, {MessageKind::KeyDown, KeyLeft, 0, 0}},
                                     {5, {MessageKind::KeyDown, KeyQ, 0, 0}}});
  plan.script = &script;
  plan.runs = 3;
  plan.present = true;
  Timed scripted = timedemo(plan);
  EXPECT_TRUE(scripted.outcome.levelLoaded);
  EXPECT_EQ(scripted.timing->count(), 3 * 5);
  plan.passesPerRun = 2;
  EXPECT_EQ(timedemo(plan).timing->count(), 3 * 2);
}

TEST(Timedemo, ALevelThatDoesNotLoadStillRunsAndIsReportedOnce) {
  TimedemoPlan plan;
  plan.levelFileName = "/nonexistent/timedemo.b2";
  plan.runs = 4;
  plan.passesPerRun = 2;
  const Recording empty;
  plan.script = &empty;
  PassTiming timing;
  testing::internal::CaptureStderr();
  const TimedemoOutcome outcome = runTimedemo(plan, timing);
  const std::string reports = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(outcome.levelLoaded);
  EXPECT_EQ(timing.count(), 8);
  const std::string line = "quellor-replay: /nonexistent/timedemo.b2: cannot be opened: No such file or directory\n";
  const size_t first = reports.find(line);
  EXPECT_NE(first, std::string::npos) << reports;
  EXPECT_EQ(reports.find(line, first + 1), std::string::npos) << reports;
}

TEST(Timedemo, AStopEndsTheRunsAndABadRowWriterRunsNothing) {
  const std::sig_atomic_t stop = 1;
  TimedemoPlan plan;
  plan.levelFileName = "/nonexistent/timedemo.b2";
  plan.passesPerRun = 1000;
  plan.runs = 1000;
  plan.stop = &stop;
  EXPECT_EQ(timedemo(plan).timing->count(), 0);
  plan.stop = nullptr;
  plan.rowWriter = "mmx";
  const Timed bad = timedemo(plan);
  EXPECT_EQ(bad.outcome.end, ViewerEnd::BadRowWriter);
  EXPECT_NE(bad.outcome.error.find("mmx"), std::string::npos);
  EXPECT_EQ(bad.timing->count(), 0);
}

// The figures from known samples: the wording and the arithmetic, not a measured time.
TEST(Timedemo, ReportGivesEachFigureOnItsLine) {
  PassTiming timing;
  timing.add(0.001, 0.0005);
  timing.add(0.003, 0.0005);
  timing.add(0.002, 0.0020);
  timing.add(0.002, 0.0000);
  EXPECT_EQ(timedemoReport(timing, false),
            "passes: 4\ntotal: 0.008 s\npasses per second: 500.0\npass: median 2.000 ms, worst 3.000 ms\n");
  EXPECT_EQ(timedemoReport(timing, true),
            "passes: 4\ntotal: 0.011 s\npasses per second: 363.6\npass: median 2.000 ms, worst 3.000 ms\n"
            "present (palette to 32-bit): median 0.500 ms, total 0.003 s\n");
  EXPECT_EQ(timedemoReport(PassTiming(), false),
            "passes: 0\ntotal: 0.000 s\npasses per second: 0.0\npass: median 0.000 ms, worst 0.000 ms\n");
}

}  // namespace
