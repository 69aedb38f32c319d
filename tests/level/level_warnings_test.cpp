// Warnings for levels that are valid but surprising, each on a source made to show it,
// and silence on the shipped levels.
#include <gtest/gtest.h>

#include "level_test_support.h"
#include "tools/level/level_warnings.h"

namespace {

struct Warned {
  CheckedLevel checked;
  std::vector<LevelWarning> warnings;
  std::string all() const {
    std::string text;
    for (const LevelWarning& w : warnings) text += formatWarning("x.b2", w) + "\n";
    return text;
  }
  bool has(int room, const std::string& words) const {
    for (const LevelWarning& w : warnings) {
      if (w.room == room && w.text.find(words) != std::string::npos) return true;
    }
    return false;
  }
};

Warned warningsOf(const std::string& text, const std::string& name) {
  Warned w;
  w.checked = buildAndCheck(text, name);
  EXPECT_TRUE(w.checked.problems.empty()) << w.checked.report();
  w.warnings = findLevelWarnings(*w.checked.world);
  return w;
}

const char* const Clean = R"({"rooms": [
  {"name": "a", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
  {"name": "b", "outline": [[0, 6], [10, 6], [10, 12], [0, 12]], "floor": -4, "ceiling": 4}],
 "doors": [{"between": ["a", "b"], "min": [4, -4, 6], "max": [6, 2, 6]}]})";

TEST(LevelWarnings, ACleanLevelAndEveryShippedOneSayNothing) {
  EXPECT_TRUE(warningsOf(Clean, "warn-clean").warnings.empty()) << warningsOf(Clean, "warn-clean").all();
  for (const char* name : {"3rooms", "eight_rooms", "big_polygons", "two_rooms"}) {
    CheckedLevel level = checkFile(std::string(QUELLOR_BINARY_DIR "/") + name + ".b2");
    ASSERT_TRUE(level.problems.empty()) << name;
    EXPECT_TRUE(findLevelWarnings(*level.world).empty()) << name;
  }
}

TEST(LevelWarnings, RoomsAwayFromTheRestAndNearMisses) {
  // Room b is 0.01 short of room a: no opening, so b is never reached.
  const Warned w = warningsOf(R"({"rooms": [
    {"name": "a", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"name": "b", "outline": [[0, 6.01], [10, 6.01], [10, 12], [0, 12]], "floor": -4, "ceiling": 4}]})",
                              "warn-gap");
  EXPECT_TRUE(w.has(1, "cannot be reached from room 0")) << w.all();
  EXPECT_TRUE(w.has(0, "lies 0.01 from a wall of room 1 without an opening")) << w.all();
  // Far apart: unreachable, but no near miss.
  const Warned far = warningsOf(R"({"rooms": [
    {"name": "a", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"name": "b", "outline": [[0, 7], [10, 7], [10, 12], [0, 12]], "floor": -4, "ceiling": 4}]})",
                                "warn-far");
  EXPECT_TRUE(far.has(1, "cannot be reached")) << far.all();
  EXPECT_FALSE(far.has(0, "without an opening")) << far.all();
  // A closed door between touching rooms is deliberate: unreachable, never a near miss.
  const Warned closed = warningsOf(R"({"rooms": [
    {"name": "a", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"name": "b", "outline": [[0, 6], [10, 6], [10, 12], [0, 12]], "floor": -4, "ceiling": 4}],
    "doors": [{"between": ["a", "b"], "closed": true}]})",
                                   "warn-closed");
  EXPECT_EQ(closed.warnings.size(), 1u) << closed.all();
  EXPECT_TRUE(closed.has(1, "cannot be reached")) << closed.all();
}

TEST(LevelWarnings, TheStartPoint) {
  const Warned outside = warningsOf(R"({"rooms": [
    {"outline": [[6, -4], [10, -4], [10, 6], [6, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[0, -4], [6, -4], [6, 6], [0, 6]], "floor": -4, "ceiling": 4}]})",
                                    "warn-start-outside");
  EXPECT_TRUE(outside.has(0, "(5, 0, 0) is not inside room 0; the viewer will start in room 1")) << outside.all();
  const Warned low = warningsOf(R"({"rooms": [
    {"outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": 1, "ceiling": 6}]})",
                                "warn-start-below");
  EXPECT_TRUE(low.has(0, "inside room 0's outline but below its floor")) << low.all();
  const Warned high = warningsOf(R"({"rooms": [
    {"outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -6, "ceiling": -1}]})",
                                 "warn-start-above");
  EXPECT_TRUE(high.has(0, "above its ceiling")) << high.all();
}

TEST(LevelWarnings, FloorsAndCeilingsAtTheEyesHeight) {
  // A corridor whose ceiling is the eye's height, and a ramp whose floor crosses it.
  const Warned w = warningsOf(R"({"rooms": [
    {"outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[0, 6], [10, 6], [10, 12], [0, 12]], "floor": -4, "ceiling": 0.05},
    {"outline": [[10, -4], [16, -4], [16, 6], [10, 6]],
     "floor": {"height": -1, "at": [10, 0], "slope": [0.5, 0]}, "ceiling": 8}]})",
                              "warn-eye");
  EXPECT_TRUE(w.has(1, "its ceiling (at y = 0.05) comes within 0.1 of the eye's height")) << w.all();
  EXPECT_TRUE(w.has(1, "half ceiling seen edge-on")) << w.all();
  EXPECT_TRUE(w.has(2, "its floor (from y = -1 to 2)")) << w.all();
  EXPECT_FALSE(w.has(0, "eye's height")) << w.all();
}

TEST(LevelWarnings, OpeningsTooNarrowToWalkThrough) {
  const Warned w = warningsOf(R"({"rooms": [
    {"outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[0, 6], [10, 6], [10, 12], [0, 12]], "floor": -4, "ceiling": 4}],
    "doors": [{"between": [0, 1], "min": [5, -4, 6], "max": [5.05, 2, 6]}]})",
                              "warn-narrow");
  EXPECT_TRUE(w.has(0, "the opening to room 1")) << w.all();
  EXPECT_TRUE(w.has(0, "cannot be walked through")) << w.all();
  EXPECT_EQ(w.warnings.size(), 1u) << w.all();  // one opening, one warning
}

TEST(LevelWarnings, FormattedWithTheSourceLineOrTheFileName) {
  LevelSource source;
  std::vector<std::string> errors;
  ASSERT_TRUE(
      readLevelSource("{\"rooms\": [\n{\"name\": \"hall\", \"outline\": [[0,0],[1,0],[0,1]], \"floor\": 0, "
                      "\"ceiling\": 1}]}",
                      "mine.json", source, errors));
  EXPECT_EQ(formatWarning(source, {0, "it is odd"}), "mine.json:2: warning: room 'hall' (room 0): it is odd");
  EXPECT_EQ(formatWarning("mine.b2", {0, "it is odd"}), "mine.b2: warning: room 0: it is odd");
}

}  // namespace
