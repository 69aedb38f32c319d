#include <gtest/gtest.h>

#include <memory>

#include "world/level_loader.h"
#include "world/room_tracking.h"

namespace {

// Axis-aligned box rooms; the planes are set directly (inward normals).
void boxRoom(Room& room, Vec3 low, Vec3 high) {
  const Plane planes[6] = {{{1, 0, 0}, -low.x},  {{-1, 0, 0}, high.x}, {{0, 1, 0}, -low.y},
                           {{0, -1, 0}, high.y}, {{0, 0, 1}, -low.z},  {{0, 0, -1}, high.z}};
  room.polygonCount = 6;
  for (int p = 0; p < 6; ++p) {
    room.polygons[p].targetRoom = -1;
    room.polygons[p].plane = planes[p];
  }
}

struct Tracking : ::testing::Test {
  std::unique_ptr<World> world = std::make_unique<World>();
  Camera camera;
  void SetUp() override {
    world->roomCount = 3;
    boxRoom(world->rooms[0], {0, 0, 0}, {10, 10, 10});
    boxRoom(world->rooms[1], {10, 0, 0}, {20, 10, 10});
    boxRoom(world->rooms[2], {20, 0, 0}, {30, 10, 10});
    world->currentRoom = 0;
  }
};

TEST_F(Tracking, TheRoomHoldingTheEyeBecomesCurrentWithoutMovingIt) {
  camera.setPosition(25, 5, 5);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 2);
  EXPECT_EQ(camera.position.x, 25.0f);
}

TEST_F(Tracking, OnTheSharedPlaneTheHigherRoomWins) {
  camera.setPosition(10.0005f, 5, 5);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 1);
  camera.setPosition(9.9995f, 5, 5);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 1);
}

TEST_F(Tracking, AnEyeOutsideEveryRoomIsPushedBackFromTheCurrentRoomsPlanes) {
  world->roomCount = 1;
  camera.setPosition(-0.05f, 0.05f, 5);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 0);
  // 0.05 behind x = 0: pushed 0.15; 0.05 in front of y = 0: pushed 0.05.
  EXPECT_FLOAT_EQ(camera.position.x, 0.1f);
  EXPECT_FLOAT_EQ(camera.position.y, 0.1f);
  EXPECT_EQ(camera.position.z, 5.0f);  // 5 in front of z = 0: not moved
}

TEST_F(Tracking, PushesUseTheStatedFloatArithmetic) {
  world->roomCount = 1;
  camera.setPosition(-0.05f, 5, 5);
  trackCamera(*world, camera);
  const float dist = 1.0f * -0.05f + 0.0f * 5.0f + 0.0f * 5.0f + 0.0f;
  const float push = float(0.1 - dist);
  EXPECT_EQ(camera.position.x, float(double(-0.05f) + double(push)));
}

TEST_F(Tracking, ARoomWithoutPolygonsHoldsEveryPoint) {
  world->rooms[1].polygonCount = 0;
  camera.setPosition(1000, 1000, 1000);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 1);
  camera.setPosition(25, 5, 5);
  trackCamera(*world, camera);
  EXPECT_EQ(world->currentRoom, 2);
}

TEST_F(Tracking, AWorldWithoutRoomsLeavesEverythingAlone) {
  world->roomCount = 0;
  world->currentRoom = 0;
  camera.setPosition(-50, 0, 0);
  trackCamera(*world, camera);
  EXPECT_EQ(camera.position.x, -50.0f);
  EXPECT_EQ(world->currentRoom, 0);
}

}  // namespace
