#include "deform/deform_regions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "test_support.h"

using deform::DeformRegion;
using deform::insideRegion;
using deform::RegionPlane;
using deform::RegionPlaneTables;
using deform::Vec3;
using deform_test::AllocationFailureGuard;
using deform_test::OwnedSphere;

namespace {

// The demo's region table and the member arrays assignRegions fills, released at the end.
struct DemoRegions {
  DeformRegion regions[3];
  std::uint16_t* members[3] = {};
  std::int32_t counts[3] = {};
  DemoRegions() {
    for (int r = 0; r < 3; ++r) regions[r] = DeformRegion{RegionPlaneTables[r], 6};
  }
  ~DemoRegions() {
    for (auto& m : members) deform::releaseArray(m);
  }
  bool assign(const deform::SphereMesh& mesh) {
    return deform::assignRegions(members, counts, mesh.vertices, mesh.vertexCount, regions, 3);
  }
};

bool inside(int region, float x, float y, float z) { return insideRegion(Vec3{x, y, z}, RegionPlaneTables[region], 6); }

}  // namespace

TEST(RegionTables, SplitTheCubeIntoThreeSlabsAtHalfHeight) {
  EXPECT_TRUE(inside(0, 0.0f, 0.75f, 0.0f));
  EXPECT_FALSE(inside(0, 0.0f, 0.25f, 0.0f));
  EXPECT_TRUE(inside(1, 0.0f, 0.0f, 0.0f));
  EXPECT_FALSE(inside(1, 0.0f, 0.75f, 0.0f));
  EXPECT_FALSE(inside(1, 0.0f, -0.75f, 0.0f));
  EXPECT_TRUE(inside(2, 0.0f, -0.75f, 0.0f));
  EXPECT_FALSE(inside(2, 0.0f, -0.25f, 0.0f));
  for (int r = 0; r < 3; ++r) {
    const float y = 0.75f - 0.75f * r;
    EXPECT_FALSE(inside(r, 1.25f, y, 0.0f)) << r;
    EXPECT_FALSE(inside(r, -1.25f, y, 0.0f)) << r;
    EXPECT_FALSE(inside(r, 0.0f, y, 1.25f)) << r;
    EXPECT_FALSE(inside(r, 0.0f, y, -1.25f)) << r;
  }
  EXPECT_FALSE(inside(0, 0.0f, 1.25f, 0.0f));
  EXPECT_FALSE(inside(2, 0.0f, -1.25f, 0.0f));
}

TEST(InsideRegion, PointOnABoundaryPlaneIsInsideIt) {
  EXPECT_TRUE(inside(0, 0.0f, 0.5f, 0.0f));
  EXPECT_TRUE(inside(1, 0.0f, 0.5f, 0.0f));
  EXPECT_TRUE(inside(1, 0.0f, -0.5f, 0.0f));
  EXPECT_TRUE(inside(2, 0.0f, -0.5f, 0.0f));
  EXPECT_TRUE(inside(0, 1.0f, 1.0f, -1.0f));
  EXPECT_TRUE(inside(2, -1.0f, -1.0f, 1.0f));
}

TEST(InsideRegion, HasNoTolerance) {
  const float justAbove = std::nextafter(0.5f, 1.0f);
  const float justBelow = std::nextafter(0.5f, 0.0f);
  EXPECT_FALSE(inside(1, 0.0f, justAbove, 0.0f));
  EXPECT_FALSE(inside(0, 0.0f, justBelow, 0.0f));
  EXPECT_FALSE(inside(0, std::nextafter(1.0f, 2.0f), 0.75f, 0.0f));
}

TEST(InsideRegion, NoPlanesAcceptsEveryPoint) {
  EXPECT_TRUE(insideRegion(Vec3{1e30f, -1e30f, 7.0f}, RegionPlaneTables[0], 0));
}

TEST(AssignRegions, DemoSphereSplitsInto520And561And521Vertices) {
  OwnedSphere sphere;
  DemoRegions regions;
  ASSERT_TRUE(regions.assign(sphere.mesh));
  EXPECT_EQ(regions.counts[0], 520);
  EXPECT_EQ(regions.counts[1], 561);
  EXPECT_EQ(regions.counts[2], 521);
  EXPECT_EQ(regions.counts[0] + regions.counts[1] + regions.counts[2], sphere.mesh.vertexCount);
}

