#include <gtest/gtest.h>

#include "render/draw_wall.h"
#include "render/portal_traversal.h"
#include "render_fixtures.h"
#include "support/heap_counter.h"

namespace {

using render_test::Frame;
using render_test::LevelBuilder;
using render_test::placeCamera;
using render_test::screenFrustum;
using render_test::workingPolygon;

const Matrix3 LookingBack{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
const int32_t NoPortals[6] = {-1, -1, -1, -1, -1, -1};

using render_test::buildTwoRooms;

struct Scene {
  Scene(int32_t width = 320, int32_t height = 240, bool bottomUp = false) : frame(width, height, bottomUp) {}

  TraversalCounts render(int32_t room = 0) {
    TraversalCounts counts{};
    renderRoom(level.world(), camera, frame.viewport, frame.spans, room, frustum, counts);
    return counts;
  }
  void look(Vec3 position, Matrix3 orientation = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}) {
    placeCamera(camera, frame.viewport, position, orientation);
    frustum = screenFrustum(camera);
  }

  LevelBuilder level;
  Camera camera;
  Frame frame;
  Frustum frustum{};
};

int64_t zeroPixelsBetweenOuterColumns(const Frame& frame) {
  int64_t n = 0;
  for (int32_t y = 0; y < frame.height(); ++y)
    for (int32_t x = 1; x < frame.width() - 1; ++x) n += frame.at(x, y) == 0;
  return n;
}

TEST(Traversal, SecondRoomIsDrawnOnceThroughTheOpeningAndItsPortalBackSkipped) {
  Scene scene;
  buildTwoRooms(scene.level);
  scene.look({5, 0, 0});
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.roomVisits, 2);
  EXPECT_EQ(counts.visitsPerRoom[0], 1);
  EXPECT_EQ(counts.visitsPerRoom[1], 1);
  EXPECT_EQ(counts.deepestLevel, 2);
  EXPECT_EQ(counts.cappedVisits, 0);

  const Frame& f = scene.frame;
  EXPECT_EQ(f.at(160, 120), 16);  // room 1's far wall, straight ahead
  EXPECT_EQ(f.at(160, 50), 4);    // room 0's ceiling above the opening
  EXPECT_EQ(f.at(160, 70), 14);   // room 1's ceiling, seen through the opening
  EXPECT_EQ(f.at(160, 190), 3);   // room 0's floor below it
  EXPECT_EQ(f.count(6), 0);       // the portals themselves are never filled
  EXPECT_EQ(f.count(15), 0);
  // A closed level covers the whole screen between the outer columns. (Those two are
  // the screen planes' own: at 320 x 240 the float-rounded right plane lies 5e-6 pixels
  // beyond column 319's left edge, so walls crossing it do paint that column.)
  EXPECT_EQ(zeroPixelsBetweenOuterColumns(f), 0);
  EXPECT_TRUE(f.guardIntact());
}

TEST(Traversal, RoomBehindIsSeenOnlyWithinTheOpening) {
  Scene scene;
  buildTwoRooms(scene.level);
  scene.look({5, 0, 0});
  scene.render();
  // Room 1's walls project inside the opening's outline: x from 5 to 5 of the eye at
  // depth 10, so columns 100..219 and rows 60..179 at most.
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x) {
      const uint8_t c = scene.frame.at(x, y);
      if (c >= 11) {
        ASSERT_TRUE(x >= 99 && x <= 220 && y >= 59 && y <= 181) << x << ", " << y;
      }
    }
}

TEST(Traversal, BottomUpAndTopDownFrameBuffersShowTheSameImage) {
  Scene topDown(320, 240, false), bottomUp(320, 240, true);
  for (Scene* s : {&topDown, &bottomUp}) {
    buildTwoRooms(s->level);
    s->look({3, 1, 2}, {{{0.8f, 0, 0.6f}, {0, 1, 0}, {-0.6f, 0, 0.8f}}});
    s->render();
  }
  int64_t differences = 0;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x) differences += topDown.frame.at(x, y) != bottomUp.frame.at(x, y);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(zeroPixelsBetweenOuterColumns(topDown.frame), 0);
  EXPECT_TRUE(bottomUp.frame.guardIntact());
}

