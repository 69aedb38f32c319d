#pragma once
#include <cstdint>

#include "geometry/vec3.h"
#include "geometry/vec_math.h"

// A level polygon has at most this many corners.
constexpr int MaxPolygonVertices = 16;

// Clipping a convex polygon against one plane adds at most one vertex, and a portal's
// frustum has one plane per vertex of its clipped outline. Through a chain of portals
// across the eight rooms a level may hold, a polygon of 16 corners clipped against the
// screen's 4 planes and one portal outline per room stays below 16 + 4 + 7 * 16 = 132.
// Working buffers and frusta are sized for that worst case, with room to spare.
constexpr int MaxWorkingVertices = 160;
constexpr int MaxFrustumPlanes = MaxWorkingVertices;

// A polygon in order around its outline, the last edge running from vertex
// vertexCount - 1 back to vertex 0. Colours ride along with clipping; flags mark
// vertices that clipping created.
template <int Capacity>
struct PolygonOf {
  static constexpr int capacity = Capacity;
  Vec3 vertices[Capacity];
  Vec3 colours[Capacity];
  int32_t flags[Capacity];
  int32_t vertexCount;
  int32_t colourIndex;  // palette index that fills the polygon
};

// The outline of a level polygon.
using ClipPolygon = PolygonOf<MaxPolygonVertices>;
// The renderer's working copy of a polygon while it is clipped and projected.
using WorkingPolygon = PolygonOf<MaxWorkingVertices>;

// Copies the used part of one polygon into another of at least the same capacity.
template <int To, int From>
void copyPolygon(const PolygonOf<From>& from, PolygonOf<To>& to) {
  static_assert(To >= From, "copy into a smaller polygon");
  const int n = from.vertexCount;
  for (int i = 0; i < n; ++i) {
    to.vertices[i] = from.vertices[i];
    to.colours[i] = from.colours[i];
    to.flags[i] = from.flags[i];
  }
  to.vertexCount = n;
  to.colourIndex = from.colourIndex;
}

// A view pyramid: a point is inside when it is behind none of the planes.
struct Frustum {
  int32_t planeCount;
  Plane planes[MaxFrustumPlanes];
};

// Side of a point relative to a plane, with the tolerance SideEpsilon.
enum Side : int32_t { SideFront = 1, SideBehind = 2, SideOn = 3 };
constexpr double SideEpsilon = 0.001;

inline float signedDistance(const Plane& plane, const Vec3& point) { return float(dot(plane.normal, point) + plane.d); }

// A distance that is not a number (a plane without a normal) counts as behind.
inline Side classifyPoint(const Plane& plane, const Vec3& point) {
  const float s = signedDistance(plane, point);
  if (s > SideEpsilon) return SideFront;
  if (s >= -SideEpsilon) return SideOn;
  return SideBehind;
}
