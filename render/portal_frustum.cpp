#include "render/portal_frustum.h"

#include <cmath>

#include "geometry/vec_math.h"

namespace {

inline bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// True when a vertex of the outline other than the edge's own ends lies behind plane.
bool cutsOutline(const WorkingPolygon& outline, const Plane& plane, int32_t i, int32_t j) {
  for (int32_t k = 0; k < outline.vertexCount; ++k) {
    if (k != i && k != j && classifyPoint(plane, outline.vertices[k]) == SideBehind) return true;
  }
  return false;
}

}  // namespace

int32_t buildPortalFrustum(const WorkingPolygon& outline, const Vec3& eye, Frustum& frustum) {
  const int32_t n = outline.vertexCount;
  frustum.planeCount = 0;
  for (int32_t i = 0; i < n && frustum.planeCount < MaxFrustumPlanes; ++i) {
    const int32_t j = i + 1 == n ? 0 : i + 1;
    const Vec3& vi = outline.vertices[i];
    const Vec3& vj = outline.vertices[j];
    const Vec3 a{float(double(vi.x) - eye.x), float(double(vi.y) - eye.y), float(double(vi.z) - eye.z)};
    const Vec3 b{float(double(vj.x) - eye.x), float(double(vj.y) - eye.y), float(double(vj.z) - eye.z)};
    Plane& plane = frustum.planes[frustum.planeCount];
    cross(a, b, plane.normal);
    normalize(plane.normal);
    if (!finite(plane.normal)) continue;
    plane.d = float(-dot(plane.normal, eye));
    if (cutsOutline(outline, plane, i, j)) continue;
    ++frustum.planeCount;
  }
  return frustum.planeCount;
}