TEST(Traversal, PortalSeenFromItsBackIsSkipped) {
  Scene scene;
  LevelBuilder& level = scene.level;
  level.addRoom();
  level.addRoom();
  const Vec3 lo{0, -5, -10}, hi{10, 5, 10}, centre{5, 0, 0};
  for (int face = 0; face < 5; ++face) level.add(0, -1, LevelBuilder::boxFace(lo, hi, face), centre, 1 + face);
  // Its normal points out of room 0, so the eye inside is behind it.
  level.add(0, 1, LevelBuilder::boxFace(lo, hi, 5), centre, 0, true);
  level.addBox(1, {0, -5, 10}, {10, 5, 30}, NoPortals, 11);
  scene.look({5, 0, 0});
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.visitsPerRoom[1], 0);
  EXPECT_EQ(scene.frame.at(160, 120), 0);
  EXPECT_EQ(scene.frame.at(160, 50), 4);
}

TEST(Traversal, RoomWhosePolygonsAllFaceAwayDrawsNothing) {
  Scene scene;
  LevelBuilder& level = scene.level;
  level.addRoom();
  level.addRoom();
  const Vec3 lo{0, -5, -10}, hi{10, 5, 10}, centre{5, 0, 0};
  for (int face = 0; face < 5; ++face) level.add(0, -1, LevelBuilder::boxFace(lo, hi, face), centre, 1 + face, true);
  level.add(0, 1, LevelBuilder::boxFace(lo, hi, 5), centre, 0, true);
  level.addBox(1, {0, -5, 10}, {10, 5, 30}, NoPortals, 11);
  scene.look({5, 0, 0});
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.roomVisits, 1);
  EXPECT_EQ(counts.wallsDrawn, 0);
  EXPECT_EQ(scene.frame.count(0), 320 * 240);
}

TEST(Traversal, WallWithinTheToleranceOfTheEyeIsNeitherDrawnNorClipped) {
  Scene with, without;
  buildTwoRooms(with.level);
  buildTwoRooms(without.level);
  // A panel 0.0005 below the eye, facing up.
  with.level.add(0, -1, {{2, -0.0005f, 2}, {8, -0.0005f, 2}, {8, -0.0005f, 8}, {2, -0.0005f, 8}}, {5, 1, 5}, 30);
  with.look({5, 0, 0});
  without.look({5, 0, 0});
  EXPECT_EQ(with.render().wallsDrawn, without.render().wallsDrawn);
  EXPECT_EQ(with.frame.count(30), 0);
}

TEST(Traversal, PortalClippedAwayLeadsNowhere) {
  Scene scene;
  buildTwoRooms(scene.level);
  // Looking back: the opening faces the eye but lies wholly behind it.
  scene.look({5, 0, 0}, LookingBack);
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.visitsPerRoom[1], 0);
  EXPECT_GT(counts.wallsDrawn, 0);
}

TEST(Traversal, PortalOfTwoVerticesLeadsNowhereEvenUnclipped) {
  Scene scene;
  LevelBuilder& level = scene.level;
  level.addRoom();
  level.addRoom();
  level.addBox(1, {0, -5, 10}, {10, 5, 30}, NoPortals, 11);
  level.add(0, 1, {{0, -5, 10}, {10, -5, 10}, {10, 5, 10}}, {5, 0, 0});
  level.world().rooms[0].polygons[0].outline.vertexCount = 2;
  scene.look({5, 0, 0});
  scene.frustum.planeCount = 0;  // nothing to clip against
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.visitsPerRoom[1], 0);
}

