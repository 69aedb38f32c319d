#include "deform/frame_geometry.h"

#include <cmath>

#include "deform/sphere_mesh.h"

namespace deform {

Vec3 transformPoint(const float m[16], const Vec3& p) {
  const double x = p.x, y = p.y, z = p.z;
  return Vec3{float(m[0] * x + m[4] * y + m[8] * z + m[12]), float(m[1] * x + m[5] * y + m[9] * z + m[13]),
              float(m[2] * x + m[6] * y + m[10] * z + m[14])};
}

void moveVertices(Vec3* movedVertices, const Vec3* vertices, std::int32_t vertexCount,
                  std::uint16_t* const regionMembers[], const std::int32_t regionMemberCounts[],
                  const float regionMatrices[][16], std::int32_t regionCount) {
  std::int32_t claimed = 0;
  for (std::int32_t r = 0; r < regionCount; ++r) claimed += regionMemberCounts[r];
  if (claimed < vertexCount) {
    // Each vertex is claimed at most once, so a short total means some were left over.
    for (std::int32_t k = 0; k < vertexCount; ++k) {
      movedVertices[k] = regionCount > 0 ? transformPoint(regionMatrices[regionCount / 2], vertices[k]) : vertices[k];
    }
  }
  for (std::int32_t r = regionCount - 1; r >= 0; --r) {
    const float* m = regionMatrices[r];
    for (std::int32_t e = regionMemberCounts[r] - 1; e >= 0; --e) {
      const std::uint16_t k = regionMembers[r][e];
      movedVertices[k] = transformPoint(m, vertices[k]);
    }
  }
}

void recomputeNormals(Vec3* movedNormals, const Vec3* movedVertices, const std::uint16_t* indices,
                      std::int32_t triangleCount) {
  for (std::int32_t t = triangleCount - 1; t >= 0; --t) {
    const std::uint16_t* corner = indices + 3 * t;
    movedNormals[t] = faceNormal(movedVertices[corner[0]], movedVertices[corner[1]], movedVertices[corner[2]]);
  }
}

bool facesEye(const Vec3& firstCorner, const Vec3& normal) {
  if (!std::isfinite(normal.x) || !std::isfinite(normal.y) || !std::isfinite(normal.z)) return false;
  const double d = double(firstCorner.x) * normal.x + double(firstCorner.y) * normal.y + double(firstCorner.z) * normal.z;
  return d < 0.0;
}

}  // namespace deform
