// Levels whose portals lead back into their own room, into a twin in the same place, round
// cycles or both ways: every pass over them ends within the traversal's work budget, keeps
// its writes inside the frame and allocates nothing; valid levels never come near it.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "portal_topology.h"
#include "render/portal_traversal.h"
#include "render/render_fixtures.h"
#include "render_stress.h"
#include "support/heap_counter.h"

namespace {

using render_test::Frame;
using render_test::placeCamera;
using render_test::screenFrustum;

// The rows (right, up, forward) of a camera turned by yaw about y and then pitched.
Matrix3 orientation(double yaw, double pitch) {
  const Vec3 forward{float(std::sin(yaw) * std::cos(pitch)), float(std::sin(pitch)),
                     float(std::cos(yaw) * std::cos(pitch))};
  const Vec3 right{float(std::cos(yaw)), 0, float(-std::sin(yaw))};
  const Vec3 up{forward.y * right.z - forward.z * right.y, forward.z * right.x - forward.x * right.z,
                forward.x * right.y - forward.y * right.x};
  return {{right, up, forward}};
}

struct Sweep {
  int32_t passes = 0, exhausted = 0, mostWork = 0, deepest = 0;
};

// Passes from eyes on a grid inside room 0 (its corners' neighbourhoods included), each
// looking along 8 directions; every one must stay within the budget.
Sweep sweepCameras(const World& world, Frame& frame) {
  Sweep s;
  const float fractions[] = {0.02f, 0.4f, 0.97f};
  Camera camera;
  for (float fx : fractions)
    for (float fy : fractions)
      for (float fz : fractions)
        for (int turn = 0; turn < 8; ++turn) {
          const double yaw = turn * 0.83, pitch = (turn % 3 - 1) * 0.7;
          placeCamera(camera, frame.viewport, pointInRoom(world.currentRoom, false, fx, fy, fz),
                      orientation(yaw, pitch));
          TraversalCounts counts{};
          renderRoom(world, camera, frame.viewport, frame.spans, world.currentRoom, screenFrustum(camera), counts);
          ++s.passes;
          s.exhausted += counts.budgetExhausted;
          s.mostWork = std::max(s.mostWork, counts.work);
          s.deepest = std::max(s.deepest, counts.deepestLevel);
          EXPECT_LE(counts.work, MaxTraversalWork);
          EXPECT_EQ(counts.work, counts.roomVisits + counts.polygonsClipped);
          EXPECT_LE(counts.deepestLevel, MaxTraversalDepth);
        }
  return s;
}

TEST(TraversalBudget, HostileTopologiesStayWithinTheBudgetAndTheFrame) {
  auto world = std::make_unique<World>();
  for (PortalTopology kind : PortalTopologies) {
    buildPortalTopology(*world, kind);
    for (const auto& size : {std::pair<int32_t, int32_t>{320, 240}, {16, 16}}) {
      Frame frame(size.first, size.second, /*bottomUp=*/size.first == 16);
      const Sweep s = sweepCameras(*world, frame);
      EXPECT_TRUE(frame.guardIntact()) << topologyName(kind);
      // Each of them, unbounded, branches at every level of the depth cap somewhere.
      EXPECT_GT(s.exhausted, 0) << topologyName(kind) << " at " << size.first;
      EXPECT_EQ(s.mostWork, MaxTraversalWork) << topologyName(kind);
      std::printf("%-20s %4dx%-4d %d passes, %d stopped at the budget, deepest %d\n", topologyName(kind), size.first,
                  size.second, s.passes, s.exhausted, s.deepest);
    }
  }
}

TEST(TraversalBudget, RandomTopologiesStayWithinTheBudgetAndTheFrame) {
  auto world = std::make_unique<World>();
  Frame frame(64, 48);
  int32_t exhausted = 0;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const std::vector<uint8_t> bytes = seededBytes(seed, 256);
    ByteChoices choices(bytes.data(), bytes.size());
    buildRandomPortalTopology(*world, choices);
    ASSERT_GE(world->roomCount, 1);
    for (int32_t r = 0; r < world->roomCount; ++r) ASSERT_LE(world->rooms[r].polygonCount, MaxRoomPolygons);
    exhausted += sweepCameras(*world, frame).exhausted;
    ASSERT_TRUE(frame.guardIntact()) << "seed " << seed;
  }
  EXPECT_GT(exhausted, 0);
}

TEST(TraversalBudget, RandomTopologiesThroughTheViewersFramePass) {
  // The portal topology fuzzer's cases: the viewer's own pass with random cameras, sizes
  // and messages, guard bytes round the frame and the heap counted.
  auto world = std::make_unique<World>();
  int64_t passes = 0, exhausted = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const std::vector<uint8_t> bytes = seededBytes(seed, 512);
    ByteChoices choices(bytes.data(), bytes.size());
    buildRandomPortalTopology(*world, choices);
    StressLevels levels;
    levels.shipped.push_back(world.get());
    levels.hostile = true;
    const StressReport report = runStressCase(levels, choices);
    ASSERT_EQ(report.fault, "") << "seed " << seed;
    passes += report.passes;
    exhausted += report.budgetExhausted;
  }
  EXPECT_GT(passes, 80);
  EXPECT_GT(exhausted, 0);
}

TEST(TraversalBudget, StoppedPassKeepsWhatItDrewAndTheNextPassGetsAFullBudget) {
  // A self-portal room with walls: they are drawn before the portals are followed.
  auto world = std::make_unique<World>();
  buildPortalTopology(*world, PortalTopology::SplitSelfPortals);
  Room& room = world->rooms[0];
  for (int32_t p = 0; p < 3; ++p) {  // the -x face's strips become walls
    room.polygons[p].targetRoom = -1;
    room.polygons[p].outline.colourIndex = 7;
  }
  Frame frame(320, 240);
  Camera camera;
  placeCamera(camera, frame.viewport, {5, 0, 0}, orientation(-0.6, 0.2));
  TraversalCounts first{}, second{};
  renderRoom(*world, camera, frame.viewport, frame.spans, 0, screenFrustum(camera), first);
  EXPECT_EQ(first.budgetExhausted, 1);
  EXPECT_EQ(first.work, MaxTraversalWork);
  EXPECT_GT(first.wallsDrawn, 0);
  EXPECT_GT(frame.count(7), 0);
  // The budget belongs to one pass: the same pass again does the same work.
  const int64_t heapBefore = heapAllocationCount();
  renderRoom(*world, camera, frame.viewport, frame.spans, 0, screenFrustum(camera), second);
  EXPECT_EQ(heapAllocationCount(), heapBefore);
  EXPECT_EQ(second.work, first.work);
  EXPECT_EQ(second.roomVisits, first.roomVisits);
  EXPECT_EQ(second.wallsDrawn, first.wallsDrawn);
  EXPECT_TRUE(frame.guardIntact());
}

TEST(TraversalBudget, ValidLevelOfTwoRoomsDoesNotComeNearIt) {
  // Two rooms joined by one opening, as a valid level joins them.
  render_test::LevelBuilder level;
  render_test::buildTwoRooms(level);
  Frame frame(320, 240);
  const Sweep s = sweepCameras(level.world(), frame);
  EXPECT_EQ(s.exhausted, 0);
  EXPECT_LE(s.deepest, 2);
  EXPECT_LE(s.mostWork, 2 + 12);  // two rooms entered, at most the 12 polygons clipped
}

}  // namespace
