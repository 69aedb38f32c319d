#include "deform/demo_state.h"

#include <gtest/gtest.h>

#include "deform/array_alloc.h"
#include "test_support.h"

using deform::DemoState;
using deform_test::AllocationFailureGuard;

namespace {

void expectAllReleased(const DemoState& state) {
  EXPECT_EQ(state.mesh.vertices, nullptr);
  EXPECT_EQ(state.movedVertices, nullptr);
  EXPECT_EQ(state.mesh.indices, nullptr);
  EXPECT_EQ(state.mesh.faceNormals, nullptr);
  EXPECT_EQ(state.movedNormals, nullptr);
  EXPECT_EQ(state.facing, nullptr);
  EXPECT_EQ(state.normalScratch, nullptr);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(state.regionMembers[r], nullptr) << r;
}

}  // namespace

TEST(DemoStateLifetime, BuildingKeepsTenArraysAndReleasingFreesThemAll) {
  const int liveBefore = deform::liveArrayCount();
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  EXPECT_EQ(deform::liveArrayCount(), liveBefore + 10);
  deform::releaseDemoArrays(state);
  EXPECT_EQ(deform::liveArrayCount(), liveBefore);
  expectAllReleased(state);
  deform::releaseDemoArrays(state);  // a second exit path finds nothing left to free
  EXPECT_EQ(deform::liveArrayCount(), liveBefore);
}

TEST(DemoStateLifetime, RegionTablePointsAtThePlaneTablesWithSixPlanes) {
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(state.regions[r].planes, deform::RegionPlaneTables[r]) << r;
    EXPECT_EQ(state.regions[r].planeCount, 6) << r;
  }
  EXPECT_EQ(state.regionMemberCounts[0], 520);
  deform::releaseDemoArrays(state);
}

TEST(DemoStateLifetime, EveryFailedAllocationIsReportedAndLeavesNothingAfterRelease) {
  const int liveBefore = deform::liveArrayCount();
  // Mesh (3), work arrays (4), claim flags, member arrays (3): eleven allocations.
  for (int successes = 0; successes < 11; ++successes) {
    AllocationFailureGuard guard(successes);
    DemoState state;
    EXPECT_FALSE(deform::buildDemoGeometry(state)) << successes;
    deform::releaseDemoArrays(state);
    expectAllReleased(state);
    EXPECT_EQ(deform::liveArrayCount(), liveBefore) << successes;
  }
}

TEST(DemoStateMotion, MatricesUseTheMotionFromBeforeTheStepsAdvance) {
  DemoState state;
  for (int s = 0; s < 3; ++s) deform::stepDemoMotion(state);
  EXPECT_EQ(state.regionMatrices[0][13], 0.02f);
  EXPECT_EQ(state.regionMatrices[2][13], -0.02f);
  EXPECT_EQ(state.topMotion.lift, 0.03f);
  EXPECT_EQ(state.topMotion.lift, state.bottomMotion.lift);
}
