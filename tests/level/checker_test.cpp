// The checker against small hand-made level files, each breaking one invariant.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "level_test_support.h"
#include "world/level_file.h"

namespace {

// The unit cube (level units; 0..10 in world units) has corners b = x + 2y + 4z and
// faces x = 0, x = 1, y = 0, y = 1, z = 0, z = 1 in that order.
const int32_t CubeFace[6][4] = {{2, 0, 4, 6}, {5, 1, 3, 7}, {4, 0, 1, 5}, {3, 2, 6, 7}, {1, 0, 2, 3}, {6, 4, 5, 7}};

LevelBytes& face(LevelBytes& l, int f, int32_t base = 0) {
  const int32_t* q = CubeFace[f];
  return l.wall({q[0] + base, q[1] + base, q[2] + base, q[3] + base});
}

CheckedLevel check(const LevelBytes& l, const std::string& name) { return checkBytes(l.bytes(), name + ".b2"); }

// A level of `rooms` rooms whose vertex table is the unit cube's corners, then `extra`.
LevelBytes cubeLevel(int32_t rooms = 1, std::initializer_list<Vec3> extra = {}) {
  LevelBytes l;
  l.i32(8 + int32_t(extra.size())).i32(0).i32(rooms);
  cubeVertices(l);
  for (const Vec3& v : extra) l.vertex(v.x, v.y, v.z);
  return l;
}

// Two cube rooms' corners, the second cube offsetX along x (1: side by side).
LevelBytes twoCubes(float offsetX = 1) {
  LevelBytes l;
  l.i32(16).i32(0).i32(2);
  cubeVertices(l);
  cubeVertices(l, offsetX);
  return l;
}

// One cube room with face f replaced by the wall `instead` (extra corners number from 8).
LevelBytes cubeWithFace(int f, std::initializer_list<int32_t> instead, std::initializer_list<Vec3> extra = {}) {
  LevelBytes l = cubeLevel(1, extra);
  l.i32(6).i32(0);
  for (int k = 0; k < 6; ++k) {
    if (k == f)
      l.wall(instead);
    else
      face(l, k);
  }
  return l;
}

bool mentions(const CheckedLevel& c, const std::string& words) {
  for (const LevelProblem& p : c.problems) {
    if (p.text.find(words) != std::string::npos) return true;
  }
  return false;
}

TEST(Checker, ClosedConvexCubePasses) {
  LevelBytes l = cubeLevel();
  cubeFaces(l);
  const CheckedLevel c = check(l, "cube");
  EXPECT_TRUE(c.problems.empty()) << c.report();
}

TEST(Checker, TwoCubesJoinedByTwinPortalsPass) {
  LevelBytes l = twoCubes();
  cubeFaces(l, 0, 1, 1);
  cubeFaces(l, 8, 0, 0);
  const CheckedLevel c = check(l, "twins");
  EXPECT_TRUE(c.problems.empty()) << c.report();
}

TEST(Checker, PolygonOffItsPlaneIsNotFlat) {
  // Corner 7 pushed 0.2 world units off the face x = 1.
  const CheckedLevel c = check(cubeWithFace(1, {5, 1, 3, 8}, {{1.02f, 1, 1}}), "bent");
  EXPECT_TRUE(c.has(0, 1, "is not flat: vertex 3 lies 0.2")) << c.report();
}

TEST(Checker, CrossedPolygonIsNotConvex) {
  const CheckedLevel c = check(cubeWithFace(1, {5, 1, 7, 3}), "bowtie");  // a bow tie
  EXPECT_TRUE(c.has(0, 1, "is not convex")) << c.report();
}

TEST(Checker, PolygonWindingRoundTwiceIsNotSimple) {
  // A five-pointed star in the face z = 0, its points joined in star order.
  LevelBytes star;
  star.i32(13).i32(0).i32(1);
  cubeVertices(star);
  for (int k = 0; k < 5; ++k) {
    const double a = 6.283185307179586 * k / 5;
    star.vertex(float(0.5 + 0.4 * std::sin(a)), float(0.5 + 0.4 * std::cos(a)), 0);
  }
  star.i32(7).i32(0);
  for (int f = 0; f < 6; ++f) face(star, f);
  star.wall({8, 10, 12, 9, 11});
  const CheckedLevel c = check(star, "star");
  EXPECT_TRUE(c.has(0, 6, "not a simple convex polygon")) << c.report();
}

TEST(Checker, CollinearFirstCornersGiveNoPlaneAndTheLoaderRefuses) {
  // Corner 8 midway between corners 1 and 5.
  const CheckedLevel c = check(cubeWithFace(1, {5, 8, 1, 3, 7}, {{1, 0, 0.5f}}), "collinear");
  ASSERT_EQ(c.problems.size(), 1u) << c.report();
  EXPECT_NE(c.problems[0].text.find("room 0, polygon 1"), std::string::npos) << c.report();
  EXPECT_NE(c.problems[0].text.find("no plane"), std::string::npos) << c.report();
}

TEST(Checker, PlaneThatIsNotAUnitNormalIsUnusable) {
  LevelBytes l = cubeLevel();
  cubeFaces(l);
  CheckedLevel c = check(l, "cube-for-plane");
  ASSERT_TRUE(c.problems.empty());
  c.world->rooms[0].polygons[2].plane.normal = {std::numeric_limits<float>::quiet_NaN(), 0, 0};
  c.problems = checkWorld(*c.world);
  EXPECT_TRUE(c.has(0, 2, "no usable plane")) << c.report();
}

TEST(Checker, RepeatedCornerIsAZeroLengthEdge) {
  const CheckedLevel c = check(cubeWithFace(1, {5, 1, 3, 7, 7}), "repeat");
  EXPECT_TRUE(c.has(0, 1, "vertices 3 and 4 coincide")) << c.report();
}

TEST(Checker, PolygonWoundBackwardsFacesOutOfItsRoom) {
  const CheckedLevel c = check(cubeWithFace(3, {7, 6, 2, 3}), "outward");
  EXPECT_TRUE(c.has(0, 3, "normal points out of the room")) << c.report();
}

TEST(Checker, DentedRoomIsNotConvex) {
  // The top face replaced by four triangles meeting below it: every polygon is convex
  // and the room closed, but the room itself is not convex.
  LevelBytes l = cubeLevel(1, {{0.5f, 0.9f, 0.5f}});
  l.i32(9).i32(0);
  for (int f = 0; f < 6; ++f) {
    if (f != 3) face(l, f);
  }
  l.wall({3, 2, 8}).wall({2, 6, 8}).wall({6, 7, 8}).wall({7, 3, 8});
  const CheckedLevel c = check(l, "dent");
  EXPECT_TRUE(mentions(c, "the room is not convex")) << c.report();
  EXPECT_FALSE(mentions(c, "not closed")) << c.report();
}

TEST(Checker, RoomWithAMissingWallIsNotClosed) {
  LevelBytes l = cubeLevel();
  l.i32(5).i32(0);
  for (int f = 0; f < 5; ++f) face(l, f);
  const CheckedLevel c = check(l, "open");
  EXPECT_TRUE(mentions(c, "the room is not closed")) << c.report();
}

TEST(Checker, PortalWithoutATwinIsFound) {
  LevelBytes l = twoCubes();
  cubeFaces(l, 0, 1, 1);
  cubeFaces(l, 8);  // a wall where the twin should be
  const CheckedLevel c = check(l, "no-twin");
  EXPECT_TRUE(c.has(0, 5, "has no twin: room 1 has no portal back to room 0")) << c.report();
}

TEST(Checker, TwinOverADifferentOutlineIsFound) {
  // Room 1's side facing room 0 is split into two triangles, only one of them a portal.
  LevelBytes l = twoCubes();
  cubeFaces(l, 0, 1, 1);
  l.i32(6).i32(1);
  for (int f = 1; f < 6; ++f) face(l, f, 8);
  l.wall({8 + 2, 8 + 0, 8 + 6});
  l.portal(0, {8 + 0, 8 + 4, 8 + 6});
  const CheckedLevel c = check(l, "half-twin");
  EXPECT_TRUE(c.has(0, 5, "has a different outline")) << c.report();
  EXPECT_TRUE(c.has(1, 6, "has a different outline")) << c.report();
}

TEST(Checker, PortalIntoItsOwnRoomIsFound) {
  LevelBytes l = cubeLevel();
  cubeFaces(l, 0, 2, 0);
  const CheckedLevel c = check(l, "self");
  EXPECT_TRUE(c.has(0, 5, "portal into its own room")) << c.report();
}

TEST(Checker, OverlappingRoomsAreFound) {
  LevelBytes l = twoCubes(0.5f);
  cubeFaces(l);
  cubeFaces(l, 8);
  const CheckedLevel c = check(l, "overlap");
  EXPECT_TRUE(c.has(0, -1, "overlaps room 1")) << c.report();
}

TEST(Checker, RoomsTouchingAlongAnEdgeDoNotOverlap) {
  LevelBytes l;
  l.i32(16).i32(0).i32(2);
  cubeVertices(l);
  for (int b = 0; b < 8; ++b) l.vertex(1 + float(b & 1), 1 + float((b >> 1) & 1), float((b >> 2) & 1));
  cubeFaces(l);
  cubeFaces(l, 8);
  const CheckedLevel c = check(l, "edge-touch");
  EXPECT_TRUE(c.problems.empty()) << c.report();
}

TEST(Checker, RoomWithoutPolygonsIsNotClosed) {
  LevelBytes l = cubeLevel(2);
  cubeFaces(l);
  l.i32(0).i32(0);
  const CheckedLevel c = check(l, "empty-room");
  EXPECT_TRUE(c.has(1, -1, "has 0 polygons")) << c.report();
}

// Limits and indices are the loader's to refuse; the checker passes its message on.
TEST(Checker, LimitsAndIndicesAreReportedThroughTheLoader) {
  struct Case {
    const char* name;
    LevelBytes bytes;
    const char* words;
  };
  std::vector<Case> cases;
  {
    LevelBytes l = cubeLevel(9);
    cases.push_back({"nine-rooms", l, "room count 9"});
  }
  {
    LevelBytes l = cubeLevel();
    l.i32(21).i32(0);
    cases.push_back({"many-polygons", l, "more than 20 polygons"});
  }
  {
    LevelBytes l = cubeLevel();
    l.i32(1).i32(0).i32(17);
    for (int k = 0; k < 17; ++k) l.i32(k % 8);
    cases.push_back({"many-vertices", l, "17 vertices, more than 16"});
  }
  {
    LevelBytes l = cubeLevel();
    l.i32(1).i32(0).wall({0, 1, 8});
    cases.push_back({"bad-index", l, "vertex index 8 is outside"});
  }
  {
    LevelBytes l = cubeLevel();
    cubeFaces(l, 0, 2, 3);
    cases.push_back({"bad-target", l, "target room 3"});
  }
  for (const Case& k : cases) {
    const CheckedLevel c = check(k.bytes, k.name);
    ASSERT_EQ(c.problems.size(), 1u) << k.name << "\n" << c.report();
    EXPECT_NE(c.problems[0].text.find(k.words), std::string::npos) << k.name << ": " << c.report();
  }
}

TEST(Checker, ProblemsNameRoomPolygonAndKind) {
  LevelBytes l = cubeLevel();
  cubeFaces(l, 0, 2, 0);
  const CheckedLevel c = check(l, "kinds");
  ASSERT_FALSE(c.problems.empty());
  EXPECT_EQ(formatProblem(*c.world, c.problems[0]).rfind("room 0 polygon 5 (portal to room 0): ", 0), 0u) << c.report();
}

}  // namespace
