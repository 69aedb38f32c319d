#include "render/projection.h"

void projectPolygon(const WorkingPolygon& polygon, const Viewport& viewport, ScreenPolygon& out) {
  const int n = polygon.vertexCount;
  const double s = viewport.projectionScale;
  const double cx = viewport.centreX;
  const double cy = viewport.centreY;
  const double h = viewport.height;
  // Reversed: a wall seen from its front runs counter-clockwise from the eye, and the
  // fill paints only polygons that run clockwise on the screen (y downwards).
  for (int i = 0; i < n; ++i) {
    const Vec3& v = polygon.vertices[i];
    const double w = 1.0 / double(v.z);
    ScreenPoint& p = out.points[n - 1 - i];
    p.x = double(v.x) * w * s + cx;
    p.y = h - (double(v.y) * w * s + cy);
  }
  out.colourIndex = polygon.colourIndex;
  out.vertexCount = n;
}
