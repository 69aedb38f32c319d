// The plan shows the viewer's own start and overview camera, taken from the viewer: the
// start view's edges lie in the start camera's side planes at the first window size, and
// the overview rectangle's corners on the overview camera's screen planes.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/start_view.h"
#include "level_test_support.h"
#include "plan/plan_sheet.h"
#include "tools/level/plan_input.h"

namespace {

// The camera with its planes built for the first window, as the viewer's first pass has it.
Camera framed(const Vec3& position, const Matrix3& orientation) {
  Camera camera;
  camera.position = position;
  camera.orientation = orientation;
  Viewport viewport{};
  viewport.width = FirstClientWidth;
  viewport.height = FirstClientHeight;
  updateViewport(viewport);
  camera.buildScreenPlanes(viewport);
  camera.buildWorldPlanes();
  return camera;
}

double distance(const Plane& plane, double x, double y, double z) {
  return plane.normal.x * x + plane.normal.y * y + plane.normal.z * z + plane.d;
}

TEST(PlanSheet, TheStartViewIsTheViewersFirstView) {
  PlanLevel level;
  std::vector<std::string> errors;
  ASSERT_TRUE(readPlanLevel(QUELLOR_SOURCE_DIR "/levels/3rooms.json", level, errors));
  PlanLayout layout;
  const PlanSheet sheet = measurePlan(level, layout);
  Camera start;
  placeAtStart(start);
  const Camera camera = framed(start.position, start.orientation);
  const PlanStart& s = sheet.start;
  EXPECT_EQ(s.at.u, camera.position.x);
  EXPECT_EQ(s.at.v, camera.position.z);
  EXPECT_EQ(s.axis, "+z");
  const double y = camera.position.y;
  // Right edge in the right plane (0), left edge in the left plane (2), both in front.
  EXPECT_NEAR(distance(camera.worldPlanes[0], s.right.u, y, s.right.v), 0, 1e-5);
  EXPECT_NEAR(distance(camera.worldPlanes[2], s.left.u, y, s.left.v), 0, 1e-5);
  EXPECT_GT(distance(camera.worldPlanes[2], s.right.u, y, s.right.v), 1);
  EXPECT_GT(distance(camera.worldPlanes[0], s.left.u, y, s.left.v), 1);
  // The arrow points along the view.
  const Vec3& forward = camera.orientation.rows[2];
  EXPECT_NEAR((s.tip.u - s.at.u) * forward.z - (s.tip.v - s.at.v) * forward.x, 0, 1e-9);
  EXPECT_GT((s.tip.u - s.at.u) * forward.x + (s.tip.v - s.at.v) * forward.z, 0);
}

TEST(PlanSheet, TheOverviewRectangleIsWhatTheOverviewCameraFrames) {
  const auto world = std::make_unique<World>();
  const Camera camera = framed(world->overviewPosition, world->overviewOrientation);
  for (const double y : {0.0, -6.2, 14.0}) {
    OverviewFootprint f;
    ASSERT_TRUE(overviewFootprint(*world, firstScreenExtent(), y, f)) << y;
    const double corners[4][2] = {{f.x0, f.z0}, {f.x1, f.z0}, {f.x1, f.z1}, {f.x0, f.z1}};
    for (const auto& c : corners) {
      int on = 0;
      for (const Plane& plane : camera.worldPlanes) {
        const double d = distance(plane, c[0], y, c[1]);
        EXPECT_GT(d, -1e-4) << "corner (" << c[0] << ", " << c[1] << ") at y " << y << " is outside the picture";
        on += std::fabs(d) < 1e-4;
      }
      EXPECT_EQ(on, 2) << "corner (" << c[0] << ", " << c[1] << ") at y " << y;
    }
  }
  OverviewFootprint above;
  EXPECT_FALSE(overviewFootprint(*world, firstScreenExtent(), world->overviewPosition.y + 1, above));
}

}  // namespace
