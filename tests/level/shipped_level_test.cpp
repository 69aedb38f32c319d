// The level the viewer ships, as built by the project's build, and the sample levels.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "geometry/camera.h"
#include "geometry/viewport.h"
#include "level_test_support.h"
#include "tools/level/convex_face.h"
#include "world/room_tracking.h"

namespace {

const std::string Shipped = QUELLOR_BINARY_DIR "/3rooms.b2";

CheckedLevel shipped() {
  std::ifstream probe(Shipped);
  EXPECT_TRUE(bool(probe)) << Shipped << " is missing: the build makes it from levels/3rooms.json";
  return checkFile(Shipped);
}

Face faceOf(const WorldPolygon& polygon) {
  Face face;
  for (int k = 0; k < polygon.outline.vertexCount; ++k) face.push_back(toD(polygon.outline.vertices[k]));
  return face;
}

const WorldPolygon* portalTo(const Room& room, int target) {
  for (int p = 0; p < room.polygonCount; ++p) {
    if (room.polygons[p].targetRoom == target) return &room.polygons[p];
  }
  return nullptr;
}

// The start camera of the viewer: (5, 0, 0), identity orientation, a 320 x 240 screen.
struct StartView {
  Camera camera;
  StartView() {
    Viewport viewport{};
    viewport.width = 320;
    viewport.height = 240;
    updateViewport(viewport);
    camera.setPosition(5, 0, 0);
    camera.resetOrientation(0, 0, 0);
    camera.buildScreenPlanes(viewport);
    camera.buildWorldPlanes();
  }
  std::vector<DPlane> planes() const {
    std::vector<DPlane> out;
    for (const Plane& p : camera.worldPlanes) out.push_back({toD(p.normal), p.d});
    return out;
  }
};

Face clipToPlanes(Face face, const std::vector<DPlane>& planes) {
  for (const DPlane& plane : planes) {
    if (!face.empty()) face = clipFace(face, plane, 1e-9);
  }
  return face;
}

// The pyramid from the eye through a visible outline, as the renderer narrows its view.
std::vector<DPlane> pyramidThrough(const Face& outline, const DVec3& eye) {
  std::vector<DPlane> planes;
  for (size_t i = 0; i < outline.size(); ++i) {
    DPlane p{normalizedD(crossD(outline[i] - eye, outline[(i + 1) % outline.size()] - eye)), 0};
    p.d = -dotD(p.n, eye);
    planes.push_back(p);
  }
  return planes;
}

TEST(ShippedLevel, IsBuiltAndPassesTheCheck) {
  const CheckedLevel level = shipped();
  EXPECT_TRUE(level.problems.empty()) << level.report();
  EXPECT_EQ(level.world->roomCount, 3);
}

TEST(ShippedLevel, RoomsDifferInShapeAndHeightAndOneIsNotABox) {
  const CheckedLevel level = shipped();
  ASSERT_EQ(level.world->roomCount, 3);
  std::vector<double> heights;
  bool someRoomIsNotABox = false;
  for (int r = 0; r < 3; ++r) {
    const Room& room = level.world->rooms[r];
    double low = 1e9, high = -1e9;
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      for (int k = 0; k < polygon.outline.vertexCount; ++k) {
        low = std::min(low, double(polygon.outline.vertices[k].y));
        high = std::max(high, double(polygon.outline.vertices[k].y));
      }
      const Vec3& n = polygon.plane.normal;
      const bool axisAligned = std::fabs(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z) - 1) < 1e-6;
      someRoomIsNotABox = someRoomIsNotABox || !axisAligned;
    }
    for (double h : heights) EXPECT_GE(std::fabs(h - (high - low)), 1.0) << "room " << r;
    heights.push_back(high - low);
  }
  EXPECT_TRUE(someRoomIsNotABox);
}

TEST(ShippedLevel, EveryPortalIsSmallerThanTheWallItOpens) {
  const CheckedLevel level = shipped();
  for (int r = 0; r < level.world->roomCount; ++r) {
    const Room& room = level.world->rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& portal = room.polygons[p];
      if (portal.targetRoom < 0) continue;
      int wallsAround = 0;
      for (int q = 0; q < room.polygonCount; ++q) {
        const WorldPolygon& wall = room.polygons[q];
        const double along = dotD(toD(wall.plane.normal), toD(portal.plane.normal));
        wallsAround += wall.targetRoom < 0 && along > 0.9999 && std::fabs(wall.plane.d - portal.plane.d) < 1e-3;
      }
      EXPECT_GE(wallsAround, 2) << "room " << r << " polygon " << p;
    }
  }
}

TEST(ShippedLevel, StartPointLiesInRoomZeroWithRoomToWalkAndTurn) {
  const CheckedLevel level = shipped();
  const Vec3 eye{5, 0, 0};
  for (int r = 0; r < level.world->roomCount; ++r) {
    const Room& room = level.world->rooms[r];
    double nearest = 1e9;
    for (int p = 0; p < room.polygonCount; ++p)
      nearest = std::min(nearest, double(signedDistance(room.polygons[p].plane, eye)));
    if (r == 0)
      EXPECT_GE(nearest, 3.0);
    else
      EXPECT_LT(nearest, 0.0) << "room " << r << " holds the start point too";
  }
}

