#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "render/clip.h"
#include "render/clip_distances.h"
#include "render_fixtures.h"

namespace {

using render_test::workingPolygon;

// Keeps x >= 0.
const Plane KeepPositiveX{{1, 0, 0}, 0};

void expectVertex(const WorkingPolygon& p, int i, Vec3 v) {
  EXPECT_EQ(p.vertices[i].x, v.x) << "vertex " << i;
  EXPECT_EQ(p.vertices[i].y, v.y) << "vertex " << i;
  EXPECT_EQ(p.vertices[i].z, v.z) << "vertex " << i;
}

WorkingPolygon emptyOutput(int32_t colourIndex = 77) {
  WorkingPolygon out{};
  out.colourIndex = colourIndex;
  out.vertexCount = 99;
  return out;
}

TEST(ClassifyPoint, ToleranceOfOneThousandth) {
  const Plane p{{0, 0, 1}, 0};
  EXPECT_EQ(classifyPoint(p, {0, 0, 0.0009f}), SideOn);
  EXPECT_EQ(classifyPoint(p, {0, 0, -0.0009f}), SideOn);
  EXPECT_EQ(classifyPoint(p, {0, 0, 0.0011f}), SideFront);
  EXPECT_EQ(classifyPoint(p, {0, 0, -0.0011f}), SideBehind);
}

TEST(ClipTolerance, VertexWithinToleranceBehindSurvivesUnchanged) {
  const WorkingPolygon in = workingPolygon({{-0.0009f, 0, 0}, {5, 1, 0}, {5, -1, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 3);
  expectVertex(out, 0, {-0.0009f, 0, 0});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out.flags[i], 0);
}

TEST(ClipTolerance, VertexJustBeyondToleranceIsCutOff) {
  const WorkingPolygon in = workingPolygon({{-0.0011f, 0, 0}, {5, 1, 0}, {5, -1, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 4);
  EXPECT_EQ(out.flags[0], 1);  // the crossing on edge 0 -> 1 comes first
  EXPECT_EQ(out.flags[3], 1);
  EXPECT_NEAR(out.vertices[0].x, 0.0f, 1e-6);
  EXPECT_NEAR(out.vertices[3].x, 0.0f, 1e-6);
}

TEST(ClipPolygon, WhollyInFrontComesOutUnchanged) {
  WorkingPolygon in = workingPolygon({{1, 0, 0}, {2, 3, 4}, {5, -1, 2}, {3, -4, 0}});
  for (int i = 0; i < 4; ++i) {
    in.colours[i] = {float(i), float(10 * i), float(100 * i)};
    in.flags[i] = i % 2 ? 5 : 0;
  }
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 4);
  for (int i = 0; i < 4; ++i) {
    expectVertex(out, i, in.vertices[i]);
    EXPECT_EQ(out.colours[i].y, in.colours[i].y);
    EXPECT_EQ(out.colours[i].z, in.colours[i].z);
    EXPECT_EQ(out.flags[i], in.flags[i]);
  }
}

// The traversal's form: a polygon no plane cuts is not copied, one that is cut is
// clipped exactly as clipPolygon clips it, and a whole polygon too small to draw is culled.
TEST(ClipPolygon, UnlessWholeCopiesNothingForAnUncutPolygon) {
  const WorkingPolygon in = workingPolygon({{1, 0, 0}, {2, 3, 4}, {5, -1, 2}});
  WorkingPolygon out = emptyOutput();
  bool whole = false;
  EXPECT_EQ(clipPolygonUnlessWhole(in, KeepPositiveX, out, whole), ClipVisible);
  EXPECT_TRUE(whole);
  EXPECT_EQ(out.vertices[0].x, 0.0f) << "nothing copied";

  const WorkingPolygon cut = workingPolygon({{-1, 0, 0}, {5, 1, 0}, {5, -1, 0}});
  WorkingPolygon viaWhole = emptyOutput(), viaClip = emptyOutput();
  EXPECT_EQ(clipPolygonUnlessWhole(cut, KeepPositiveX, viaWhole, whole), ClipVisible);
  EXPECT_FALSE(whole);
  ASSERT_EQ(clipPolygon(cut, KeepPositiveX, viaClip), ClipVisible);
  ASSERT_EQ(viaWhole.vertexCount, viaClip.vertexCount);
  for (int i = 0; i < viaClip.vertexCount; ++i) expectVertex(viaWhole, i, viaClip.vertices[i]);

  const WorkingPolygon line = workingPolygon({{1, 0, 0}, {2, 3, 4}});
  EXPECT_EQ(clipPolygonUnlessWhole(line, KeepPositiveX, out, whole), ClipCulled);
  EXPECT_TRUE(whole);
}

// Distances are formed two vertices at a time with an odd one left over: a corner just
// behind the tolerance is found in either half of a pair and as the last one, and one
// just within it is kept there, for every polygon size.
TEST(ClipPolygon, EveryCornerIsTestedWhateverItsPlaceAmongTheOthers) {
  const Plane plane{{0.6f, 0.8f, 0}, 2.5f};  // distances not exact in float
  for (int n = 3; n <= 9; ++n) {
    for (int at = 0; at < n; ++at) {
      for (const float offset : {-0.0011f, -0.0009f, std::numeric_limits<float>::quiet_NaN()}) {
        WorkingPolygon in{};
        for (int i = 0; i < n; ++i) {
          const float angle = 6.2831853f * float(i) / float(n);
          in.vertices[i] = {std::cos(angle), std::sin(angle), 0};  // well in front
        }
        // On the plane's normal through the origin, offset from the plane.
        in.vertices[at] = {0.6f * (offset - 2.5f), 0.8f * (offset - 2.5f), 0};
        in.vertexCount = n;
        const bool behind = classifyPoint(plane, in.vertices[at]) == SideBehind;
        WorkingPolygon out = emptyOutput();
        bool whole = false;
        clipPolygonUnlessWhole(in, plane, out, whole);
        EXPECT_EQ(whole, !behind) << n << " corners, offset " << offset << " at " << at;
      }
    }
  }
}

TEST(ClipPolygon, WhollyBehindIsCulledWithNoVertices) {
  const WorkingPolygon in = workingPolygon({{-1, 0, 0}, {-2, 3, 4}, {-5, -1, 2}});
  WorkingPolygon out = emptyOutput();
  EXPECT_EQ(clipPolygon(in, KeepPositiveX, out), ClipCulled);
  EXPECT_EQ(out.vertexCount, 0);
}

TEST(ClipPolygon, OneInTwoOutGivesTriangleOfFrontVertexAndTwoCrossings) {
  WorkingPolygon in = workingPolygon({{2, 0, 0}, {-2, 2, 0}, {-2, -2, 0}});
  in.flags[0] = 4;
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 3);
  expectVertex(out, 0, {2, 0, 0});
  expectVertex(out, 1, {0, 1, 0});
  expectVertex(out, 2, {0, -1, 0});
  EXPECT_EQ(out.flags[0], 4);
  EXPECT_EQ(out.flags[1], 1);
  EXPECT_EQ(out.flags[2], 1);
}

TEST(ClipPolygon, TwoInOneOutGivesQuadrilateralInOrder) {
  const WorkingPolygon in = workingPolygon({{2, 2, 0}, {2, -2, 0}, {-2, 0, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 4);
  expectVertex(out, 0, {2, 2, 0});
  expectVertex(out, 1, {2, -2, 0});
  expectVertex(out, 2, {0, -1, 0});
  expectVertex(out, 3, {0, 1, 0});
  EXPECT_EQ(out.flags[2], 1);
  EXPECT_EQ(out.flags[3], 1);
}

TEST(ClipPolygon, DroppedFirstVertexStartsWithTheCrossingAfterIt) {
  const WorkingPolygon in = workingPolygon({{-2, 0, 0}, {2, 2, 0}, {2, -2, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 4);
  expectVertex(out, 0, {0, 1, 0});
  expectVertex(out, 1, {2, 2, 0});
  expectVertex(out, 2, {2, -2, 0});
  expectVertex(out, 3, {0, -1, 0});
}

TEST(ClipPolygon, OnPlaneVertexWithTwoBehindStillCountsAsVisible) {
  const WorkingPolygon in = workingPolygon({{0.0005f, 0, 0}, {-2, 2, 0}, {-2, -2, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  ASSERT_EQ(out.vertexCount, 3);
  expectVertex(out, 0, {0.0005f, 0, 0});
  for (int i = 1; i < 3; ++i) {
    EXPECT_NEAR(out.vertices[i].x, 0.0, 1e-6);
    EXPECT_NEAR(out.vertices[i].y, 0.0, 1e-3);
  }
}

TEST(ClipPolygon, CrossingColourHalfWayIsTheMean) {
  WorkingPolygon in = workingPolygon({{2, 0, 0}, {-2, 2, 0}, {-2, -2, 0}});
  in.colours[0] = {0, 100, 200};
  in.colours[1] = {50, 50, 50};
  in.colours[2] = {50, 50, 50};
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, KeepPositiveX, out), ClipVisible);
  EXPECT_EQ(out.colours[1].x, 25.0f);
  EXPECT_EQ(out.colours[1].y, 75.0f);
  EXPECT_EQ(out.colours[1].z, 125.0f);
}

TEST(ClipPolygon, LeavesTheOutputColourIndexAlone) {
  const WorkingPolygon in = workingPolygon({{2, 0, 0}, {-2, 2, 0}, {-2, -2, 0}}, 3);
  WorkingPolygon out = emptyOutput(77);
  clipPolygon(in, KeepPositiveX, out);
  EXPECT_EQ(out.colourIndex, 77);
  const WorkingPolygon behind = workingPolygon({{-1, 0, 0}, {-2, 2, 0}, {-2, -2, 0}}, 3);
  clipPolygon(behind, KeepPositiveX, out);
  EXPECT_EQ(out.colourIndex, 77);
}

TEST(ClipPolygon, CrossingIsFormedInFloatOperations) {
  // Evaluated in double and rounded once, this crossing's y would be 8.09277248.
  const Plane plane{{1, 0, 0}, -0.3f};
  const WorkingPolygon in =
      workingPolygon({{-9.45224762f, 3.40934944f, 0}, {0.688278198f, 8.27923965f, 0}, {0.688278198f, -8.0f, 0}});
  WorkingPolygon out = emptyOutput();
  ASSERT_EQ(clipPolygon(in, plane, out), ClipVisible);
  ASSERT_EQ(out.flags[0], 1);
  EXPECT_EQ(out.vertices[0].y, 8.09277344f);
}

TEST(ClipPolygon, NotANumberDistanceCountsAsBehind) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Plane broken{{nan, nan, nan}, 0};
  const WorkingPolygon in = workingPolygon({{1, 0, 0}, {2, 3, 4}, {5, -1, 2}});
  WorkingPolygon out = emptyOutput();
  EXPECT_EQ(clipPolygon(in, broken, out), ClipCulled);
  EXPECT_EQ(out.vertexCount, 0);
}

TEST(ClipPolygon, ResultTooLargeForTheBufferIsDroppedNotTruncated) {
  // A zigzag of full capacity crossing the plane at every edge would need twice the room.
  WorkingPolygon in{};
  in.vertexCount = WorkingPolygon::capacity;
  for (int i = 0; i < in.vertexCount; ++i) {
    in.vertices[i] = {i % 2 ? -1.0f : 1.0f, float(i), 0};
    in.colours[i] = {0, 0, 0};
    in.flags[i] = 0;
  }
  WorkingPolygon out = emptyOutput();
  EXPECT_EQ(clipPolygon(in, KeepPositiveX, out), ClipCulled);
  EXPECT_EQ(out.vertexCount, 0);
}

// The distances the clipping compares come from the SSE2 loop where the processor has it:
// each must be the plain loop's float, NaN and infinities included, at every count.
TEST(ClipDistances, TheChosenLoopGivesThePlainLoopsFloats) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-2000.0f, 2000.0f);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), 0.0f, 1e30f};
  Vec3 vertices[WorkingPolygon::capacity];
  float plain[WorkingPolygon::capacity], chosen[WorkingPolygon::capacity];
  for (int trial = 0; trial < 2000; ++trial) {
    const int n = 1 + trial % WorkingPolygon::capacity;
    for (int i = 0; i < n; ++i) vertices[i] = {coordinate(random), coordinate(random), coordinate(random)};
    if (trial % 7 == 0) vertices[trial % n].y = odd[trial % 5];
    Vec3 normal{coordinate(random), coordinate(random), coordinate(random)};
    const float scale = float(1.0 / std::sqrt(dot(normal, normal)));
    normal = {normal.x * scale, normal.y * scale, normal.z * scale};
    // Planes through the polygon's middle, so that most cut it, and some beyond it.
    const Plane plane{normal, trial % 3 == 0 ? 5000.0f : float(-dot(normal, vertices[0]))};
    const bool all = allSurvivePlain(vertices, n, plane, plain);
    ASSERT_EQ(allSurvive(vertices, n, plane, chosen), all) << "trial " << trial;
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(plain[i] == chosen[i] || (std::isnan(plain[i]) && std::isnan(chosen[i])))
          << "trial " << trial << ", vertex " << i;
    }
  }
}

}  // namespace
