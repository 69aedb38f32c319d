#include "render/draw_wall.h"

#include "geometry/vec_math.h"

// Kept in a file of its own so that its screen polygon is not part of every frame of
// the recursive traversal that calls it.
void drawWall(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
              WorkingPolygon& outline) {
  const int32_t n = outline.vertexCount;
  if (n < 3) return;
  // Only the final transform changes with the overview: what is drawn was clipped to the
  // walking camera's view.
  const bool overview = world.overviewEnabled != 0;
  const Vec3& position = overview ? world.overviewPosition : camera.position;
  const Matrix3& orientation = overview ? world.overviewOrientation : camera.orientation;

  translatePoints(outline.vertices, Vec3{-position.x, -position.y, -position.z}, n);
  rotatePoints(outline.vertices, outline.vertices, orientation, n);
  for (int32_t i = 0; i < n; ++i) {
    if (!(outline.vertices[i].z > 0.0f)) return;
  }

  // Points that come out non-finite or beyond the fill's coordinate limit paint nothing.
  ScreenPolygon screen;
  projectPolygon(outline, viewport, screen);
  fillPolygon(screen, viewport, target);
}
