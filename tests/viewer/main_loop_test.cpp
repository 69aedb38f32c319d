#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "test_platform.h"
#include "world/level_file.h"

#include "support/heap_counter.h"

namespace {

// Two cube rooms side by side (0..10 and 10..20 along x) joined through their shared face.
std::string twoRoomLevel() {
  LevelBytes l = twoCubeRooms();
  // A file of its own per test: tests run side by side, and the reader locks what it opens.
  return l.write(std::string("shell-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".b2");
}

struct Shell : ::testing::Test {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  TestPlatform platform;

  void start(const std::string& level = twoRoomLevel()) {
    ASSERT_TRUE(createFrame(*viewer, platform));
    testing::internal::CaptureStderr();
    startViewer(*viewer, level.c_str());
    testing::internal::GetCapturedStderr();
  }
  void TearDown() override {
    if (viewer->frameExists) platform.releaseFrame(viewer->frame);
  }
};

TEST_F(Shell, StartsAt320By240BottomUpWithTheCameraPlaced) {
  start();
  const Viewport& v = viewer->viewport;
  EXPECT_EQ(v.width, 320);
  EXPECT_EQ(v.height, 240);
  EXPECT_EQ(v.projectionScale, 120.0);
  EXPECT_EQ(v.centreX, 159.5);
  EXPECT_EQ(v.centreY, 120.5);
  EXPECT_EQ(v.pitch, -320);
  EXPECT_EQ(v.rowOrigin, viewer->frame.pixels + 239 * 320);
  EXPECT_EQ(viewer->camera.position.x, 5.0f);
  EXPECT_EQ(viewer->camera.orientation.rows[2].z, 1.0f);
  EXPECT_EQ(viewer->world.roomCount, 2);
  EXPECT_EQ(viewer->world.overviewEnabled, 0);
}

TEST_F(Shell, WithoutInputEveryPassDrawsAndTheCameraStays) {
  start();
  runMainLoop(*viewer, platform, 5);
  EXPECT_EQ(platform.presents, 5);
  EXPECT_EQ(viewer->camera.position.z, 0.0f);
  EXPECT_EQ(viewer->camera.orientation.rows[0].x, 1.0f);
  EXPECT_EQ(viewer->world.currentRoom, 0);
}

TEST_F(Shell, HeldLeftArrowTurnsEveryPassUntilABatchWithoutIt) {
  start();
  platform.batches = {{key(KeyLeft)}, {key(KeyLeft), key(KeyLeft)}, {}, {other()}, {}};
  runMainLoop(*viewer, platform, 3);
  EXPECT_EQ(viewer->camera.turnRateY, TurnLeftRate);  // the empty third pass keeps turning
  const float afterThree = viewer->camera.orientation.rows[2].x;
  EXPECT_LT(afterThree, 0.0f);
  runMainLoop(*viewer, platform, 2);  // a key-up batch stops the turn
  EXPECT_EQ(viewer->camera.turnRateY, 0);
  EXPECT_EQ(viewer->camera.orientation.rows[2].x, afterThree);
}

TEST_F(Shell, WalkingGoesOnAfterTheKeyUntilSpaceOrDown) {
  start();
  platform.batches = {{key(KeyUp)}, {other()}, {{MessageKind::Other, 0, 0, 0}}, {key(KeySpace)}};
  runMainLoop(*viewer, platform, 3);
  EXPECT_FLOAT_EQ(viewer->camera.position.z, 0.24f);
  EXPECT_EQ(viewer->walkSpeed, WalkStep);
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->walkSpeed, 0.0f);
  platform.batches.push_back({key(KeyDown)});
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->walkSpeed, -WalkStep);
}

TEST_F(Shell, OnlyTheTableKeysDoAnything) {
  start();
  platform.batches = {{key(KeyRight), key('A'), key('1'), key(0x70)}};
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->camera.turnRateY, TurnRightRate);
  EXPECT_EQ(viewer->walkSpeed, 0.0f);
  EXPECT_EQ(viewer->quitRequested, 0);
}

