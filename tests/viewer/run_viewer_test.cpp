// runViewer, the start-up every platform shares, and the platform contract it checks.
#include "viewer/run_viewer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_platform.h"
#include "world/level_file.h"

namespace {

// The contract, checked by the compiler: these must hold for the build to pass at all.
struct PassesOnly {
  bool nextMessage(Message&) { return false; }
  void present(const PresentedFrame&) {}
  bool allocateFrame(int32_t, int32_t, FrameMemory&) { return false; }
  void releaseFrame(FrameMemory&) {}
};
struct Whole : PassesOnly {
  PixelSize clientPixels() { return {320, 240}; }
  void show() {}
};
struct NextMessageAnswersInt : Whole {
  int nextMessage(Message&) { return 0; }
};
struct PresentTakesNothing : Whole {
  void present() {}
};
struct ClientPixelsInTwoInts : Whole {
  void clientPixels(int32_t&, int32_t&) {}
};
static_assert(isPlatform<TestPlatform> && isPlatform<Whole>);
static_assert(runsPasses<PassesOnly> && !isPlatform<PassesOnly>, "start-up needs clientPixels and show");
static_assert(!runsPasses<NextMessageAnswersInt> && !runsPasses<PresentTakesNothing>);
static_assert(runsPasses<ClientPixelsInTwoInts> && !isPlatform<ClientPixelsInTwoInts>);
static_assert(!runsPasses<int> && !isPlatform<Viewer>);

std::string oneRoomLevel() {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  cubeFaces(l, 0, -1, 0);
  return l.write(std::string("start-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".b2");
}

struct Start : ::testing::Test {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  TestPlatform platform;
  ViewerOptions options;
  std::string level = oneRoomLevel();
  std::string error;
  std::string reported;

  ViewerEnd run(int64_t passes) {
    options.programName = "quellor-test";
    options.levelFileName = level.c_str();
    options.maxPasses = passes;
    platform.logCalls = true;
    testing::internal::CaptureStderr();
    const ViewerEnd end = runViewer(*viewer, platform, options, error);
    reported = testing::internal::GetCapturedStderr();
    return end;
  }
};

TEST_F(Start, FrameThenShowThenTheLoopThenTheRelease) {
  EXPECT_EQ(run(2), ViewerEnd::Finished);
  const std::vector<std::string> expected{"allocate 320x240", "show", "present", "present", "release"};
  EXPECT_EQ(platform.calls, expected);
  EXPECT_FALSE(viewer->frameExists);
  EXPECT_EQ(viewer->camera.position.x, 5.0f);
  EXPECT_EQ(viewer->world.roomCount, 1);
  EXPECT_EQ(viewer->world.overviewEnabled, 0);
  EXPECT_EQ(reported, "");
}

TEST_F(Start, AClientAreaOfMorePixelsRemakesTheFrameBeforeTheWindowShows) {
  platform.client = {641, 480};  // a HiDPI display; widths are rounded up to four
  EXPECT_EQ(run(1), ViewerEnd::Finished);
  const std::vector<std::string> expected{"allocate 320x240", "allocate 644x480", "release", "show",
                                          "present",          "release"};
  EXPECT_EQ(platform.calls, expected);
  EXPECT_EQ(platform.lastFrame.size(), size_t(644) * 480);
}

TEST_F(Start, WithoutAFrameNothingIsShownLoadedOrDrawn) {
  platform.failAllocations = true;
  EXPECT_EQ(run(3), ViewerEnd::NoFrame);
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_EQ(viewer->world.roomCount, 0);
}

TEST_F(Start, ALevelThatDoesNotLoadIsReportedAndTheViewerRunsOn) {
  level = ::testing::TempDir() + "no-such-level.b2";
  EXPECT_EQ(run(2), ViewerEnd::Finished);
  EXPECT_EQ(platform.presents, 2);
  EXPECT_NE(reported.find("quellor-test: "), std::string::npos) << reported;
  for (uint8_t p : platform.lastFrame) ASSERT_EQ(p, 0) << "an empty level draws an empty frame";
}

TEST_F(Start, ARowWriterIsChosenByNameBeforeAnythingIsMade) {
  options.rowWriter = "sse2";
  EXPECT_EQ(run(1), ViewerEnd::Finished);
  EXPECT_EQ(viewer->renderer.writer(), RowWriter::Sse2);

  viewer = std::make_unique<Viewer>();
  platform = TestPlatform{};
  options.rowWriter = "";  // set but empty: the quickest
  EXPECT_EQ(run(1), ViewerEnd::Finished);
  EXPECT_EQ(viewer->renderer.writer(), fastestRowWriter());

  viewer = std::make_unique<Viewer>();
  platform = TestPlatform{};
  options.rowWriter = "avx3";
  EXPECT_EQ(run(1), ViewerEnd::BadRowWriter);
  EXPECT_EQ(error, "QUELLOR_ROW_WRITER=avx3: not a row writer (sse2, avx2 or avx512)");
  EXPECT_TRUE(platform.calls.empty());
}

TEST(ChooseRowWriter, AWriterThisProcessorCannotRunIsRefusedAndTheOldOneKept) {
  for (const RowWriter writer : AllRowWriters) {
    auto viewer = std::make_unique<Viewer>();
    viewer->renderer.setWriter(RowWriter::Sse2);
    std::string error;
    const bool chosen = chooseRowWriter(viewer->renderer, rowWriterName(writer), error);
    EXPECT_EQ(chosen, rowWriterRuns(writer)) << rowWriterName(writer);
    if (chosen) {
      EXPECT_EQ(viewer->renderer.writer(), writer);
    } else {
      EXPECT_EQ(viewer->renderer.writer(), RowWriter::Sse2);
      EXPECT_NE(error.find("this processor cannot run"), std::string::npos) << error;
    }
  }
}

}  // namespace