TEST(AssignRegions, MemberArraysRunInDescendingVertexNumber) {
  OwnedSphere sphere;
  DemoRegions regions;
  ASSERT_TRUE(regions.assign(sphere.mesh));
  for (int e = 0; e < 520; ++e) ASSERT_EQ(regions.members[0][e], 520 - e) << e;
  for (int e = 0; e < 560; ++e) ASSERT_EQ(regions.members[1][e], 1080 - e) << e;
  EXPECT_EQ(regions.members[1][560], 0);
  for (int e = 0; e < 521; ++e) ASSERT_EQ(regions.members[2][e], 1601 - e) << e;
}

TEST(AssignRegions, PolesGoToTheHigherOfTheirTwoRegions) {
  OwnedSphere sphere;
  // The poles are the only vertices inside two regions.
  for (int k = 0; k < sphere.mesh.vertexCount; ++k) {
    int containing = 0;
    for (int r = 0; r < 3; ++r) containing += insideRegion(sphere.mesh.vertices[k], RegionPlaneTables[r], 6);
    ASSERT_EQ(containing, (k == 0 || k == 1601) ? 2 : 1) << k;
  }
  DemoRegions regions;
  ASSERT_TRUE(regions.assign(sphere.mesh));
  const auto holds = [&](int r, int vertex) {
    return std::count(regions.members[r], regions.members[r] + regions.counts[r], vertex) == 1;
  };
  EXPECT_TRUE(holds(1, 0));
  EXPECT_FALSE(holds(0, 0));
  EXPECT_TRUE(holds(2, 1601));
  EXPECT_FALSE(holds(1, 1601));
}

TEST(AssignRegions, DemoSphereStaysInsideTheCube) {
  OwnedSphere sphere;
  float largestXZ = 0.0f, largestY = 0.0f;
  for (int k = 0; k < sphere.mesh.vertexCount; ++k) {
    const Vec3& v = sphere.mesh.vertices[k];
    largestXZ = std::max({largestXZ, std::fabs(v.x), std::fabs(v.z)});
    largestY = std::max(largestY, std::fabs(v.y));
  }
  EXPECT_FLOAT_EQ(largestXZ, 0.99926621f);
  EXPECT_FLOAT_EQ(largestY, 0.99706578f);
}

TEST(AssignRegions, VertexInNoRegionIsLeftUnclaimed) {
  const Vec3 vertices[4] = {{0, 0.75f, 0}, {5, 0, 0}, {0, 0.5f, 0}, {0, -0.75f, 0}};
  DeformRegion regions[3];
  for (int r = 0; r < 3; ++r) regions[r] = DeformRegion{RegionPlaneTables[r], 6};
  std::uint16_t* members[3];
  std::int32_t counts[3];
  ASSERT_TRUE(deform::assignRegions(members, counts, vertices, 4, regions, 3));
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(members[0][0], 0);
  EXPECT_EQ(counts[1], 1);
  EXPECT_EQ(members[1][0], 2);
  EXPECT_EQ(counts[2], 1);
  EXPECT_EQ(members[2][0], 3);
  for (auto& m : members) deform::releaseArray(m);
}

TEST(AssignRegions, EmptyRegionStillGetsItsOwnArray) {
  const Vec3 vertices[2] = {{0, 0, 0}, {0, 0.25f, 0}};
  DeformRegion regions[3];
  for (int r = 0; r < 3; ++r) regions[r] = DeformRegion{RegionPlaneTables[r], 6};
  std::uint16_t* members[3];
  std::int32_t counts[3];
  const int liveBefore = deform::liveArrayCount();
  ASSERT_TRUE(deform::assignRegions(members, counts, vertices, 2, regions, 3));
  EXPECT_EQ(counts[0], 0);
  EXPECT_EQ(counts[2], 0);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(members[1][0], 1);
  EXPECT_EQ(members[1][1], 0);
  EXPECT_EQ(deform::liveArrayCount(), liveBefore + 3);  // the claim flags are gone again
  for (auto& m : members) deform::releaseArray(m);
  EXPECT_EQ(deform::liveArrayCount(), liveBefore);
}

TEST(AssignRegions, FailedAllocationLeavesNoMemberArrays) {
  OwnedSphere sphere;
  const int liveBefore = deform::liveArrayCount();
  // Claim flags, then the member arrays of regions 2, 1 and 0.
  for (int successes = 0; successes < 4; ++successes) {
    AllocationFailureGuard guard(successes);
    DemoRegions regions;
    EXPECT_FALSE(regions.assign(sphere.mesh)) << successes;
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(regions.members[r], nullptr) << successes << " region " << r;
      EXPECT_EQ(regions.counts[r], 0) << successes << " region " << r;
    }
    EXPECT_EQ(deform::liveArrayCount(), liveBefore) << successes;
  }
}
