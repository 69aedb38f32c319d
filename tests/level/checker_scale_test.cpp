// The checker's tolerance follows the level's size: a valid level stays valid at any
// scale the loader accepts, a broken one stays broken, and coordinates too large for the
// viewer's arithmetic are named as out of range.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "level_test_support.h"
#include "world/level_file.h"

namespace {

std::vector<uint8_t> builtSample(const std::string& name) {
  std::ifstream in(std::string(QUELLOR_SOURCE_DIR) + "/levels/" + name + ".json");
  std::stringstream text;
  text << in.rdbuf();
  const BuildRun run = buildText(text.str(), name + ".json");
  EXPECT_TRUE(run.ok) << run.allErrors();
  return run.bytes;
}

// Every coordinate of the file's vertex table multiplied by factor (in the file's floats).
std::vector<uint8_t> scaled(std::vector<uint8_t> bytes, float factor) {
  int32_t vertices;
  std::memcpy(&vertices, bytes.data(), 4);
  for (int32_t i = 0; i < vertices * 3; ++i) {
    float v;
    std::memcpy(&v, &bytes[12 + 4 * size_t(i)], 4);
    v *= factor;
    std::memcpy(&bytes[12 + 4 * size_t(i)], &v, 4);
  }
  return bytes;
}

TEST(CheckerScale, ValidLevelsStayValidAtAnyScaleInRange) {
  for (const char* name : {"3rooms", "eight_rooms", "big_polygons", "two_rooms"}) {
    const std::vector<uint8_t> bytes = builtSample(name);
    for (const float factor : {1e-2f, 1.0f, 1e3f, 1e10f, 1e16f, 1e17f}) {
      const CheckedLevel checked = checkBytes(scaled(bytes, factor), std::string("scaled-") + name + ".b2");
      EXPECT_TRUE(checked.problems.empty()) << name << " x " << factor << "\n" << checked.report();
    }
  }
}

TEST(CheckerScale, ToleranceIsTheRenderersForNormalLevelsAndGrowsWithTheExtent) {
  const CheckedLevel normal = checkBytes(builtSample("eight_rooms"), "tolerance-normal.b2");
  EXPECT_EQ(checkToleranceFor(*normal.world), CheckTolerance);
  const CheckedLevel huge = checkBytes(scaled(builtSample("two_rooms"), 1e16f), "tolerance-huge.b2");
  // two_rooms reaches 12 world units: 1.2e17 after the scaling.
  EXPECT_NEAR(checkToleranceFor(*huge.world) / (CheckTolerance * 1.2e17 / ToleranceExtent), 1.0, 1e-6);
}

TEST(CheckerScale, BrokenLevelsStayBrokenWhenScaled) {
  // A cube whose corner 7 sticks out by a tenth of the cube's side: not flat at any scale.
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  for (int b = 0; b < 8; ++b) {
    l.vertex(float(b & 1) + (b == 7 ? 0.1f : 0.0f), float((b >> 1) & 1), float((b >> 2) & 1));
  }
  cubeFaces(l);
  const std::vector<uint8_t> bytes = l.bytes();
  for (const float factor : {1.0f, 1e10f, 1e17f}) {
    const CheckedLevel checked = checkBytes(scaled(bytes, factor), "scaled-bent.b2");
    EXPECT_TRUE(checked.has(0, 1, "is not flat")) << factor << "\n" << checked.report();
  }
}

TEST(CheckerScale, CoordinatesBeyondTheRangeAreNamedAsSuch) {
  const CheckedLevel checked = checkBytes(scaled(builtSample("two_rooms"), 1e18f), "scaled-far.b2");
  ASSERT_FALSE(checked.problems.empty());
  for (const LevelProblem& p : checked.problems) {
    EXPECT_NE(p.text.find("is out of range: a coordinate of "), std::string::npos) << p.text;
    EXPECT_NE(p.text.find(" world units is beyond 4e+18, where the viewer's float products of coordinates overflow"),
              std::string::npos)
        << p.text;
  }
}

}  // namespace
