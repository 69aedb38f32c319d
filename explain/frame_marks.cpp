#include "explain/frame_marks.h"

#include <cmath>
#include <cstdlib>

namespace {

// Liang-Barsky: cuts the segment to [lo, hi] in both axes; false when nothing is left.
bool clipSegment(double& x0, double& y0, double& x1, double& y1, double hiX, double hiY) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0, hiX - x0, y0, hiY - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  x1 = x0 + t1 * dx;
  y1 = y0 + t1 * dy;
  x0 = ax;
  y0 = ay;
  return true;
}

void plot(const Viewport& viewport, int32_t x, int32_t y, uint8_t colour, MarkWhere where) {
  if (x < 0 || y < 0 || x >= viewport.width || y >= viewport.height) return;
  uint8_t& pixel = pixelRow(viewport, y)[x];
  if (where == MarkWhere::CoveredOnly && pixel == 0) return;
  pixel = colour;
}

}  // namespace

void drawMarkLine(const Viewport& viewport, ScreenPoint a, ScreenPoint b, uint8_t colour, MarkWhere where) {
  if (!viewport.rowOrigin || viewport.width <= 0 || viewport.height <= 0) return;
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
  double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
  if (!clipSegment(x0, y0, x1, y1, viewport.width - 1, viewport.height - 1)) return;
  int32_t ix = int32_t(std::lround(x0)), iy = int32_t(std::lround(y0));
  const int32_t ex = int32_t(std::lround(x1)), ey = int32_t(std::lround(y1));
  const int32_t dx = std::abs(ex - ix), dy = -std::abs(ey - iy);
  const int32_t sx = ix < ex ? 1 : -1, sy = iy < ey ? 1 : -1;
  int32_t err = dx + dy;
  for (;;) {
    plot(viewport, ix, iy, colour, where);
    if (ix == ex && iy == ey) break;
    const int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      ix += sx;
    }
    if (e2 <= dx) {
      err += dx;
      iy += sy;
    }
  }
}

void drawMarkOutline(const Viewport& viewport, const ScreenPoint* points, int32_t count, uint8_t colour,
                     MarkWhere where) {
  for (int32_t i = 0; i < count; ++i) {
    drawMarkLine(viewport, points[i], points[i + 1 < count ? i + 1 : 0], colour, where);
  }
}

void drawMarkBorder(const Viewport& viewport, uint8_t colour) {
  const double r = viewport.width - 1, b = viewport.height - 1;
  const ScreenPoint corners[4] = {{0, 0}, {r, 0}, {r, b}, {0, b}};
  drawMarkOutline(viewport, corners, 4, colour, MarkWhere::Anywhere);
}
