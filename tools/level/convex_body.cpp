#include "tools/level/convex_body.h"

#include <algorithm>
#include <limits>

void addDirection(std::vector<DVec3>& directions, const DVec3& direction) {
  const DVec3 unit = normalizedD(direction);
  if (lengthD(unit) == 0) return;
  for (const DVec3& d : directions) {
    if (lengthD(crossD(d, unit)) < 1e-9) return;
  }
  directions.push_back(unit);
}

namespace {

// True when the corners of a and b, projected on axis, overlap by more than tolerance.
bool overlapAlong(const ConvexBody& a, const ConvexBody& b, const DVec3& axis, double tolerance) {
  double minA = std::numeric_limits<double>::max(), maxA = -minA;
  double minB = minA, maxB = -minA;
  for (const DVec3& p : a.corners) {
    minA = std::min(minA, dotD(axis, p));
    maxA = std::max(maxA, dotD(axis, p));
  }
  for (const DVec3& p : b.corners) {
    minB = std::min(minB, dotD(axis, p));
    maxB = std::max(maxB, dotD(axis, p));
  }
  return maxA > minB + tolerance && maxB > minA + tolerance;
}

}  // namespace

bool bodiesOverlap(const ConvexBody& a, const ConvexBody& b, double tolerance) {
  if (a.corners.empty() || b.corners.empty()) return false;
  for (const DVec3& n : a.faceNormals) {
    if (!overlapAlong(a, b, n, tolerance)) return false;
  }
  for (const DVec3& n : b.faceNormals) {
    if (!overlapAlong(a, b, n, tolerance)) return false;
  }
  for (const DVec3& ea : a.edgeDirections) {
    for (const DVec3& eb : b.edgeDirections) {
      const DVec3 axis = crossD(ea, eb);
      const double length = lengthD(axis);
      if (length < 1e-9) continue;
      if (!overlapAlong(a, b, axis * (1.0 / length), tolerance)) return false;
    }
  }
  return true;
}
