#include "geometry/flat_polygon.h"

#include <algorithm>
#include <cmath>

double signedArea(const Polygon2& polygon) {
  double sum = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[(i + 1) % polygon.size()];
    sum += a.u * b.v - b.u * a.v;
  }
  return 0.5 * sum;
}

Point2 cornerAverage(const Polygon2& points) {
  Point2 c{0, 0};
  for (const Point2& p : points) c.u += p.u, c.v += p.v;
  if (!points.empty()) c.u /= double(points.size()), c.v /= double(points.size());
  return c;
}

// Monotone chain.
Polygon2 convexHull(Polygon2 points) {
  std::sort(points.begin(), points.end(),
            [](const Point2& a, const Point2& b) { return a.u < b.u || (a.u == b.u && a.v < b.v); });
  if (points.size() < 3) return points;
  Polygon2 h(points.size() * 2);
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross2(h[k - 2], h[k - 1], points[i]) <= 1e-9) --k;
    h[k++] = points[i];
  }
  for (size_t i = points.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross2(h[k - 2], h[k - 1], points[i]) <= 1e-9) --k;
    h[k++] = points[i];
  }
  h.resize(k - 1);
  return h;
}

bool insideConvex(const Polygon2& polygon, const Point2& p) {
  if (polygon.size() < 3) return false;
  for (size_t i = 0; i < polygon.size(); ++i) {
    if (cross2(polygon[i], polygon[(i + 1) % polygon.size()], p) < -1e-9) return false;
  }
  return true;
}

// a clipped by each edge of b.
double overlapArea(Polygon2 a, Polygon2 b) {
  if (signedArea(a) < 0) std::reverse(a.begin(), a.end());
  if (signedArea(b) < 0) std::reverse(b.begin(), b.end());
  for (size_t i = 0; i < b.size() && !a.empty(); ++i) {
    const Point2 e0 = b[i], e1 = b[(i + 1) % b.size()];
    Polygon2 kept;
    for (size_t k = 0; k < a.size(); ++k) {
      const Point2 p = a[k], q = a[(k + 1) % a.size()];
      const double sp = cross2(e0, e1, p), sq = cross2(e0, e1, q);
      if (sp >= 0) kept.push_back(p);
      if ((sp >= 0) != (sq >= 0)) {
        const double t = sp / (sp - sq);
        kept.push_back({p.u + (q.u - p.u) * t, p.v + (q.v - p.v) * t});
      }
    }
    a = kept;
  }
  return a.size() < 3 ? 0.0 : std::fabs(signedArea(a));
}
