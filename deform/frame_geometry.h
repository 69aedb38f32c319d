#pragma once
// Per-frame work on the mesh that needs no graphics library: carrying the vertices
// by their regions' matrices, recomputing the face normals, and deciding which
// triangles face the eye.
#include <cmath>
#include <cstdint>

#include "deform/vec3.h"

namespace deform {

// The instruction sets the per-frame loops are written for, narrowest first. Every path
// computes the same bits; the wider ones only do more values per instruction.
enum class SimdPath { Sse2, Avx2, Avx512 };

// The widest path this processor runs (it runs every narrower one too); the per-frame
// functions use it by default, and asked for a wider one they take it instead.
SimdPath widestSimdPath();

// (m0 x + m4 y + m8 z + m12, m1 x + m5 y + m9 z + m13, m2 x + m6 y + m10 z + m14):
// the column-major matrix without its fourth row, no division.
Vec3 transformPoint(const float m[16], const Vec3& p);

// A moved vertex as the doubles its floats convert to, padded to one 32-byte register.
// The AVX2 normals pass converts each vertex once a frame into an array of these,
// instead of once for every triangle that uses it.
struct alignas(32) WidePoint {
  double x, y, z, unused;
};

// Writes every moved vertex: regions from the last to the first, members from the
// last entry to the first. If the regions leave vertices unclaimed, every vertex is
// first carried by the middle region's matrix (the rest position itself when there
// is no region), so no moved position is ever left unwritten.
void moveVertices(Vec3* movedVertices, const Vec3* vertices, std::int32_t vertexCount,
                  std::uint16_t* const regionMembers[], const std::int32_t regionMemberCounts[],
                  const float regionMatrices[][16], std::int32_t regionCount, SimdPath path = widestSimdPath());

// moveVertices for the members of one region alone, from the last entry to the first.
void moveRegionMembers(Vec3* movedVertices, const Vec3* vertices, const std::uint16_t* members, std::int32_t count,
                       const float matrix[16], SimdPath path = widestSimdPath());

// The triangles first up to, not including, end.
struct TriangleSpan {
  std::int32_t first, end;
};

// movedNormals[t] = faceNormal of triangle t's moved corners, and facing[t] = 1 when
// facesEye(its first corner, that normal), else 0: the drawing reads the flags instead
// of testing each triangle again. Every index is below vertexCount; `scratch` has room
// for vertexCount points, working space that a path may overwrite.
void recomputeNormals(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices, std::int32_t vertexCount,
                      WidePoint* scratch, const std::uint16_t* indices, std::int32_t triangleCount,
                      SimdPath path = widestSimdPath());

// recomputeNormals for the triangles of the spans only; every other triangle's normal
// and flag are left as they are.
void recomputeNormalSpans(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices, std::int32_t vertexCount,
                          WidePoint* scratch, const std::uint16_t* indices, const TriangleSpan* spans,
                          std::int32_t spanCount, SimdPath path = widestSimdPath());

// Whether a triangle with this first corner (eye space) and normal faces the eye at
// the origin: dot < 0. Edge-on (exactly 0) and non-finite normals are not drawn.
// Inline: the narrowest path runs it once per triangle per frame.
inline bool facesEye(const Vec3& firstCorner, const Vec3& normal) {
  if (!(std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z))) return false;
  return double(firstCorner.x) * normal.x + double(firstCorner.y) * normal.y + double(firstCorner.z) * normal.z < 0.0;
}

}  // namespace deform