TEST_F(Shell, QDrawsOneMoreFrameThenEnds) {
  start();
  platform.batches = {{}, {key(KeyQ)}, {}, {}};
  runMainLoop(*viewer, platform);
  EXPECT_EQ(platform.presents, 2);
  EXPECT_EQ(viewer->quitRequested, 1);
}

TEST_F(Shell, CloseEndsAtOnceWithoutDrawingAndReleasesTheFrame) {
  start();
  platform.batches = {{}, {key(KeyUp), {MessageKind::Close, 0, 0, 0}, key(KeyQ)}};
  runMainLoop(*viewer, platform);
  EXPECT_EQ(platform.presents, 1);
  EXPECT_FALSE(viewer->frameExists);
  EXPECT_EQ(platform.releases, platform.allocations);
  EXPECT_EQ(viewer->quitRequested, 0);  // the Q behind the close was never handled
}

TEST_F(Shell, ZAndXSwitchTheOverview) {
  start();
  platform.batches = {{key(KeyZ)}, {key(KeyX)}};
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->world.overviewEnabled, 1);
  const std::vector<uint8_t> overview = platform.lastFrame;
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->world.overviewEnabled, 0);
  EXPECT_NE(platform.lastFrame, overview);
}

TEST_F(Shell, SizesAreRoundedUpToFourAndBoundedBelow) {
  start();
  platform.batches = {{size(321, 200)}};
  runMainLoop(*viewer, platform, 1);
  const Viewport& v = viewer->viewport;
  EXPECT_EQ(v.width, 324);
  EXPECT_EQ(v.height, 200);
  EXPECT_EQ(v.projectionScale, 100.0);
  EXPECT_EQ(v.centreX, 161.5);
  EXPECT_EQ(v.centreY, 100.5);
  EXPECT_EQ(platform.lastFrame.size(), 324u * 200u);

  // Too small: the old size stays, yet the frame is rebuilt and cleared.
  const int before = platform.allocations;
  viewer->frame.pixels[0] = 77;
  platform.batches.push_back({size(8, 500), size(500, 9)});
  resizeFrame(*viewer, platform, 8, 500);
  EXPECT_EQ(platform.allocations, before + 1);
  EXPECT_EQ(v.width, 324);
  EXPECT_EQ(v.height, 200);
  EXPECT_EQ(viewer->frame.pixels[0], 0);
}

TEST_F(Shell, ResizingRebuildsTheScreenPlanes) {
  start();
  platform.batches = {{size(640, 240)}};
  runMainLoop(*viewer, platform, 1);
  Camera reference;
  reference.buildScreenPlanes(viewer->viewport);
  EXPECT_EQ(viewer->camera.screenPlanes[0].normal.x, reference.screenPlanes[0].normal.x);
  EXPECT_NE(viewer->camera.screenPlanes[0].normal.x, -0.6012017f);
}

TEST_F(Shell, MinimisingLeavesTheFrameAlone) {
  start();
  runMainLoop(*viewer, platform, 1);
  const int before = platform.allocations;
  platform.batches.push_back({{MessageKind::Minimize, 0, 0, 0}});
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(platform.allocations, before);
}

TEST_F(Shell, AFrameThatCannotBeMadeKeepsTheOldOne) {
  start();
  platform.failAllocations = true;
  uint8_t* pixels = viewer->frame.pixels;
  resizeFrame(*viewer, platform, 1000, 800);
  EXPECT_EQ(viewer->viewport.width, 320);
  EXPECT_EQ(viewer->viewport.height, 240);
  EXPECT_EQ(viewer->frame.pixels, pixels);
  EXPECT_EQ(viewer->renderer.rowCount(), 240);
}

