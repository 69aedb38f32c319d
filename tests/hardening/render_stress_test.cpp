// The frame pass under stress: seeded random cases over the shipped and generated levels,
// with the camera anywhere, any orientation and turning rate, window sizes up to the
// largest the shell makes, and random messages. Every case checks guard bytes, a padded
// second drawing, the traversal's depth and the absence of heap allocation in a pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "hardening_files.h"
#include "render/portal_traversal.h"
#include "render_stress.h"
#include "viewer/main_loop.h"
#include "world/level_loader.h"

namespace {

using namespace hardening_test;

class RenderStress : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& file : shippedLevels()) {
      auto world = std::make_unique<World>();
      const LevelLoadResult loaded = loadLevel(*world, file.c_str());
      ASSERT_TRUE(loaded.ok) << loaded.message;
      levels.shipped.push_back(world.get());
      worlds.push_back(std::move(world));
    }
  }

  StressReport run(const std::vector<uint8_t>& bytes) {
    ByteChoices choices(bytes.data(), bytes.size());
    return runStressCase(levels, choices);
  }

  std::vector<std::unique_ptr<World>> worlds;
  StressLevels levels;
};

TEST_F(RenderStress, SeededCasesKeepEveryWriteInsideTheFrameAndAllocateNothing) {
  int64_t passes = 0;
  int outside = 0;
  int32_t deepest = 0, mostWork = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const StressReport report = run(seededBytes(seed, 512));
    ASSERT_EQ(report.fault, "") << "seed " << seed;
    passes += report.passes;
    outside += report.eyeLeftItsRoom;
    deepest = std::max(deepest, report.deepestLevel);
    mostWork = std::max(mostWork, report.mostWork);
  }
  std::printf(
      "%lld passes; %d cases drew with the eye outside its room; deepest portal chain %d rooms; "
      "most traversal work with the eye in its room %d (budget %d)\n",
      (long long)passes, outside, deepest, mostWork, MaxTraversalWork);
  // The cases reach what they are meant to: many passes, eyes outside their room, and
  // views through chains of portals.
  EXPECT_GT(passes, 750);
  EXPECT_GT(outside, 15);
  EXPECT_GE(deepest, 4);
  // Valid levels stay far below the traversal's work budget (each case checks it is
  // never reached with the eye in its room).
  EXPECT_LE(mostWork, MaxTraversalWork / 8);
}

TEST_F(RenderStress, TheLargestAndNarrowestFramesTheShellMakes) {
  // 65535 is the largest size a size message carries; the shell bounds it.
  const struct {
    int32_t width, height;
    int64_t pixels;
  } sizes[] = {{8192, 8192, 8192LL * 8192},
               {65535, 65535, int64_t(MaxClientSize) * MaxClientSize},
               {10, 8192, 12LL * 8192},
               {8192, 10, 8192LL * 10},
               {10, 10, 120}};
  for (const auto& size : sizes) {
    for (uint32_t seed = 1; seed <= 2; ++seed) {
      const std::vector<uint8_t> bytes = seededBytes(1000 + seed, 512);
      ByteChoices choices(bytes.data(), bytes.size());
      const StressReport report = runStressCase(levels, choices, {size.width, size.height});
      ASSERT_EQ(report.fault, "") << size.width << " x " << size.height << ", seed " << seed;
      EXPECT_EQ(report.startFrame, size.pixels);
    }
  }
}

}  // namespace
