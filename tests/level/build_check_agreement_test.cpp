// A source that builds also checks: the builder refuses, at a source line, whatever the
// checker would refuse in the built file, down to the rounding of the file's floats.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "level_test_support.h"

namespace {

TEST(BuildCheckAgreement, CornersCloserThanTheCheckersToleranceAreRefusedAtTheirLine) {
  const BuildRun run = buildText(R"({"rooms": [
  {"name": "nick", "outline": [[0, 0], [4, 0], [4, 4], [0.0005, 4],
   [0, 3.9995]], "floor": -1, "ceiling": 2}
]})",
                                 "nick.json");
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.allErrors(),
            "nick.json:2: room 'nick' (room 0): corners 3 and 4 are 0.000707107 apart; corners must be at least "
            "0.01 apart\n");
}

// A door box that stops 0.0005 short of the wall's corner leaves a wall piece that thin:
// refused at the lines of the rooms whose walls it cuts, not written and then failed by
// the check.
TEST(BuildCheckAgreement, ASliverLeftByADoorIsRefusedAtTheDoorsLine) {
  const BuildRun run = buildText(R"({"rooms": [
  {"name": "a", "outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": -1, "ceiling": 2},
  {"name": "b", "outline": [[4, 0], [8, 0], [8, 4], [4, 4]], "floor": -1, "ceiling": 2}],
 "doors": [
  {"between": ["a", "b"], "min": [4, -1, 0.0005], "max": [4, 1, 2]}
]})",
                                 "sliver.json");
  EXPECT_FALSE(run.ok);
  ASSERT_FALSE(run.errors.empty());
  for (const std::string& e : run.errors) {
    EXPECT_EQ(e.rfind("sliver.json:", 0), 0u) << e;
    EXPECT_NE(e.find("once stored in the file's floats: "), std::string::npos) << e;
  }
  EXPECT_NE(run.allErrors().find("sliver.json:2: room 'a' (room 0): side 1 (piece 1), once stored in the file's "
                                 "floats: vertices 0 and 1 coincide\n"),
            std::string::npos)
      << run.allErrors();
}

// Sloped sliver rooms near the coordinates' limit, where the file's floats are coarsest:
// each one either builds into a level the checker passes, or is refused with a source
// line; none builds into a level that fails its check.
TEST(BuildCheckAgreement, RoundingNearTheCoordinateLimitNeverMakesABuiltLevelFailItsCheck) {
  std::mt19937 random(18);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int built = 0, refused = 0, byRounding = 0;
  for (int i = 0; i < 200; ++i) {
    const double x = 990 + 9 * unit(random), z = -999 + 9 * unit(random);
    const double w = 0.02 + 3 * unit(random), d = 0.02 + 3 * unit(random);
    const double sx = (unit(random) - 0.5) * 2, sz = (unit(random) - 0.5) * 2;
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"rooms\": [{\"outline\": [[%.4f, %.4f], [%.4f, %.4f], [%.4f, %.4f]],\n"
                  "\"floor\": {\"height\": -995, \"at\": [%.4f, %.4f], \"slope\": [%.4f, %.4f]},\n"
                  "\"ceiling\": 995.5}]}",
                  x, z, x + w, z + 0.001 * d, x + 0.5 * w, z + d, x, z, sx, sz);
    const BuildRun run = buildText(text, "far.json");
    if (!run.ok) {
      ++refused;
      for (const std::string& e : run.errors) EXPECT_EQ(e.rfind("far.json:", 0), 0u) << e;
      byRounding += run.allErrors().find("once stored in the file's floats") != std::string::npos;
      continue;
    }
    ++built;
    const CheckedLevel checked = checkBytes(run.bytes, "far.b2");
    EXPECT_TRUE(checked.problems.empty()) << text << "\n" << checked.report();
  }
  EXPECT_GT(built, 0);
  std::printf("near the limit: %d built and checked, %d refused at a source line (%d for the floats' rounding)\n",
              built, refused, byRounding);
}

}  // namespace
