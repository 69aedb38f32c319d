// Sources built into level files that the viewer's loader reads back and the checker
// passes, with the geometry the source describes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "level_test_support.h"

namespace {

const char* const Box = R"({"rooms": [
  {"name": "box", "outline": [[0, 0], [4, 0], [4, 6], [0, 6]], "floor": -2, "ceiling": 3}
]})";

int32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t v;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

TEST(BuildRoundTrip, BoxRoomIsSixFourCorneredWallsOverEightSharedVertices) {
  const BuildRun run = buildText(Box);
  ASSERT_TRUE(run.ok) << run.allErrors();
  // Header, 8 vertex records, then W = 6, P = 0 and six walls of 4 indices.
  ASSERT_EQ(run.bytes.size(), size_t(12 + 8 * 12 + 8 + 6 * (4 + 16)));
  EXPECT_EQ(wordAt(run.bytes, 0), 8);
  EXPECT_EQ(wordAt(run.bytes, 8), 1);
  EXPECT_EQ(wordAt(run.bytes, 12 + 96), 6);
  EXPECT_EQ(wordAt(run.bytes, 12 + 96 + 4), 0);

  const CheckedLevel checked = checkBytes(run.bytes, "box.b2");
  EXPECT_TRUE(checked.problems.empty()) << checked.report();
  const Room& room = checked.world->rooms[0];
  std::set<std::tuple<float, float, float>> corners;
  for (int p = 0; p < room.polygonCount; ++p) {
    for (int k = 0; k < room.polygons[p].outline.vertexCount; ++k) {
      const Vec3& v = room.polygons[p].outline.vertices[k];
      corners.insert({v.x, v.y, v.z});
    }
  }
  const std::set<std::tuple<float, float, float>> expected{{0, -2, 0}, {4, -2, 0}, {4, -2, 6}, {0, -2, 6},
                                                           {0, 3, 0},  {4, 3, 0},  {4, 3, 6},  {0, 3, 6}};
  EXPECT_EQ(corners, expected);
}

TEST(BuildRoundTrip, WorldCoordinatesSurviveTheFactorTenExactlyWhereAFloatAllows) {
  for (const double world : {0.3, 2.5, -7.1, 12.9, 0.7, 999.9}) {
    EXPECT_EQ(levelCoordinate(world) * 10.0f, float(world)) << world;
  }
  // Elsewhere the loaded value is within one float step of the intended one.
  for (int i = -2000; i <= 2000; ++i) {
    const double world = i * 0.05;
    const float loaded = levelCoordinate(world) * 10.0f;
    EXPECT_LE(std::fabs(double(loaded) - world), std::fabs(std::nextafter(float(world), INFINITY) - float(world)))
        << world;
  }
}

TEST(BuildRoundTrip, EitherOutlineWindingGivesTheSameValidRoom) {
  const CheckedLevel a =
      buildAndCheck(R"({"rooms": [{"outline": [[0, 0], [5, 0], [6, 4], [1, 5]], "floor": 0, "ceiling": 2}]})", "ccw");
  const CheckedLevel b =
      buildAndCheck(R"({"rooms": [{"outline": [[1, 5], [6, 4], [5, 0], [0, 0]], "floor": 0, "ceiling": 2}]})", "cw");
  EXPECT_TRUE(a.problems.empty()) << a.report();
  EXPECT_TRUE(b.problems.empty()) << b.report();
  auto planes = [](const World& world) {
    std::multiset<std::tuple<long, long, long, long>> rounded;
    for (int p = 0; p < world.rooms[0].polygonCount; ++p) {
      const Plane& plane = world.rooms[0].polygons[p].plane;
      rounded.insert({std::lround(plane.normal.x * 1000), std::lround(plane.normal.y * 1000),
                      std::lround(plane.normal.z * 1000), std::lround(plane.d * 1000)});
    }
    return rounded;
  };
  EXPECT_EQ(planes(*a.world), planes(*b.world));
}

