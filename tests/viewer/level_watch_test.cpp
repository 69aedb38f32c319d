// Following the level file between passes of the frame pass: new versions replace the
// shown level whole, refused or vanished ones keep it, and the camera never moves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "test_platform.h"
#include "viewer/level_watch.h"
#include "world/level_file.h"

namespace {

// One cube room 0..10 on every axis.
LevelBytes oneRoom() {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  cubeFaces(l);
  return l;
}

// Two cube rooms side by side along x, joined through their shared face.
LevelBytes twoRooms() { return twoCubeRooms(); }

// Puts a new version in place the way the level tool does: a whole file renamed over it.
void replaceWith(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".new";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  ASSERT_EQ(std::rename(temporary.c_str(), path.c_str()), 0);
}

struct LevelWatchTest : ::testing::Test {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  TestPlatform platform;
  LevelWatch watch;
  std::string path;
  int64_t clock = 1000;  // a made-up clock: tests step it, they never wait

  void SetUp() override {
    path = ::testing::TempDir() + "watched-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".b2";
    std::remove(path.c_str());
    replaceWith(path, oneRoom().bytes());
    ASSERT_TRUE(createFrame(*viewer, platform));
    ASSERT_TRUE(startViewer(*viewer, path.c_str()).ok);
    beginMainLoop(*viewer);
    ASSERT_TRUE(startLevelWatch(watch, path, clock));
  }
  void TearDown() override {
    stopLevelWatch(watch);
    if (viewer->frameExists) platform.releaseFrame(viewer->frame);
    std::remove(path.c_str());
  }

  // One pass as the loop makes it: the watch first, then the frame pass.
  LevelWatchResult pass(int64_t stepMs = 100) {
    clock += stepMs;
    const LevelWatchResult result = pollLevelWatch(watch, viewer->world, viewer->camera, clock);
    EXPECT_TRUE(runPass(*viewer, platform));
    return result;
  }
};

TEST_F(LevelWatchTest, ANewVersionReplacesTheLevelAndKeepsTheCameraAndWalking) {
  platform.batches = {{key(KeyUp)}, {key(KeyRight)}};
  pass();
  pass();  // walking forward and turning right
  EXPECT_EQ(viewer->world.roomCount, 1);
  const Vec3 position = viewer->camera.position;
  const Matrix3 orientation = viewer->camera.orientation;
  const int32_t turn = viewer->camera.turnRateY;

  replaceWith(path, twoRooms().bytes());
  clock += LevelCheckIntervalMs;
  EXPECT_EQ(pollLevelWatch(watch, viewer->world, viewer->camera, clock), LevelWatchResult::Reloaded);
  EXPECT_EQ(viewer->world.roomCount, 2);
  EXPECT_EQ(viewer->world.rooms[1].polygonCount, 6);
  EXPECT_EQ(viewer->world.currentRoom, 0);
  EXPECT_EQ(std::memcmp(&viewer->camera.position, &position, sizeof position), 0);
  EXPECT_EQ(std::memcmp(&viewer->camera.orientation, &orientation, sizeof orientation), 0);
  EXPECT_EQ(viewer->camera.turnRateY, turn);
  EXPECT_EQ(viewer->walkSpeed, WalkStep);

  // The walk goes on in the new level, and the same version is not loaded again.
  const float z = viewer->camera.position.z;
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Unchanged);
  EXPECT_GT(viewer->camera.position.z, z);
  EXPECT_EQ(watch.loads, 1);
}

TEST_F(LevelWatchTest, ARefusedVersionKeepsTheLevelAndIsReportedOnce) {
  replaceWith(path, twoRooms().bytes());
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Reloaded);

  std::vector<uint8_t> cut = oneRoom().bytes();
  cut.resize(cut.size() - 7);  // ends inside the last wall
  replaceWith(path, cut);
  testing::internal::CaptureStderr();
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Refused);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Unchanged);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(viewer->world.roomCount, 2);
  EXPECT_EQ(viewer->world.rooms[1].polygonCount, 6);
  EXPECT_NE(said.find(path + ": "), std::string::npos) << said;
  EXPECT_EQ(said.find(path + ": "), said.rfind(path + ": ")) << said;  // once
  EXPECT_NE(said.find("the level shown stays"), std::string::npos);
  EXPECT_EQ(watch.loads, 2);

  // Fixed again: shown.
  replaceWith(path, oneRoom().bytes());
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Reloaded);
  EXPECT_EQ(viewer->world.roomCount, 1);
}

TEST_F(LevelWatchTest, AVanishedFileKeepsTheLevelUntilItComesBack) {
  testing::internal::CaptureStderr();
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Missing);
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Unchanged);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("gone"), std::string::npos) << said;
  EXPECT_EQ(viewer->world.roomCount, 1);
  EXPECT_EQ(watch.loads, 0);

  replaceWith(path, twoRooms().bytes());
  EXPECT_EQ(pass(LevelCheckIntervalMs), LevelWatchResult::Reloaded);
  EXPECT_EQ(viewer->world.roomCount, 2);
}

TEST_F(LevelWatchTest, WithoutNewsTheFileIsLookedAtAboutOnceASecond) {
  // Inotify off: only the clock makes it look.
  stopLevelWatch(watch);
  for (int i = 0; i < 25; ++i) pass(100);  // 2.5 s of passes
  EXPECT_EQ(watch.checks, 2);
  replaceWith(path, twoRooms().bytes());
  int passes = 0;
  while (viewer->world.roomCount != 2 && passes < 20) {
    pass(100);
    ++passes;
  }
  EXPECT_EQ(viewer->world.roomCount, 2);
  EXPECT_LE(passes, 10);  // within a second of made-up time
}

TEST_F(LevelWatchTest, InotifyNoticesAChangeBeforeTheSecondIsUp) {
  if (watch.notifyFd < 0) GTEST_SKIP() << "no inotify here";
  replaceWith(path, twoRooms().bytes());
  EXPECT_EQ(pass(1), LevelWatchResult::Reloaded);
}

TEST_F(LevelWatchTest, AnEyeInsideTheNewSecondRoomMakesItCurrent) {
  viewer->camera.position = {15, 5, 5};  // in room 1 of the two-room level
  replaceWith(path, twoRooms().bytes());
  EXPECT_EQ(pollLevelWatch(watch, viewer->world, viewer->camera, clock + LevelCheckIntervalMs),
            LevelWatchResult::Reloaded);
  EXPECT_EQ(viewer->world.currentRoom, 1);
  // Back to one room: the current room stays in range.
  replaceWith(path, oneRoom().bytes());
  EXPECT_EQ(pollLevelWatch(watch, viewer->world, viewer->camera, clock + 2 * LevelCheckIntervalMs),
            LevelWatchResult::Reloaded);
  EXPECT_EQ(viewer->world.currentRoom, 0);
}

}  // namespace
