// The starter level names the file it is written to, whatever that name holds.
#include <gtest/gtest.h>

#include "level_test_support.h"
#include "tools/level/level_warnings.h"
#include "tools/level/starter_level.h"

namespace {

TEST(StarterLevel, AnyNameLeavesALevelThatBuildsCleanAndSaysWhereTheViewerStarts) {
  for (const std::string path : {"mine.json", "levels/two.json", "no-ending", "odd\nname{svg}.json"}) {
    const std::string text = starterLevelText(path);
    const BuildRun built = buildText(text, "starter.json");
    ASSERT_TRUE(built.ok) << path << ":\n" << built.allErrors() << text;
    EXPECT_EQ(built.level.rooms.size(), 2u);
    EXPECT_NE(text.find("The viewer starts at (5, 0, 0) looking along +z"), std::string::npos) << text;
  }
  EXPECT_NE(starterLevelText("no-ending").find("plan no-ending   (writes no-ending.svg beside it)"), std::string::npos);
  EXPECT_NE(starterLevelText("levels/two.json").find("--watch levels/two.json levels/two.b2\n"), std::string::npos);
  // A line break in the name would end the comment: it shows as '?', and a name that looks
  // like one of the template's blanks stays as it is.
  EXPECT_NE(starterLevelText("odd\nname{svg}.json").find("plan odd?name{svg}.json "), std::string::npos);
}

}  // namespace