TEST(BuildRoundTrip, SharedWholeSideBecomesTwinPortalsOverSharedVertices) {
  const BuildRun run = buildText(R"({"rooms": [
    {"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": 0, "ceiling": 3},
    {"outline": [[4, 0], [9, 0], [9, 4], [4, 4]], "floor": 0, "ceiling": 3}
  ]})");
  ASSERT_TRUE(run.ok) << run.allErrors();
  EXPECT_EQ(run.level.vertices.size(), 12u);  // the four corners of the shared side once
  const CheckedLevel checked = checkBytes(run.bytes, "pair.b2");
  EXPECT_TRUE(checked.problems.empty()) << checked.report();
  for (int r = 0; r < 2; ++r) {
    const Room& room = checked.world->rooms[r];
    EXPECT_EQ(room.polygonCount, 6);
    const WorldPolygon& portal = room.polygons[5];
    EXPECT_EQ(portal.targetRoom, 1 - r);
    EXPECT_NEAR(polygonArea(portal), 12.0, 1e-4);
    EXPECT_NEAR(portal.plane.normal.x, r == 0 ? -1 : 1, 1e-6);
    EXPECT_NEAR(portal.plane.d, r == 0 ? 4 : -4, 1e-5);
  }
}

TEST(BuildRoundTrip, DoorwayLeavesTwoPostsAndALintelThatTileTheSide) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [8, 0], [8, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[0, 6], [8, 6], [8, 10], [0, 10]], "floor": -4, "ceiling": 4}
  ], "doors": [{"between": [0, 1], "min": [3, -4, 6], "max": [5, 1, 6]}]})",
                                             "doorway");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  for (int r = 0; r < 2; ++r) {
    const Room& room = checked.world->rooms[r];
    // Floor, ceiling, three whole sides, the side with the door in three pieces, the door.
    EXPECT_EQ(room.polygonCount, 9);
    EXPECT_EQ(portalCount(room), 1);
    double sideArea = 0;
    int pieces = 0;
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (std::fabs(std::fabs(polygon.plane.normal.z) - 1) < 1e-6 && std::fabs(std::fabs(polygon.plane.d) - 6) < 1e-5) {
        sideArea += polygonArea(polygon);
        pieces += polygon.targetRoom < 0;
      }
    }
    EXPECT_EQ(pieces, 3);
    EXPECT_NEAR(sideArea, 8.0 * 8.0, 1e-3);
    EXPECT_NEAR(polygonArea(room.polygons[room.polygonCount - 1]), 2.0 * 5.0, 1e-4);
  }
}

TEST(BuildRoundTrip, LowerNarrowerNeighbourOpensOnlyWhereTheRoomsMeet) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [10, 0], [10, 8], [0, 8]], "floor": -4, "ceiling": 5},
    {"outline": [[3, 8], [6, 8], [6, 14], [3, 14]], "floor": -3, "ceiling": 2}
  ]})",
                                             "corridor");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  const Room& hall = checked.world->rooms[0];
  EXPECT_EQ(portalCount(hall), 1);
  EXPECT_NEAR(polygonArea(hall.polygons[hall.polygonCount - 1]), 3.0 * 5.0, 1e-4);
  // Posts, lintel and sill around the opening.
  EXPECT_EQ(hall.polygonCount, 6 - 1 + 4 + 1);
}

TEST(BuildRoundTrip, SlopedFloorAndCeilingTiltTheirPlanes) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [10, 0], [10, 10], [0, 10]],
     "floor": {"height": -4, "at": [0, 0], "slope": [0, -0.1]},
     "ceiling": {"height": 3, "at": [0, 0], "slope": [0.2, 0]}}
  ]})",
                                             "slopes");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  const Room& room = checked.world->rooms[0];
  const Vec3& floorNormal = room.polygons[0].plane.normal;
  const Vec3& ceilingNormal = room.polygons[1].plane.normal;
  EXPECT_NEAR(floorNormal.y, 1 / std::sqrt(1.01), 1e-6);
  EXPECT_NEAR(floorNormal.z, 0.1 / std::sqrt(1.01), 1e-6);
  EXPECT_NEAR(ceilingNormal.y, -1 / std::sqrt(1.04), 1e-6);
  EXPECT_NEAR(ceilingNormal.x, 0.2 / std::sqrt(1.04), 1e-6);
}

