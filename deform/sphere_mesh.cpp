#include "deform/sphere_mesh.h"

#include <cmath>

#include "deform/array_alloc.h"

namespace deform {

namespace {

// The poles sit halfway to the surface whatever the radius, so each pole fan is a
// funnel reaching into the sphere.
constexpr float PoleHeight = 0.5f;

void placeVertices(Vec3* vertices, std::int32_t segments, std::int32_t rings, double radius) {
  const double ringStep = SpherePi / (rings + 1);
  const double columnStep = (SpherePi + SpherePi) / segments;

  vertices[0] = Vec3{0.0f, PoleHeight, 0.0f};
  // Both angles are accumulated, as the original walk did, rather than multiplied out.
  double theta = ringStep;
  for (std::int32_t j = 0; j < rings; ++j) {
    const float y = float(radius * std::cos(theta));
    const double ringRadius = radius * std::sin(theta);
    double phi = 0.0;
    for (std::int32_t i = 0; i < segments; ++i) {
      Vec3& v = vertices[1 + j * segments + i];
      v.x = float(ringRadius * std::cos(phi));
      v.y = y;
      v.z = float(ringRadius * std::sin(phi));
      phi += columnStep;
    }
    theta += ringStep;
  }
  vertices[segments * rings + 1] = Vec3{0.0f, -PoleHeight, 0.0f};
}

void setTriangle(std::uint16_t* indices, std::int32_t t, std::int32_t a, std::int32_t b, std::int32_t c) {
  indices[3 * t] = std::uint16_t(a);
  indices[3 * t + 1] = std::uint16_t(b);
  indices[3 * t + 2] = std::uint16_t(c);
}

void listTriangles(std::uint16_t* indices, std::int32_t segments, std::int32_t rings) {
  const std::int32_t bottomPole = segments * rings + 1;
  auto ringVertex = [segments](std::int32_t j, std::int32_t i) { return 1 + j * segments + i; };

  for (std::int32_t i = 0; i < segments; ++i) {
    const std::int32_t next = (i + 1) % segments;
    setTriangle(indices, i, 0, ringVertex(0, i), ringVertex(0, next));
  }
  // Each quad is split along its diagonal P(j, i) - P(j+1, i+1).
  for (std::int32_t j = 0; j + 1 < rings; ++j) {
    for (std::int32_t i = 0; i < segments; ++i) {
      const std::int32_t next = (i + 1) % segments;
      const std::int32_t t = segments + 2 * (j * segments + i);
      setTriangle(indices, t, ringVertex(j, i), ringVertex(j + 1, i), ringVertex(j + 1, next));
      setTriangle(indices, t + 1, ringVertex(j, next), ringVertex(j, i), ringVertex(j + 1, next));
    }
  }
  const std::int32_t firstBottom = segments + 2 * segments * (rings - 1);
  for (std::int32_t i = 0; i < segments; ++i) {
    const std::int32_t next = (i + 1) % segments;
    setTriangle(indices, firstBottom + i, bottomPole, ringVertex(rings - 1, next), ringVertex(rings - 1, i));
  }
}

}  // namespace

SphereMesh buildSphere(std::int32_t segments, std::int32_t rings, double radius) {
  SphereMesh mesh{};
  mesh.vertexCount = segments * rings + 2;
  mesh.triangleCount = 2 * segments * rings;
  mesh.vertices = allocateArray<Vec3>(mesh.vertexCount);
  mesh.indices = allocateArray<std::uint16_t>(3 * mesh.triangleCount);
  mesh.faceNormals = allocateArray<Vec3>(mesh.triangleCount);
  if (mesh.vertices == nullptr || mesh.indices == nullptr || mesh.faceNormals == nullptr) {
    releaseSphere(mesh);
    return mesh;
  }

  placeVertices(mesh.vertices, segments, rings, radius);
  listTriangles(mesh.indices, segments, rings);
  for (std::int32_t t = 0; t < mesh.triangleCount; ++t) {
    const std::uint16_t* corner = mesh.indices + 3 * t;
    mesh.faceNormals[t] = faceNormal(mesh.vertices[corner[0]], mesh.vertices[corner[1]], mesh.vertices[corner[2]]);
  }
  return mesh;
}

void releaseSphere(SphereMesh& mesh) {
  releaseArray(mesh.vertices);
  releaseArray(mesh.indices);
  releaseArray(mesh.faceNormals);
  mesh.vertexCount = 0;
  mesh.triangleCount = 0;
}

Vec3 faceNormal(const Vec3& first, const Vec3& second, const Vec3& third) {
  const double dx = double(first.x) - second.x;
  const double dy = double(first.y) - second.y;
  const double dz = double(first.z) - second.z;
  const double ex = double(third.x) - second.x;
  const double ey = double(third.y) - second.y;
  const double ez = double(third.z) - second.z;
  const double nx = dy * ez - dz * ey;
  const double ny = dz * ex - dx * ez;
  const double nz = dx * ey - dy * ex;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  return Vec3{float(nx / length), float(ny / length), float(nz / length)};
}

}  // namespace deform
