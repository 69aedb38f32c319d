#include "deform/sphere_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_support.h"

using deform::faceNormal;
using deform::SphereMesh;
using deform::Vec3;
using deform_test::AllocationFailureGuard;
using deform_test::OwnedSphere;

namespace {

void expectTriangle(const SphereMesh& mesh, int t, int a, int b, int c) {
  SCOPED_TRACE("triangle " + std::to_string(t));
  EXPECT_EQ(mesh.indices[3 * t], a);
  EXPECT_EQ(mesh.indices[3 * t + 1], b);
  EXPECT_EQ(mesh.indices[3 * t + 2], c);
}

void expectVertex(const SphereMesh& mesh, int k, float x, float y, float z) {
  SCOPED_TRACE("vertex " + std::to_string(k));
  EXPECT_FLOAT_EQ(mesh.vertices[k].x, x);
  EXPECT_FLOAT_EQ(mesh.vertices[k].y, y);
  EXPECT_FLOAT_EQ(mesh.vertices[k].z, z);
}

Vec3 centroid(const SphereMesh& mesh, int t) {
  const Vec3& a = mesh.vertices[mesh.indices[3 * t]];
  const Vec3& b = mesh.vertices[mesh.indices[3 * t + 1]];
  const Vec3& c = mesh.vertices[mesh.indices[3 * t + 2]];
  return Vec3{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
}

}  // namespace

TEST(SphereMeshCounts, DemoSphereHas1602VerticesAnd3200Triangles) {
  OwnedSphere sphere;
  ASSERT_NE(sphere.mesh.vertices, nullptr);
  EXPECT_EQ(sphere.mesh.vertexCount, 1602);
  EXPECT_EQ(sphere.mesh.triangleCount, 3200);
}

TEST(SphereMeshVertices, FirstRingStartsOnPositiveXAndAdvancesTowardsPositiveZ) {
  OwnedSphere sphere;
  expectVertex(sphere.mesh, 1, 0.07654925f, 0.99706578f, 0.0f);
  expectVertex(sphere.mesh, 2, 0.07560681f, 0.99706578f, 0.01197494f);
  expectVertex(sphere.mesh, 40, 0.07560681f, 0.99706578f, -0.01197494f);
}

TEST(SphereMeshVertices, PolesSitAtHalfHeightWhateverTheRadius) {
  OwnedSphere sphere;
  expectVertex(sphere.mesh, 0, 0.0f, 0.5f, 0.0f);
  expectVertex(sphere.mesh, 1601, 0.0f, -0.5f, 0.0f);

  OwnedSphere large(8, 3, 2.0);
  expectVertex(large.mesh, 0, 0.0f, 0.5f, 0.0f);
  expectVertex(large.mesh, 25, 0.0f, -0.5f, 0.0f);
  EXPECT_NEAR(large.mesh.vertices[1].x, 2.0 * std::sin(3.14159265359 / 4), 1e-6);
}

TEST(SphereMeshVertices, EveryRingSharesOneHeightAndTheLastRingMirrorsTheFirst) {
  OwnedSphere sphere;
  for (int j = 0; j < 40; ++j) {
    const float y = sphere.mesh.vertices[deform_test::ringVertex(40, j, 0)].y;
    for (int i = 1; i < 40; ++i)
      ASSERT_EQ(sphere.mesh.vertices[deform_test::ringVertex(40, j, i)].y, y) << j << "," << i;
  }
  EXPECT_FLOAT_EQ(sphere.mesh.vertices[deform_test::ringVertex(40, 39, 0)].y, -0.99706578f);
  EXPECT_FLOAT_EQ(sphere.mesh.vertices[deform_test::ringVertex(40, 12, 0)].y, 0.54356754f);
  EXPECT_FLOAT_EQ(sphere.mesh.vertices[deform_test::ringVertex(40, 13, 0)].y, 0.47771981f);
}

TEST(SphereMeshVertices, EveryRingVertexLiesOnTheSphere) {
  OwnedSphere sphere;
  for (int k = 1; k <= 1600; ++k) {
    const Vec3& v = sphere.mesh.vertices[k];
    ASSERT_NEAR(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z), 1.0, 1e-6) << k;
  }
}

