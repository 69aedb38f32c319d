#include <gtest/gtest.h>

#include "geometry/camera.h"

namespace {

Viewport startViewport() {
  Viewport v{};
  v.width = 320;
  v.height = 240;
  updateViewport(v);
  return v;
}

TEST(Viewport, DerivesScaleAndCentreFromTheSize) {
  Viewport v = startViewport();
  EXPECT_EQ(v.projectionScale, 120.0);
  EXPECT_EQ(v.centreX, 159.5);
  EXPECT_EQ(v.centreY, 120.5);
  v.width = 324;
  v.height = 201;
  updateViewport(v);
  EXPECT_EQ(v.projectionScale, 100.5);
  EXPECT_EQ(v.centreX, 161.5);
  EXPECT_EQ(v.centreY, 101.0);
}

TEST(Camera, ScreenPlanesOfTheStartViewport) {
  Camera camera;
  camera.buildScreenPlanes(startViewport());
  const Plane* p = camera.screenPlanes;
  EXPECT_NEAR(p[0].normal.x, -0.6012017, 2e-7);
  EXPECT_EQ(p[0].normal.y, 0.0f);
  EXPECT_NEAR(p[0].normal.z, 0.7990973, 2e-7);
  EXPECT_NEAR(p[1].normal.y, -0.7071068, 1e-7);
  EXPECT_NEAR(p[1].normal.z, 0.7071068, 1e-7);
  EXPECT_NEAR(p[2].normal.x, 0.6024069, 2e-7);
  EXPECT_NEAR(p[2].normal.z, 0.7981892, 2e-7);
  EXPECT_EQ(p[3].normal.y, -p[1].normal.y);
  EXPECT_EQ(p[3].normal.z, p[1].normal.z);
}

// The extent is what the planes are built from: each plane's normal leans by its tangent.
TEST(Camera, TheScreenExtentIsTheTangentOfEachPlane) {
  const ScreenExtent e = screenExtent(startViewport());
  EXPECT_EQ(e.right, 159.5 / 120.0);
  EXPECT_EQ(e.left, 159.0 / 120.0);
  EXPECT_EQ(e.top, 1.0);
  EXPECT_EQ(e.bottom, 1.0);
  Camera camera;
  camera.buildScreenPlanes(startViewport());
  const Plane* p = camera.screenPlanes;
  EXPECT_NEAR(p[0].normal.z / -p[0].normal.x, e.right, 1e-6);
  EXPECT_NEAR(p[1].normal.z / -p[1].normal.y, e.top, 1e-6);
  EXPECT_NEAR(p[2].normal.z / p[2].normal.x, e.left, 1e-6);
  EXPECT_NEAR(p[3].normal.z / p[3].normal.y, e.bottom, 1e-6);
}

TEST(Camera, WorldPlanesAtStartPassThroughTheEye) {
  Camera camera;
  camera.setPosition(5, 0, 0);
  camera.resetOrientation(0, 0, 0);
  camera.buildScreenPlanes(startViewport());
  camera.buildWorldPlanes();
  EXPECT_NEAR(camera.worldPlanes[0].d, 3.006009, 1e-6);
  EXPECT_EQ(camera.worldPlanes[1].d, 0.0f);
  EXPECT_NEAR(camera.worldPlanes[2].d, -3.012034, 1e-6);
  EXPECT_EQ(camera.worldPlanes[3].d, 0.0f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(camera.worldPlanes[i].normal.x, camera.screenPlanes[i].normal.x);
    EXPECT_EQ(camera.worldPlanes[i].normal.z, camera.screenPlanes[i].normal.z);
  }
}

TEST(Camera, TurningRotatesRowsAboutTheWorldAxes) {
  Camera camera;
  camera.resetOrientation(0, 0, 0);
  camera.turn();
  EXPECT_EQ(camera.orientation.rows[0].x, 1.0f);
  EXPECT_EQ(camera.orientation.rows[2].z, 1.0f);
  EXPECT_EQ(camera.orientation.rows[0].z, 0.0f);

  camera.turnRateY = 100;
  camera.turn();
  const Matrix3& m = camera.orientation;
  EXPECT_NEAR(m.rows[0].x, 0.9998162, 1e-7);
  EXPECT_EQ(m.rows[0].y, 0.0f);
  EXPECT_NEAR(m.rows[0].z, -0.0191736, 1e-7);
  EXPECT_EQ(m.rows[1].x, 0.0f);
  EXPECT_EQ(m.rows[1].y, 1.0f);
  EXPECT_EQ(m.rows[1].z, 0.0f);
  EXPECT_NEAR(m.rows[2].x, 0.0191736, 1e-7);
  EXPECT_NEAR(m.rows[2].z, 0.9998162, 1e-7);
}

TEST(Camera, LeftThenRightDoesNotComeBack) {
  Camera camera;
  camera.resetOrientation(0, 32667, 0);
  camera.turn();
  camera.turnRateY = 100;
  camera.turn();
  // 101 units one way, 100 the other (the table is not symmetric about 0 either).
  EXPECT_LT(camera.orientation.rows[2].x, 0.0f);
  EXPECT_NEAR(camera.orientation.rows[2].x, -0.000197, 1e-6);
}

TEST(Camera, OutOfRangeTurningRatesWrapInsteadOfReadingPastTheTables) {
  Camera a, b;
  a.resetOrientation(32768 + 7, -101, 65536 * 3 + 100);
  b.resetOrientation(7, 32667, 100);
  a.turn();
  b.turn();
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(a.orientation.rows[r].x, b.orientation.rows[r].x);
    EXPECT_EQ(a.orientation.rows[r].y, b.orientation.rows[r].y);
    EXPECT_EQ(a.orientation.rows[r].z, b.orientation.rows[r].z);
  }
}

TEST(Camera, WalkMovesAlongTheForwardRow) {
  Camera camera;
  camera.setPosition(5, 0, 0);
  camera.resetOrientation(0, 0, 0);
  camera.walk(0.08f);
  EXPECT_EQ(camera.position.x, 5.0f);
  EXPECT_EQ(camera.position.y, 0.0f);
  EXPECT_EQ(camera.position.z, 0.08f);
  camera.walk(-0.08f);
  EXPECT_EQ(camera.position.z, 0.0f);
}

}  // namespace
