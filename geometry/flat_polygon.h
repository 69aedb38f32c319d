#pragma once
#include <vector>

// Points and convex polygons in a plane: the plan's footprints seen from above (u is world
// x, v is world z) and the warnings' faces in two axes of their own plane.
struct Point2 {
  double u = 0, v = 0;
};
using Polygon2 = std::vector<Point2>;

// Twice the signed area of the triangle o, a, b: positive when it turns counter-clockwise.
inline double cross2(const Point2& o, const Point2& a, const Point2& b) {
  return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
}

// Positive for a counter-clockwise polygon.
double signedArea(const Polygon2& polygon);
// The average of the corners (the middle of a convex polygon, near enough for a label).
Point2 cornerAverage(const Polygon2& points);
// The convex hull, counter-clockwise, without corners on its edges.
Polygon2 convexHull(Polygon2 points);
// Whether p lies inside or on a counter-clockwise convex polygon of at least 3 corners.
bool insideConvex(const Polygon2& polygon, const Point2& p);
// The area two convex polygons share (either winding).
double overlapArea(Polygon2 a, Polygon2 b);