TEST(SphereMeshTriangles, TopFanBandsAndBottomFanAreNumberedInOrder) {
  OwnedSphere sphere;
  const SphereMesh& mesh = sphere.mesh;
  expectTriangle(mesh, 0, 0, 1, 2);
  expectTriangle(mesh, 39, 0, 40, 1);
  expectTriangle(mesh, 40, 1, 41, 42);
  expectTriangle(mesh, 41, 2, 1, 42);
  expectTriangle(mesh, 118, 40, 80, 41);
  expectTriangle(mesh, 119, 1, 40, 41);
  expectTriangle(mesh, 3160, 1601, 1562, 1561);
  expectTriangle(mesh, 3199, 1601, 1561, 1600);
}

TEST(SphereMeshTriangles, LastQuadOfEveryBandClosesTheSeamWithColumnZero) {
  OwnedSphere sphere;
  using deform_test::ringVertex;
  for (int j = 0; j < 39; ++j) {
    const int t = 40 + 2 * (j * 40 + 39);
    expectTriangle(sphere.mesh, t, ringVertex(40, j, 39), ringVertex(40, j + 1, 39), ringVertex(40, j + 1, 0));
    expectTriangle(sphere.mesh, t + 1, ringVertex(40, j, 0), ringVertex(40, j, 39), ringVertex(40, j + 1, 0));
  }
}

TEST(SphereMeshTriangles, EveryEdgeIsSharedByExactlyTwoTrianglesInOppositeDirections) {
  // A closed, consistently wound surface: each directed edge appears once.
  OwnedSphere sphere;
  const SphereMesh& mesh = sphere.mesh;
  std::vector<int> directed(size_t(mesh.vertexCount) * mesh.vertexCount, 0);
  for (int t = 0; t < mesh.triangleCount; ++t) {
    for (int c = 0; c < 3; ++c) {
      const int a = mesh.indices[3 * t + c], b = mesh.indices[3 * t + (c + 1) % 3];
      ++directed[size_t(a) * mesh.vertexCount + b];
    }
  }
  for (int a = 0; a < mesh.vertexCount; ++a) {
    for (int b = 0; b < mesh.vertexCount; ++b) {
      const int forward = directed[size_t(a) * mesh.vertexCount + b];
      ASSERT_LE(forward, 1) << a << "->" << b;
      ASSERT_EQ(forward, directed[size_t(b) * mesh.vertexCount + a]) << a << "-" << b;
    }
  }
}

TEST(SphereMeshTriangles, SingleRingHasOnlyTheTwoFansSharingIt) {
  OwnedSphere sphere(6, 1, 1.0);
  const SphereMesh& mesh = sphere.mesh;
  ASSERT_EQ(mesh.vertexCount, 8);
  ASSERT_EQ(mesh.triangleCount, 12);
  for (int i = 0; i < 6; ++i) {
    const int next = (i + 1) % 6;
    expectTriangle(mesh, i, 0, 1 + i, 1 + next);
    expectTriangle(mesh, 6 + i, 7, 1 + next, 1 + i);
  }
  EXPECT_FLOAT_EQ(mesh.vertices[1].y, float(std::cos(3.14159265359 / 2)));
}

TEST(SphereMeshTriangles, LargestMeshStillFitsSixteenBitIndices) {
  // segments * rings + 2 = 65536: the bottom pole is vertex 65535.
  OwnedSphere sphere(2, 32767, 1.0);
  const SphereMesh& mesh = sphere.mesh;
  ASSERT_EQ(mesh.vertexCount, 65536);
  expectTriangle(mesh, mesh.triangleCount - 1, 65535, 65533, 65534);
}

