#include "render/draw_wall.h"

#include "geometry/vec_math.h"
#include "render/pass_observer.h"

// Kept in a file of its own so that its screen polygon is not part of every frame of
// the recursive traversal that calls it.

namespace {

// Brings the outline into the chosen camera's view space and projects it; false when it
// cannot be projected.
bool projectWall(const World& world, const Camera& camera, const Viewport& viewport, WorkingPolygon& outline,
                 ScreenPolygon& screen) {
  const int32_t n = outline.vertexCount;
  if (n < 3) return false;
  // Only the final transform changes with the overview: what is drawn was clipped to the
  // walking camera's view.
  const bool overview = world.overviewEnabled != 0;
  const Vec3& position = overview ? world.overviewPosition : camera.position;
  const Matrix3& orientation = overview ? world.overviewOrientation : camera.orientation;

  translatePoints(outline.vertices, Vec3{-position.x, -position.y, -position.z}, n);
  rotatePoints(outline.vertices, outline.vertices, orientation, n);
  for (int32_t i = 0; i < n; ++i) {
    if (!(outline.vertices[i].z > 0.0f)) return false;
  }
  projectPolygon(outline, viewport, screen);
  return true;
}

}  // namespace

void drawWall(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
              WorkingPolygon& outline) {
  // Points that come out non-finite or beyond the fill's coordinate limit paint nothing.
  ScreenPolygon screen;
  if (projectWall(world, camera, viewport, outline, screen)) fillPolygon(screen, viewport, target);
}

void drawWall(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
              WorkingPolygon& outline, WallFill report, PassObserver& observer) {
  ScreenPolygon screen;
  report.colour = uint8_t(outline.colourIndex);
  report.screen = nullptr;
  report.rows = report.spans = 0;
  report.pixels = 0;
  if (projectWall(world, camera, viewport, outline, screen)) {
    fillPolygon(screen, viewport, target);
    const FilledRows filled = traceFilledRows(screen, viewport, target, observer.rowsWanted() ? &observer : nullptr);
    report.screen = &screen;
    report.rows = filled.rows;
    report.spans = filled.spans;
    report.pixels = filled.pixels;
  }
  observer.wallFilled(report);
}
