#include <gtest/gtest.h>

#include <cmath>

#include "render/portal_frustum.h"
#include "render_fixtures.h"

namespace {

using render_test::workingPolygon;

const Vec3 Eye{1, 2, -3};

double distance(const Plane& p, Vec3 v) { return dot(p.normal, v) + p.d; }

// A point beyond the portal on the line from the eye through the given point.
Vec3 beyond(Vec3 through, float factor = 3) {
  return {Eye.x + factor * (through.x - Eye.x), Eye.y + factor * (through.y - Eye.y),
          Eye.z + factor * (through.z - Eye.z)};
}

// An outline in the plane z = 7 that runs counter-clockwise as seen from the eye,
// the order a portal facing the eye keeps.
WorkingPolygon square() { return workingPolygon({{-4, -4, 7}, {6, -4, 7}, {6, 6, 7}, {-4, 6, 7}}); }

void expectPointsInside(const Frustum& f, std::initializer_list<Vec3> points) {
  for (const Vec3& v : points)
    for (int i = 0; i < f.planeCount; ++i) EXPECT_GT(distance(f.planes[i], v), 0.001) << "plane " << i;
}

TEST(PortalFrustum, TriangleGivesThreePlanesThroughTheEye) {
  const WorkingPolygon triangle = workingPolygon({{-4, -4, 7}, {6, -4, 7}, {1, 6, 7}});
  Frustum f{};
  f.planeCount = 99;
  EXPECT_EQ(buildPortalFrustum(triangle, Eye, f), 3);
  ASSERT_EQ(f.planeCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(distance(f.planes[i], Eye), 0.0, 1e-5);
    EXPECT_NEAR(dot(f.planes[i].normal, f.planes[i].normal), 1.0, 1e-6);
    // Each plane holds its edge.
    EXPECT_NEAR(distance(f.planes[i], triangle.vertices[i]), 0.0, 1e-4);
    EXPECT_NEAR(distance(f.planes[i], triangle.vertices[(i + 1) % 3]), 0.0, 1e-4);
  }
  expectPointsInside(f, {beyond({1, 0, 7}), beyond({1, 0, 7}, 50)});
}

TEST(PortalFrustum, PlanesFaceIntoThePyramidBeyondThePortal) {
  Frustum f{};
  ASSERT_EQ(buildPortalFrustum(square(), Eye, f), 4);
  expectPointsInside(f, {beyond({0, 0, 7}), beyond({5.5f, 5.5f, 7}), beyond({-3.5f, 5, 7}, 10)});
  // A point beyond the plane of the portal but outside its outline is outside.
  const Vec3 outside = beyond({8, 0, 7});
  bool behindOne = false;
  for (int i = 0; i < f.planeCount; ++i) behindOne |= classifyPoint(f.planes[i], outside) == SideBehind;
  EXPECT_TRUE(behindOne);
}

TEST(PortalFrustum, ZeroLengthEdgeAddsNoPlane) {
  // Clipping can repeat a vertex that lies exactly on a frustum plane.
  const WorkingPolygon outline = workingPolygon({{-4, -4, 7}, {6, -4, 7}, {6, -4, 7}, {6, 6, 7}, {-4, 6, 7}});
  Frustum f{};
  ASSERT_EQ(buildPortalFrustum(outline, Eye, f), 4);
  for (int i = 0; i < f.planeCount; ++i) {
    EXPECT_TRUE(std::isfinite(f.planes[i].normal.x) && std::isfinite(f.planes[i].normal.y) &&
                std::isfinite(f.planes[i].normal.z) && std::isfinite(f.planes[i].d));
  }
  expectPointsInside(f, {beyond({0, 0, 7}), beyond({5.5f, 5.5f, 7})});
}

TEST(PortalFrustum, EdgeInLineWithTheEyeAddsNoPlane) {
  WorkingPolygon outline = square();
  outline.vertices[1] = Eye;  // both edges at vertex 1 then have no defined plane
  Frustum f{};
  EXPECT_EQ(buildPortalFrustum(outline, Eye, f), 2);
}

TEST(PortalFrustum, ReversedMicroEdgeAddsNoPlane) {
  // A crossing point a few 1e-5 back along the next edge from a vertex that tolerance
  // clipping kept: the little edge from the vertex to it runs the wrong way.
  const WorkingPolygon outline = workingPolygon({{-4, -4, 7}, {6, -4, 7}, {6, -4.00003f, 7}, {6, 6, 7}, {-4, 6, 7}});
  Frustum f{};
  ASSERT_EQ(buildPortalFrustum(outline, Eye, f), 4);
  expectPointsInside(f, {beyond({0, 0, 7}), beyond({5.5f, 5.5f, 7}), beyond({-3.5f, -3.5f, 7})});
}

TEST(PortalFrustum, OutlineOfTwoVerticesBoundsNoPyramid) {
  const WorkingPolygon segment = workingPolygon({{-4, -4, 7}, {6, -4, 7}});
  Frustum f{};
  EXPECT_LT(buildPortalFrustum(segment, Eye, f), 3);
}

}  // namespace