TEST_F(Shell, HugeSizesAreBounded) {
  start();
  resizeFrame(*viewer, platform, 65535, 12);
  EXPECT_EQ(viewer->viewport.width, MaxClientSize);
  EXPECT_EQ(viewer->viewport.height, 12);
  EXPECT_EQ(viewer->renderer.rowCount(), 12);
}

TEST_F(Shell, BothRowOrdersGiveTheSameImage) {
  TestPlatform topDown;
  topDown.order = RowOrder::TopDown;
  auto other = std::make_unique<Viewer>();
  ASSERT_TRUE(createFrame(*other, topDown));
  startViewer(*other, twoRoomLevel().c_str());
  start();
  platform.batches = {{key(KeyRight)}, {key(KeyRight)}, {key(KeyUp)}};
  topDown.batches = platform.batches;
  runMainLoop(*viewer, platform, 6);
  runMainLoop(*other, topDown, 6);
  EXPECT_EQ(other->viewport.pitch, 320);
  EXPECT_EQ(platform.lastFrame, topDown.lastFrame);
  // The eye stands on the floor's plane, so only the upper half of the view shows walls.
  size_t painted = 0;
  for (uint8_t p : platform.lastFrame) painted += p != 0;
  EXPECT_GT(painted, platform.lastFrame.size() / 3);
  topDown.releaseFrame(other->frame);
}

// Large frames keep their spans and are written row by row at the end of the pass; the
// frames must be the same as those cleared and painted span by span.
TEST_F(Shell, KeptSpansGiveTheSameFramesAsPaintingAtOnce) {
  TestPlatform keeping;
  auto other = std::make_unique<Viewer>();
  other->renderer.keepFromBytes = 0;
  viewer->renderer.keepFromBytes = SIZE_MAX;
  ASSERT_TRUE(createFrame(*other, keeping));
  startViewer(*other, twoRoomLevel().c_str());
  start();
  platform.batches = {{key(KeyRight)},           {}, {key(KeyUp)},   {}, {}, {key(KeyZ)}, {},
                      {key(KeyX), key(KeyLeft)}, {}, {key(KeyDown)}, {}};
  keeping.batches = platform.batches;
  beginMainLoop(*viewer);
  beginMainLoop(*other);
  for (size_t pass = 0; pass < platform.batches.size(); ++pass) {
    ASSERT_TRUE(runPass(*viewer, platform));
    ASSERT_TRUE(runPass(*other, keeping));
    ASSERT_EQ(platform.lastFrame, keeping.lastFrame);
  }
  keeping.releaseFrame(other->frame);
}

TEST_F(Shell, APassAllocatesNothing) {
  start();
  platform.batches = {{key(KeyUp)}, {key(KeyLeft)}, {key(KeyZ)}, {key(KeyX)}, {}, {key(KeyRight)}};
  runMainLoop(*viewer, platform, 1);  // the test platform's own frame copy grows once
  const int64_t before = heapAllocationCount();
  runMainLoop(*viewer, platform, 100);
  viewer->renderer.keepFromBytes = 0;  // and with the spans kept
  runMainLoop(*viewer, platform, 100);
  EXPECT_EQ(heapAllocationCount(), before);
  EXPECT_GT(viewer->camera.position.z, 0.0f);
  auto probe = std::make_unique<int>(1);  // the counter does see allocations
  EXPECT_EQ(heapAllocationCount(), before + 1);
}

TEST_F(Shell, AWorldWithoutRoomsShowsAnEmptyFrame) {
  start("/nonexistent/level.b2");
  EXPECT_EQ(viewer->world.roomCount, 0);
  platform.batches = {{key(KeyUp)}};
  for (const size_t keptFrom : {size_t(0), SIZE_MAX}) {
    viewer->renderer.keepFromBytes = keptFrom;
    std::memset(viewer->frame.pixels, 7, 320 * 240);
    runMainLoop(*viewer, platform, 3);
    for (uint8_t p : platform.lastFrame) ASSERT_EQ(p, 0);
  }
  EXPECT_EQ(platform.presents, 6);
}

}  // namespace
