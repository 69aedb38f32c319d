// The stress tests' generated levels must themselves be valid, or the bounds that the
// stress tests assert on them would prove nothing.
#include <gtest/gtest.h>

#include <memory>

#include "generated_level.h"
#include "hardening_files.h"
#include "tools/level/level_checker.h"
#include "world/level_loader.h"

namespace {

using namespace hardening_test;

TEST(GeneratedLevels, LoadAndPassEveryCheckOfTheLevelChecker) {
  auto world = std::make_unique<World>();
  int rooms = 0, withEightRooms = 0;
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::vector<uint8_t> bytes = seededBytes(seed, 256);
    ByteChoices choices(bytes.data(), bytes.size());
    const LevelLoadResult loaded = parseBytes(*world, "generated.b2", generateLevel(choices));
    ASSERT_TRUE(loaded.ok) << "seed " << seed << ": " << loaded.message;
    for (const LevelProblem& problem : checkWorld(*world)) {
      ADD_FAILURE() << "seed " << seed << ": " << formatProblem(*world, problem);
    }
    rooms += world->roomCount;
    withEightRooms += world->roomCount == MaxRooms;
  }
  // The paths reach every size, the full eight rooms included.
  EXPECT_GT(rooms, 200 * 3);
  EXPECT_GT(withEightRooms, 10);
}

TEST(GeneratedLevels, NoInputIsTooShortToGiveALevel) {
  auto world = std::make_unique<World>();
  ByteChoices nothing(nullptr, 0);
  const LevelLoadResult loaded = parseBytes(*world, "generated-empty.b2", generateLevel(nothing));
  ASSERT_TRUE(loaded.ok) << loaded.message;
  EXPECT_EQ(world->roomCount, 1);
  EXPECT_TRUE(checkWorld(*world).empty());
}

}  // namespace
