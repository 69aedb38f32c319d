#pragma once
// The latitude/longitude sphere that the demo bends: vertex and triangle numbering,
// rest positions, and the face-normal rule that is reapplied to the moved mesh.
#include <cstdint>

#include "deform/vec3.h"

namespace deform {

// The value of pi the sphere is built with, on purpose not the full-precision one.
constexpr double SpherePi = 3.14159265359;

// Vertex 0 is the top pole, vertex 1 + j*segments + i is ring j, column i, and the
// last vertex is the bottom pole. Triangle t uses indices 3t, 3t+1, 3t+2.
struct SphereMesh {
  Vec3* vertices;
  std::uint16_t* indices;
  Vec3* faceNormals;
  std::int32_t vertexCount;
  std::int32_t triangleCount;
};

// Builds the mesh on the heap; the caller owns the three arrays. Callers keep
// segments >= 1, rings >= 1 and segments * rings + 2 <= 65536 (16-bit indices).
// When an allocation fails nothing stays allocated and the result is all zero.
SphereMesh buildSphere(std::int32_t segments, std::int32_t rings, double radius);

// Releases the mesh's arrays and zeroes the record.
void releaseSphere(SphereMesh& mesh);

// Unit normal of (d = first - second) x (e = third - second). A zero-area triangle
// gets non-finite components; the drawing never uses such a normal.
Vec3 faceNormal(const Vec3& first, const Vec3& second, const Vec3& third);

}  // namespace deform
