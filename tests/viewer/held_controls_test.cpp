#include "viewer/held_controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_platform.h"
#include "viewer/script_vocabulary.h"

namespace {

Message release(int32_t code) { return {MessageKind::Other, code, 0, 0, OtherKind::KeyRelease}; }

// The scripted platform behind the held keys, as the desktop and the page put them.
struct HeldPlatform : TestPlatform {
  HeldControls held;
  std::vector<std::string> lines;  // what the frame pass was given, "PASS EVENT"
  bool nextMessage(Message& m) {
    if (!held.nextMessage(m, [this](Message& raw) { return TestPlatform::nextMessage(raw); })) return false;
    lines.push_back(scriptLine(presents + 1, m));
    return true;
  }
};

// Passes of the frame pass on an empty level: what each pass's camera did.
struct Held : ::testing::Test {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  HeldPlatform platform;
  std::vector<float> walk;
  std::vector<int32_t> turn;

  void SetUp() override {
    ASSERT_TRUE(createFrame(*viewer, platform));
    beginMainLoop(*viewer);
  }
  void TearDown() override {
    if (viewer->frameExists) platform.releaseFrame(viewer->frame);
  }
  void run(size_t passes) {
    platform.batches.resize(passes);
    for (size_t i = 0; i < passes; ++i) {
      ASSERT_TRUE(runPass(*viewer, platform));
      walk.push_back(viewer->walkSpeed);
      turn.push_back(viewer->camera.turnRateY);
    }
  }
};

TEST_F(Held, HeldLeftTurnsEveryPassWhateverArrivesAndUpWalksOnlyWhileHeld) {
  platform.batches = {
      {key(KeyLeft)}, {}, {}, {key(KeyUp)}, {}, {other()}, {key(KeyUp)}, {release(KeyUp)}, {}, {release(KeyLeft)}, {},
  };
  run(platform.batches.size());
  const std::vector<int32_t> turning = {TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        TurnLeftRate,
                                        0,
                                        0};
  EXPECT_EQ(turn, turning);
  const std::vector<float> walking = {0, 0, 0, WalkStep, WalkStep, WalkStep, WalkStep, 0, 0, 0, 0};
  EXPECT_EQ(walk, walking);
  // The pass's own messages first, then the held keys': walking before turning, and the
  // Space of the released Up before the turn that goes on.
  const std::vector<std::string> expected = {
      "1 key left", "1 key left",   "2 key left",  "3 key left", "4 key up",   "4 key up",        "4 key left",
      "5 key up",   "5 key left",   "6 other",     "6 key up",   "6 key left", "7 key up",        "7 key up",
      "7 key left", "8 release up", "8 key space", "8 key left", "9 key left", "10 release left",
  };
  EXPECT_EQ(platform.lines, expected);
}

TEST_F(Held, TheLaterOfOppositeKeysWinsAndTheOtherTakesOverOnRelease) {
  platform.batches = {
      {key(KeyUp)},       {key(KeyDown)},     {release(KeyDown)}, {release(KeyUp)}, {}, {key(KeyRight), key(KeyLeft)},
      {release(KeyLeft)}, {release(KeyRight)}};
  run(platform.batches.size());
  EXPECT_EQ(walk, (std::vector<float>{WalkStep, -WalkStep, WalkStep, 0, 0, 0, 0, 0}));
  EXPECT_EQ(turn, (std::vector<int32_t>{0, 0, 0, 0, 0, TurnLeftRate, TurnRightRate, 0}));
}

TEST_F(Held, RepeatsKeepTheOrderAndReleasingAllStopsWalking) {
  platform.batches = {{key(KeyDown)}, {key(KeyUp)}, {key(KeyDown)}, {}, {}};
  run(3);
  // Down's repeat does not make it the later key: Up was pressed after it.
  EXPECT_EQ(walk.back(), WalkStep);
  platform.held.releaseAll();
  run(2);
  EXPECT_EQ(walk, (std::vector<float>{-WalkStep, WalkStep, WalkStep, 0, 0}));
  EXPECT_FALSE(platform.held.held(KeyUp));
  EXPECT_EQ(platform.lines.back(), "4 key space");
}

TEST_F(Held, NothingHeldAddsNothing) {
  platform.batches = {{}, {key(KeyZ)}, {release(KeyZ)}, {}};
  run(platform.batches.size());
  EXPECT_EQ(platform.lines, (std::vector<std::string>{"2 key z", "3 release z"}));
}

// Without a message the key table's turn goes on; a tap of a turning key within one pass
// gets a Space so that it stops as a release does.
TEST_F(Held, ATapOfATurningKeyStops) {
  platform.batches = {{key(KeyLeft), release(KeyLeft)}, {}, {}};
  run(platform.batches.size());
  EXPECT_EQ(platform.lines, (std::vector<std::string>{"1 key left", "1 release left", "1 key space"}));
  EXPECT_EQ(turn, (std::vector<int32_t>{0, 0, 0}));
}

}  // namespace
