#pragma once
#include <vector>

#include "tools/level/dvec3.h"
#include "world/world.h"

// The viewer's float records in the tool's double precision (every float is exactly a
// double, so nothing is rounded here).
inline DVec3 toD(const Vec3& v) { return {v.x, v.y, v.z}; }
inline DPlane toD(const Plane& p) { return {toD(p.normal), p.d}; }

inline std::vector<DVec3> cornersOf(const WorldPolygon& polygon) {
  std::vector<DVec3> corners;
  for (int k = 0; k < polygon.outline.vertexCount; ++k) corners.push_back(toD(polygon.outline.vertices[k]));
  return corners;
}