TEST(BuildRoundTrip, ClosedDoorKeepsTouchingRoomsApart) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": 0, "ceiling": 3},
    {"outline": [[4, 0], [9, 0], [9, 4], [4, 4]], "floor": 0, "ceiling": 3}
  ], "doors": [{"between": [1, 0], "closed": true}]})",
                                             "closed");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  EXPECT_EQ(portalCount(checked.world->rooms[0]), 0);
  EXPECT_EQ(portalCount(checked.world->rooms[1]), 0);
}

TEST(BuildRoundTrip, RoomStandingOnAnotherOpensThroughFloorAndCeiling) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [10, 0], [10, 10], [0, 10]], "floor": -4, "ceiling": 4},
    {"outline": [[2, 2], [6, 2], [6, 6], [2, 6]], "floor": 4, "ceiling": 9}
  ]})",
                                             "stacked");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  const Room& below = checked.world->rooms[0];
  ASSERT_EQ(portalCount(below), 1);
  const WorldPolygon& hole = below.polygons[below.polygonCount - 1];
  EXPECT_NEAR(hole.plane.normal.y, -1, 1e-6);
  EXPECT_NEAR(polygonArea(hole), 16, 1e-4);
}

// No corner of one polygon may sit inside an edge of another polygon of its room.
TEST(BuildRoundTrip, NoCornerIsLeftInTheMiddleOfAnotherPolygonsEdge) {
  const CheckedLevel checked = buildAndCheck(R"({"rooms": [
    {"outline": [[0, 0], [8, 0], [8, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[1, 6], [4, 6], [4, 9], [1, 9]], "floor": -4, "ceiling": 1},
    {"outline": [[4, 6], [7, 6], [7, 9], [4, 9]], "floor": -2, "ceiling": 3}
  ]})",
                                             "tjunctions");
  ASSERT_TRUE(checked.problems.empty()) << checked.report();
  for (int r = 0; r < 3; ++r) {
    const Room& room = checked.world->rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const ClipPolygon& o = room.polygons[p].outline;
      for (int k = 0; k < o.vertexCount; ++k) {
        const DVec3 a = toD(o.vertices[k]), b = toD(o.vertices[(k + 1) % o.vertexCount]);
        for (int q = 0; q < room.polygonCount; ++q) {
          const ClipPolygon& other = room.polygons[q].outline;
          for (int m = 0; m < other.vertexCount; ++m) {
            const DVec3 c = toD(other.vertices[m]);
            const double t = dotD(c - a, b - a) / dotD(b - a, b - a);
            const double off = lengthD(crossD(c - a, b - a)) / lengthD(b - a);
            EXPECT_FALSE(t > 1e-4 && t < 1 - 1e-4 && off < 1e-4)
                << "room " << r << " polygon " << p << " edge " << k << " holds a corner of polygon " << q;
          }
        }
      }
    }
  }
}

TEST(BuildRoundTrip, FirstThreeCornersOfEveryPolygonMakeAClearCorner) {
  const BuildRun run = buildText(R"({"rooms": [
    {"outline": [[0, 0], [8, 0], [8, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"outline": [[2, 6], [6, 6], [6, 9], [2, 9]], "floor": -4, "ceiling": 1}
  ]})");
  ASSERT_TRUE(run.ok) << run.allErrors();
  for (const BuiltRoom& room : run.level.rooms) {
    for (const auto* list : {&room.walls, &room.portals}) {
      for (const BuiltPolygon& p : *list) {
        const DVec3 q0 = run.level.vertices[size_t(p.vertices[0])];
        const DVec3 q1 = run.level.vertices[size_t(p.vertices[1])];
        const DVec3 q2 = run.level.vertices[size_t(p.vertices[2])];
        const double sine = lengthD(crossD(q0 - q1, q2 - q1)) / (lengthD(q0 - q1) * lengthD(q2 - q1));
        EXPECT_GT(sine, 0.1) << p.what;
      }
    }
  }
}

TEST(BuildRoundTrip, SourceMayCarryComments) {
  const CheckedLevel checked = buildAndCheck(R"(// a box
  {"rooms": [ /* one room */ {"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": 0, "ceiling": 3}]})",
                                             "comments");
  EXPECT_TRUE(checked.problems.empty()) << checked.report();
}

}  // namespace