TEST(ShippedLevel, EveryVertexIsBelowTheOverviewCameraAndInItsView) {
  const CheckedLevel level = shipped();
  for (int r = 0; r < level.world->roomCount; ++r) {
    const Room& room = level.world->rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const ClipPolygon& o = room.polygons[p].outline;
      for (int k = 0; k < o.vertexCount; ++k) {
        const Vec3& v = o.vertices[k];
        ASSERT_LT(v.y, 15.0f);
        const double depth = 15.0 - v.y;
        const double screenX = (v.z - 10.0) / depth * 120 + 159.5;
        const double screenY = 240 - ((10.0 - v.x) / depth * 120 + 120.5);
        EXPECT_TRUE(screenX >= 0 && screenX <= 319 && screenY >= 0 && screenY <= 239)
            << "room " << r << " vertex (" << v.x << ", " << v.y << ", " << v.z << ") lands at " << screenX << ", "
            << screenY;
      }
    }
  }
}

TEST(ShippedLevel, StartViewSeesRoomOneAndThroughItRoomTwo) {
  const CheckedLevel level = shipped();
  const StartView view;
  const DVec3 eye = toD(view.camera.position);
  const WorldPolygon* first = portalTo(level.world->rooms[0], 1);
  ASSERT_NE(first, nullptr);
  ASSERT_GT(signedDistance(first->plane, view.camera.position), SideEpsilon);
  const Face seen = clipToPlanes(faceOf(*first), view.planes());
  ASSERT_GE(seen.size(), 3u) << "the portal into room 1 is off the start screen";
  EXPECT_GT(faceArea(seen), 1.0);

  const WorldPolygon* second = portalTo(level.world->rooms[1], 2);
  ASSERT_NE(second, nullptr);
  ASSERT_GT(signedDistance(second->plane, view.camera.position), SideEpsilon);
  const Face beyond = clipToPlanes(faceOf(*second), pyramidThrough(seen, eye));
  EXPECT_GE(beyond.size(), 3u) << "room 2 cannot be seen through room 1 from the start";
}

// Walking straight ahead from the start with the viewer's own room tracking passes
// from room 0 through room 1 into room 2 without being pushed back.
TEST(ShippedLevel, WalkingStraightAheadCrossesBothPortals) {
  auto world = std::make_unique<World>();
  ASSERT_TRUE(loadLevel(*world, Shipped.c_str()).ok);
  Camera camera;
  camera.setPosition(5, 0, 0);
  camera.resetOrientation(0, 0, 0);
  std::vector<int> visited{0};
  for (int pass = 0; pass < 200; ++pass) {
    const Vec3 before = camera.position;
    camera.walk(0.08f);
    const Vec3 walked = camera.position;
    trackCamera(*world, camera);
    EXPECT_EQ(camera.position.z, walked.z) << "pushed back at pass " << pass << " from z " << before.z;
    if (world->currentRoom != visited.back()) visited.push_back(world->currentRoom);
  }
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2}));
}

TEST(SampleLevels, EverySourceInLevelsBuildsIntoAValidLevel) {
  for (const char* name : {"3rooms", "eight_rooms", "big_polygons", "two_rooms"}) {
    std::ifstream file(std::string(QUELLOR_SOURCE_DIR "/levels/") + name + ".json");
    ASSERT_TRUE(bool(file)) << name;
    std::stringstream text;
    text << file.rdbuf();
    const CheckedLevel level = buildAndCheck(text.str(), std::string("sample-") + name);
    EXPECT_TRUE(level.problems.empty()) << name << "\n" << level.report();
  }
}

TEST(SampleLevels, EightRoomsUsesEveryRoomSlot) {
  const CheckedLevel level = checkFile(QUELLOR_BINARY_DIR "/eight_rooms.b2");
  EXPECT_TRUE(level.problems.empty()) << level.report();
  EXPECT_EQ(level.world->roomCount, MaxRooms);
}

TEST(SampleLevels, BigPolygonsFillsARoomAndPolygonsToTheLimit) {
  const CheckedLevel level = checkFile(QUELLOR_BINARY_DIR "/big_polygons.b2");
  ASSERT_TRUE(level.problems.empty()) << level.report();
  int mostPolygons = 0, mostVertices = 0, fullPolygons = 0;
  for (int r = 0; r < level.world->roomCount; ++r) {
    const Room& room = level.world->rooms[r];
    mostPolygons = std::max(mostPolygons, room.polygonCount);
    for (int p = 0; p < room.polygonCount; ++p) {
      mostVertices = std::max(mostVertices, room.polygons[p].outline.vertexCount);
      fullPolygons += room.polygons[p].outline.vertexCount == MaxPolygonVertices;
    }
  }
  EXPECT_EQ(mostPolygons, MaxRoomPolygons);
  EXPECT_EQ(mostVertices, MaxPolygonVertices);
  EXPECT_GE(fullPolygons, 2);
}

TEST(SampleLevels, StartPointLiesInRoomZeroOfEverySample) {
  for (const char* name : {"eight_rooms", "big_polygons", "two_rooms"}) {
    const CheckedLevel level = checkFile(std::string(QUELLOR_BINARY_DIR "/") + name + ".b2");
    ASSERT_GT(level.world->roomCount, 0) << name;
    const Room& room = level.world->rooms[0];
    for (int p = 0; p < room.polygonCount; ++p) {
      EXPECT_GT(signedDistance(room.polygons[p].plane, Vec3{5, 0, 0}), 1.0f) << name << " polygon " << p;
    }
  }
}

}  // namespace