TEST(SphereMeshNormals, DemoNormalsMatchTheListedValues) {
  OwnedSphere sphere;
  const Vec3& n0 = sphere.mesh.faceNormals[0];
  EXPECT_NEAR(n0.x, -0.98537, 1e-5);
  EXPECT_NEAR(n0.y, 0.15175, 1e-5);
  EXPECT_NEAR(n0.z, -0.07755, 1e-5);
  const Vec3& n40 = sphere.mesh.faceNormals[40];
  EXPECT_NEAR(n40.x, 0.11468, 1e-5);
  EXPECT_NEAR(n40.y, 0.99336, 1e-5);
  EXPECT_NEAR(n40.z, 0.00903, 1e-5);
}

TEST(SphereMeshNormals, NormalsAreUnitAndPointOutOfTheSolid) {
  OwnedSphere sphere;
  const SphereMesh& mesh = sphere.mesh;
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const Vec3& n = mesh.faceNormals[t];
    ASSERT_NEAR(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z, 1.0, 1e-6) << t;
    const Vec3 c = centroid(mesh, t);
    if (t < 40) {
      // The top funnel's wall: outside is up and towards the axis.
      ASSERT_GT(n.y, 0.0f) << t;
      ASSERT_LT(n.x * c.x + n.z * c.z, 0.0f) << t;
    } else if (t >= 3160) {
      ASSERT_LT(n.y, 0.0f) << t;
      ASSERT_LT(n.x * c.x + n.z * c.z, 0.0f) << t;
    } else {
      ASSERT_GT(n.x * c.x + n.y * c.y + n.z * c.z, 0.0f) << t;
    }
  }
}

TEST(FaceNormal, FollowsTheCornerOrder) {
  const Vec3 n = faceNormal(Vec3{1, 0, 0}, Vec3{0, 0, 0}, Vec3{0, 1, 0});
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(n.z, 1.0f);
  const Vec3 flipped = faceNormal(Vec3{0, 1, 0}, Vec3{0, 0, 0}, Vec3{1, 0, 0});
  EXPECT_EQ(flipped.z, -1.0f);
}

TEST(FaceNormal, IsScaledToUnitLength) {
  const Vec3 n = faceNormal(Vec3{3, 0, 5}, Vec3{0, 0, 5}, Vec3{0, 0, 9});
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, -1.0f);
  EXPECT_EQ(n.z, 0.0f);
}

TEST(FaceNormal, ZeroAreaTriangleGivesNonFiniteComponents) {
  const Vec3 p{0.25f, -1.5f, 2.0f};
  const Vec3 n = faceNormal(p, p, Vec3{1, 1, 1});
  EXPECT_FALSE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
  const Vec3 line = faceNormal(Vec3{0, 0, 0}, Vec3{1, 1, 1}, Vec3{2, 2, 2});
  EXPECT_FALSE(std::isfinite(line.x) && std::isfinite(line.y) && std::isfinite(line.z));
}

TEST(SphereMeshAllocation, FailedAllocationLeavesNothingAllocated) {
  const int liveBefore = deform::liveArrayCount();
  for (int successes = 0; successes < 3; ++successes) {
    AllocationFailureGuard guard(successes);
    const SphereMesh mesh = deform::buildSphere(40, 40, 1.0);
    EXPECT_EQ(mesh.vertices, nullptr) << successes;
    EXPECT_EQ(mesh.indices, nullptr) << successes;
    EXPECT_EQ(mesh.faceNormals, nullptr) << successes;
    EXPECT_EQ(mesh.vertexCount, 0) << successes;
    EXPECT_EQ(deform::liveArrayCount(), liveBefore) << successes;
  }
}

TEST(SphereMeshAllocation, ReleaseFreesAllThreeArrays) {
  const int liveBefore = deform::liveArrayCount();
  SphereMesh mesh = deform::buildSphere(40, 40, 1.0);
  EXPECT_EQ(deform::liveArrayCount(), liveBefore + 3);
  deform::releaseSphere(mesh);
  EXPECT_EQ(deform::liveArrayCount(), liveBefore);
  EXPECT_EQ(mesh.vertices, nullptr);
  EXPECT_EQ(mesh.indices, nullptr);
  EXPECT_EQ(mesh.faceNormals, nullptr);
}