TEST(Traversal, OutOfRangeRoomIsIgnored) {
  Scene scene;
  buildTwoRooms(scene.level);
  scene.look({5, 0, 0});
  EXPECT_EQ(scene.render(2).roomVisits, 0);
  EXPECT_EQ(scene.render(-1).roomVisits, 0);
  EXPECT_EQ(scene.frame.count(0), 320 * 240);
}

TEST(Traversal, CycleOfWronglyFacingPortalsStopsAtTheDepthCap) {
  // Two rooms in the same place, each with a portal into the other that faces the eye:
  // every visit sees the other room's portal again.
  Scene scene;
  scene.level.addRoom();
  scene.level.addRoom();
  const int32_t intoOne[6] = {-1, -1, -1, -1, -1, 1};
  const int32_t intoZero[6] = {-1, -1, -1, -1, -1, 0};
  scene.level.addBox(0, {0, -5, -10}, {10, 5, 10}, intoOne, 1);
  scene.level.addBox(1, {0, -5, -10}, {10, 5, 10}, intoZero, 11);
  scene.look({5, 0, 0});
  const TraversalCounts counts = scene.render();
  EXPECT_EQ(counts.deepestLevel, MaxTraversalDepth);
  EXPECT_EQ(counts.roomVisits, MaxTraversalDepth);
  EXPECT_EQ(counts.cappedVisits, 1);
  EXPECT_TRUE(scene.frame.guardIntact());
}

TEST(Traversal, AllocatesNothingFromTheHeap) {
  Scene scene;
  buildTwoRooms(scene.level);
  scene.look({5, 0, 0});
  const int64_t before = heapAllocationCount();
  scene.render();
  renderRoom(scene.level.world(), scene.camera, scene.frame.viewport, scene.frame.spans, 0, scene.frustum);
  EXPECT_EQ(heapAllocationCount(), before);
}

// Room 0 for the overview: the box (0, -5, -10)..(10, 5, 10) with its floor in two
// halves, z < 0 coloured 20 and z > 0 coloured 21, its ceiling 22, and other walls 23..26.
void buildOverviewRoom(LevelBuilder& level) {
  level.addRoom();
  const Vec3 centre{5, 0, 0};
  level.add(0, -1, {{0, -5, -10}, {10, -5, -10}, {10, -5, 0}, {0, -5, 0}}, centre, 20);
  level.add(0, -1, {{0, -5, 0}, {10, -5, 0}, {10, -5, 10}, {0, -5, 10}}, centre, 21);
  level.add(0, -1, LevelBuilder::boxFace({0, -5, -10}, {10, 5, 10}, 3), centre, 22);
  const int faces[4] = {0, 1, 4, 5};
  for (int k = 0; k < 4; ++k)
    level.add(0, -1, LevelBuilder::boxFace({0, -5, -10}, {10, 5, 10}, faces[k]), centre, 23 + k);
}

TEST(Overview, DrawsOnlyWhatTheWalkingCameraSees) {
  Scene scene;
  buildOverviewRoom(scene.level);
  scene.level.world().overviewEnabled = 1;
  scene.look({5, 0, 0.5f});
  scene.render();
  EXPECT_EQ(scene.frame.count(20), 0);  // the floor behind the walking eye
  EXPECT_GT(scene.frame.count(21), 0);  // the floor in front of it
  EXPECT_TRUE(scene.frame.guardIntact());

  // Unclipped, the overview camera does see the floor behind the walking eye.
  Scene unclipped;
  buildOverviewRoom(unclipped.level);
  unclipped.level.world().overviewEnabled = 1;
  unclipped.look({5, 0, 0.5f});
  unclipped.frustum.planeCount = 0;
  unclipped.render();
  EXPECT_GT(unclipped.frame.count(20), 0);
}

TEST(Overview, WallShowingItsBackToTheOverviewIsNotPainted) {
  Scene scene;
  buildOverviewRoom(scene.level);
  scene.level.world().overviewEnabled = 1;
  scene.look({5, 0, 0.5f});
  scene.frustum.planeCount = 0;
  const TraversalCounts counts = scene.render();
  // The ceiling faces the walking eye below it and is drawn, but the overview camera
  // looks down on its back.
  EXPECT_GT(counts.wallsDrawn, 0);
  EXPECT_EQ(scene.frame.count(22), 0);
  EXPECT_GT(scene.frame.count(21), 0);
}

