#pragma once
// The distances of a polygon's vertices from one clipping plane, each the float that
// classifyPoint compares, and whether every vertex survives the plane.
#include "geometry/polygon.h"
#include "render/simd/clip_distances_sse2.h"

// A vertex survives unless classifyPoint would call it SideBehind; a distance that is
// not a number fails the comparison and counts as behind, as it does there.
inline bool survivesPlane(float distance) { return distance >= -SideEpsilon; }

// Writes signedDistance(plane, vertices[i]) for each of the n vertices to distance and
// says whether every one survives.
inline bool allSurvivePlain(const Vec3* vertices, int n, const Plane& plane, float* distance) {
  bool all = true;
  for (int i = 0; i < n; ++i) {
    distance[i] = signedDistance(plane, vertices[i]);
    all &= survivesPlane(distance[i]);
  }
  return all;
}

// The same; two vertices at a time where the processor has SSE2.
inline bool allSurvive(const Vec3* vertices, int n, const Plane& plane, float* distance) {
#if defined(__SSE2__)
  return allSurviveSse2(vertices, n, plane, distance);
#else
  return allSurvivePlain(vertices, n, plane, distance);
#endif
}
