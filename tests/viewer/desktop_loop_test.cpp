// The desktop loop: what its recording holds plays back through quellor-replay's script
// reader to the very frames the loop presented; the recording is on disk after every pass;
// the frame rate is reported without an allocation in the passes between reports.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/file_text.h"
#include "support/heap_counter.h"
#include "test_platform.h"
#include "viewer/desktop_loop.h"
#include "viewer/recording_script.h"
#include "viewer/run_viewer.h"

namespace {

struct DesktopLoop : ::testing::Test {
  std::string folder;
  MessageRecorder recorder;  // outlives a run, as the file of a killed viewer does
  void SetUp() override {
    char pattern[] = "/tmp/quellor-desktop-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override { (void)std::system(("rm -rf " + folder).c_str()); }

  // Frame rate lines go to folder/fps.txt; every pass is timed.
  FILE* fpsOut = nullptr;
  DesktopExtras timedExtras(PassTiming& timing) {
    fpsOut = std::fopen((folder + "/fps.txt").c_str(), "w");
    EXPECT_NE(fpsOut, nullptr);
    DesktopExtras extras;
    extras.timing = &timing;
    extras.fpsOut = fpsOut;
    return extras;
  }
  std::string fpsLines() {
    std::fclose(fpsOut);
    return fileText(folder + "/fps.txt");
  }
  // A viewer started on the empty level none.b2, saying nothing of it.
  template <class Platform>
  static void startQuietly(Viewer& viewer, Platform& platform) {
    ViewerOptions options;
    options.levelFileName = "none.b2";
    options.reportLevelFailure = false;
    std::string error;
    ASSERT_EQ(startViewerRun(viewer, platform, options, error), ViewerEnd::Finished) << error;
  }

  // Runs the desktop loop over platform with a recording into path.
  void runRecorded(TestPlatform& platform, const std::string& path, int64_t maxPasses = -1) {
    auto viewer = std::make_unique<Viewer>();
    std::string error;
    ASSERT_TRUE(recorder.open(path, "none.b2", 320, 240, error)) << error;
    DesktopExtras extras;
    extras.recorder = &recorder;
    extras.maxPasses = maxPasses;
    DesktopPlatform<TestPlatform> desktop(platform, extras);
    ViewerOptions options;
    options.levelFileName = "none.b2";
    options.reportLevelFailure = false;
    ASSERT_EQ(startViewerRun(*viewer, desktop, options, error), ViewerEnd::Finished);
    runDesktopLoop(*viewer, desktop, extras);
    finishViewerRun(*viewer, desktop);
    if (maxPasses < 0) {
      ASSERT_TRUE(recorder.finish(error)) << error;
    }
  }
};

// Walking, turning, a resize, keys the table ignores, empty passes, then a close: played
// back, the same number of frames and the same last frame.
TEST_F(DesktopLoop, ARecordingPlaysBackToTheSameFrames) {
  TestPlatform window;
  window.batches = {{key(KeyUp), other()},
                    {},
                    {key(KeyLeft), key(0)},
                    {{MessageKind::Size, 0, 401, 299}, key('A')},
                    {},
                    {key(KeyZ), {MessageKind::Minimize, 0, 0, 0}},
                    {key(KeyX), key(KeyRight)},
                    {},
                    {{MessageKind::Close, 0, 0, 0}}};
  const std::string path = folder + "/walk.txt";
  runRecorded(window, path);
  ASSERT_EQ(window.presents, 8);

  Recording script;
  std::string error;
  ASSERT_TRUE(parseRecording(fileText(path), path, script, error)) << error;
  TestPlatform replay;
  for (const ScriptedMessage& m : script.messages) {
    if (replay.batches.size() < size_t(m.pass)) replay.batches.resize(size_t(m.pass));
    replay.batches[size_t(m.pass - 1)].push_back(m.message);
  }
  auto viewer = std::make_unique<Viewer>();
  ViewerOptions options;
  options.levelFileName = "none.b2";
  options.reportLevelFailure = false;
  ASSERT_EQ(runViewer(*viewer, replay, options, error), ViewerEnd::Finished);
  EXPECT_EQ(replay.presents, window.presents);
  EXPECT_EQ(replay.lastFrame, window.lastFrame);
  EXPECT_NE(fileText(path).find("\n9 close\n"), std::string::npos);
}

TEST_F(DesktopLoop, EachPassIsOnDiskWhenItEnds) {
  TestPlatform window;
  window.batches = {{key(KeyUp)}, {key(KeyLeft)}, {key(KeyQ)}};
  const std::string path = folder + "/cut.txt";
  runRecorded(window, path, 2);  // stopped without finishing, as a killed viewer is
  const std::string partial = fileText(path + ".partial");
  EXPECT_NE(partial.find("\n1 key up\n2 key left\n"), std::string::npos) << partial;
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(DesktopLoop, FrameRateLinesWithoutAllocatingBetweenThem) {
  TestPlatform window;
  window.batches.assign(40, {});
  window.lastFrame.resize(320 * 240);
  auto viewer = std::make_unique<Viewer>();
  auto timing = std::make_unique<PassTiming>();
  DesktopExtras extras = timedExtras(*timing);
  extras.fpsIntervalSeconds = 1e9;  // never: only the passes are counted
  extras.maxPasses = 30;
  DesktopPlatform<TestPlatform> desktop(window, extras);
  startQuietly(*viewer, desktop);
  runDesktopLoop(*viewer, desktop, extras);  // the first pass may still make what frames need
  const int64_t before = heapAllocationCount();
  runDesktopLoop(*viewer, desktop, extras);
  EXPECT_EQ(heapAllocationCount(), before);
  EXPECT_EQ(timing->count(), 30);

  extras.fpsIntervalSeconds = 0;  // every pass
  extras.maxPasses = 3;
  runDesktopLoop(*viewer, desktop, extras);
  finishViewerRun(*viewer, desktop);
  const std::string lines = fpsLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
  EXPECT_EQ(lines.rfind("quellor: ", 0), 0u) << lines;
  EXPECT_NE(lines.find(" fps, medians: pass "), std::string::npos) << lines;
}

// A display that keeps each present waiting 16 ms for its vertical sync, on a clock of the
// test's own: the frame rate line gives the pass, the present and the wait apart, so the
// wait is not taken for the viewer's own time.
double fakeNow = 0;
double fakeClock() { return fakeNow; }

struct SyncedPlatform : TestPlatform {
  bool nextMessage(Message& m) {
    fakeNow += 0.002;  // each look at input: the pass's own time
    return TestPlatform::nextMessage(m);
  }
  void present(const PresentedFrame& frame) {
    TestPlatform::present(frame);
    fakeNow += 0.003 + 0.016;  // the copy, then the wait
  }
  double lastWaitSeconds() const { return 0.016; }
};

TEST_F(DesktopLoop, FrameRateLineKeepsTheWaitForTheDisplayApart) {
  SyncedPlatform window;
  window.batches.assign(8, {});
  auto viewer = std::make_unique<Viewer>();
  auto timing = std::make_unique<PassTiming>();
  DesktopExtras extras = timedExtras(*timing);
  extras.clock = fakeClock;
  extras.fpsIntervalSeconds = 5 * 0.021 - 1e-9;  // a line after the fifth pass
  extras.maxPasses = 5;
  DesktopPlatform<SyncedPlatform> desktop(window, extras);
  startQuietly(*viewer, desktop);
  runDesktopLoop(*viewer, desktop, extras);
  finishViewerRun(*viewer, desktop);
  EXPECT_EQ(fpsLines(), "quellor: 47.6 fps, medians: pass 2.000 ms, present 3.000 ms, vsync wait 16.000 ms\n");
}

}  // namespace