TEST(Overview, OffDrawsFromTheWalkingCamera) {
  Scene scene;
  buildOverviewRoom(scene.level);
  scene.look({5, 0, 0.5f});
  scene.render();
  EXPECT_GT(scene.frame.count(22), 0);
  EXPECT_EQ(scene.frame.count(20), 0);
}

// A triangle at height y facing up, counter-clockwise as the overview camera sees it.
WorkingPolygon floorTriangle(float y) { return workingPolygon({{10, y, 10}, {10, y, 14}, {6, y, 10}}, 40); }

TEST(DrawWall, OverviewSkipsAWallAtOrAboveItsHeight) {
  Frame frame(320, 240);
  LevelBuilder level;
  Camera camera;
  placeCamera(camera, frame.viewport, {5, 0, 0});
  level.world().overviewEnabled = 1;
  for (float y : {16.0f, 15.0f, 14.9999999f}) {
    WorkingPolygon wall = floorTriangle(y);
    drawWall(level.world(), camera, frame.viewport, frame.spans, wall);
    EXPECT_EQ(frame.count(40), 0) << "height " << y;
  }
  WorkingPolygon wall = floorTriangle(14);
  drawWall(level.world(), camera, frame.viewport, frame.spans, wall);
  EXPECT_GT(frame.count(40), 0);
  EXPECT_TRUE(frame.guardIntact());
}

TEST(DrawWall, WalkingCameraSkipsAWallReachingBehindTheEye) {
  Frame frame(320, 240);
  LevelBuilder level;
  Camera camera;
  placeCamera(camera, frame.viewport, {0, 0, 0});
  WorkingPolygon wall = workingPolygon({{-1, -1, 0}, {1, -1, 5}, {1, 1, 5}, {-1, 1, 0}}, 41);
  drawWall(level.world(), camera, frame.viewport, frame.spans, wall);
  EXPECT_EQ(frame.count(41), 0);
  WorkingPolygon nearEye = workingPolygon({{-1, -1, 1e-30f}, {1, -1, 5}, {1, 1, 5}}, 41);
  drawWall(level.world(), camera, frame.viewport, frame.spans, nearEye);
  EXPECT_EQ(frame.count(41), 0);
  EXPECT_TRUE(frame.guardIntact());
}

TEST(DrawWall, TransformsIntoTheWalkingCamerasViewAndFills) {
  Frame frame(320, 240);
  LevelBuilder level;
  Camera camera;
  placeCamera(camera, frame.viewport, {2, 3, 4});
  // The square of projection_test, moved by the eye's position.
  WorkingPolygon wall = workingPolygon({{1, 2, 9}, {3, 2, 9}, {3, 4, 9}, {1, 4, 9}}, 42);
  drawWall(level.world(), camera, frame.viewport, frame.spans, wall);
  EXPECT_EQ(frame.count(42), 48 * 48);
  EXPECT_EQ(frame.at(136, 96), 42);
  EXPECT_EQ(frame.at(183, 143), 42);
  EXPECT_EQ(wall.vertices[0].z, 5.0f);  // the outline now holds view coordinates
}

TEST(DrawWall, FewerThanThreeVerticesDrawNothing) {
  Frame frame(320, 240);
  LevelBuilder level;
  Camera camera;
  placeCamera(camera, frame.viewport, {0, 0, 0});
  WorkingPolygon wall = workingPolygon({{-1, -1, 5}, {1, -1, 5}}, 43);
  drawWall(level.world(), camera, frame.viewport, frame.spans, wall);
  EXPECT_EQ(frame.count(0), 320 * 240);
  EXPECT_EQ(wall.vertices[0].z, 5.0f);  // untouched
}

}  // namespace
