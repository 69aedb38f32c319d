// Every vector path of the per-frame geometry must give the bits the scalar rules give
// (transformPoint, faceNormal, facesEye), on the demo's frames and on values no frame of the
// demo reaches: zero-area triangles, overflowing and underflowing squares, infinities,
// NaNs, and counts that fill no register exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "deform/demo_state.h"
#include "deform/frame_geometry.h"
#include "deform/sphere_mesh.h"

using deform::SimdPath;
using deform::Vec3;

namespace {

std::uint32_t bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

float fromBits(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

// Same bits in every component.
::testing::AssertionResult sameBits(const Vec3& actual, const Vec3& expected) {
  if (bits(actual.x) == bits(expected.x) && bits(actual.y) == bits(expected.y) && bits(actual.z) == bits(expected.z)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") instead of ("
                                       << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

// moveVertices spelled with transformPoint, in the same order.
std::vector<Vec3> movedByRule(const Vec3* vertices, std::int32_t vertexCount, std::uint16_t* const members[],
                              const std::int32_t counts[], const float matrices[][16], std::int32_t regionCount) {
  std::vector<Vec3> moved(vertices, vertices + vertexCount);
  std::int32_t claimed = 0;
  for (std::int32_t r = 0; r < regionCount; ++r) claimed += counts[r];
  if (claimed < vertexCount && regionCount > 0) {
    for (Vec3& v : moved) v = deform::transformPoint(matrices[regionCount / 2], v);
  }
  for (std::int32_t r = regionCount - 1; r >= 0; --r) {
    for (std::int32_t e = counts[r] - 1; e >= 0; --e) {
      moved[members[r][e]] = deform::transformPoint(matrices[r], vertices[members[r][e]]);
    }
  }
  return moved;
}

// Recomputes the normals and facing flags by `path` and checks each against faceNormal
// and facesEye.
void expectNormalsByRule(SimdPath path, const Vec3* vertices, std::int32_t vertexCount, const std::uint16_t* indices,
                         std::int32_t triangleCount) {
  // Nothing past the last triangle is written.
  const Vec3 guard{1234.5f, -1234.5f, 99.0f};
  std::vector<Vec3> normals(triangleCount + 1, guard);
  std::vector<std::uint8_t> facing(triangleCount + 1, 7);
  std::vector<deform::WidePoint> scratch(vertexCount);
  deform::recomputeNormals(normals.data(), facing.data(), vertices, vertexCount, scratch.data(), indices, triangleCount,
                           path);
  for (std::int32_t t = 0; t < triangleCount; ++t) {
    const std::uint16_t* c = indices + 3 * t;
    ASSERT_TRUE(sameBits(normals[t], deform::faceNormal(vertices[c[0]], vertices[c[1]], vertices[c[2]])))
        << "triangle " << t << " of " << triangleCount;
    ASSERT_EQ(facing[t], deform::facesEye(vertices[c[0]], normals[t]) ? 1 : 0)
        << "triangle " << t << " of " << triangleCount;
  }
  EXPECT_TRUE(sameBits(normals[triangleCount], guard));
  EXPECT_EQ(facing[triangleCount], 7);
}

class SimdPathTest : public ::testing::TestWithParam<SimdPath> {
 protected:
  void SetUp() override {
    if (GetParam() > deform::widestSimdPath()) GTEST_SKIP() << "this processor lacks the instructions";
  }
};

TEST_P(SimdPathTest, DemoFramesMatchTheScalarRules) {
  deform::DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  const deform::SphereMesh& mesh = state.mesh;
  std::vector<Vec3> normals(mesh.triangleCount);
  // Through the lift and several swings of both caps.
  for (int step = 1; step <= 300; ++step) {
    deform::stepDemoMotion(state);
    deform::moveVertices(state.movedVertices, mesh.vertices, mesh.vertexCount, state.regionMembers,
                         state.regionMemberCounts, state.regionMatrices, deform::RegionCount, GetParam());
    const std::vector<Vec3> expected = movedByRule(mesh.vertices, mesh.vertexCount, state.regionMembers,
                                                   state.regionMemberCounts, state.regionMatrices, deform::RegionCount);
    for (int k = 0; k < mesh.vertexCount; ++k) {
      ASSERT_TRUE(sameBits(state.movedVertices[k], expected[k])) << "step " << step << " vertex " << k;
    }
    expectNormalsByRule(GetParam(), state.movedVertices, mesh.vertexCount, mesh.indices, mesh.triangleCount);
    if (HasFatalFailure()) break;
  }
  deform::releaseDemoArrays(state);
}

// Vertices that make awkward triangles, and after them random bit patterns: every
// kind of float, infinities, NaNs and subnormals included.
std::vector<Vec3> awkwardVertices(std::mt19937& random, int randomCount) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<Vec3> v = {
      {0, 0, -4},
      {0, 0, -4},
      {1, 1, -4},  // zero area: two corners alike
      {1, 2, 3},
      {2, 4, 6},
      {3, 6, 9},  // zero area: on one line
      {2, 5, 0},
      {-1, 3, 0},
      {4, -2, 0},  // in a plane through the eye: dot exactly 0
      {1e30f, 0, -4},
      {0, 1e30f, -4},
      {-1e30f, -1e30f, -4},  // squares overflow
      {1e-30f, 0, 0},
      {0, 1e-30f, 0},
      {0, 0, 0},  // squares underflow
      {inf, 0, -4},
      {0, 1, -4},
      {1, 0, -4},  // an infinite corner
      {nan, 0, -4},
      {0, 1, -4},
      {1, 0, -4},  // a NaN corner
      {-0.0f, -0.0f, -0.0f},
      {0, 0, 0},
      {0, 0, 0},  // all zeros, signed
      {0, 1e-40f, -4},
      {1e-40f, 0, -4},
      {0, 0, -4},  // subnormal edges
  };
  for (int k = 0; k < randomCount; ++k) v.push_back(Vec3{fromBits(random()), fromBits(random()), fromBits(random())});
  return v;
}

TEST_P(SimdPathTest, AwkwardTrianglesMatchFaceNormal) {
  std::mt19937 random(20240611u);
  const std::vector<Vec3> vertices = awkwardVertices(random, 40);
  // The hand-made triangles first: corners 3t, 3t+1, 3t+2.
  std::vector<std::uint16_t> indices;
  for (std::uint16_t k = 0; k < 27; ++k) indices.push_back(k);
  // Then corners picked at random, the last vertex of the array among them.
  for (int k = 0; k < 3 * 45; ++k) indices.push_back(std::uint16_t(random() % vertices.size()));
  indices.push_back(std::uint16_t(vertices.size() - 1));
  indices.push_back(0);
  indices.push_back(std::uint16_t(vertices.size() - 1));
  const std::int32_t triangles = std::int32_t(indices.size() / 3);
  // Every count up to the whole list: each length of a short last register.
  for (std::int32_t count = 0; count <= triangles; ++count) {
    expectNormalsByRule(GetParam(), vertices.data(), std::int32_t(vertices.size()), indices.data(), count);
    if (HasFatalFailure()) return;
  }
}

TEST_P(SimdPathTest, MovedVerticesMatchTransformPointForAnyMatrixAndMemberCount) {
  std::mt19937 random(77u);
  std::vector<Vec3> vertices = awkwardVertices(random, 30);
  const std::int32_t vertexCount = std::int32_t(vertices.size());
  float matrices[3][16];
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i < 16; ++i) matrices[r][i] = float(int(random() % 2001) - 1000) / 64.0f;
  }
  // Odd and even member counts, a vertex claimed by two regions (the earlier region
  // writes last), and a matrix of random bits.
  for (int round = 0; round < 20; ++round) {
    std::vector<std::uint16_t> lists[3];
    for (auto& list : lists) {
      const int count = int(random() % 12);
      for (int e = 0; e < count; ++e) list.push_back(std::uint16_t(random() % vertexCount));
    }
    if (round % 4 == 3) {
      for (float& m : matrices[round % 3]) m = fromBits(random());
    }
    std::uint16_t* members[3] = {lists[0].data(), lists[1].data(), lists[2].data()};
    const std::int32_t counts[3] = {std::int32_t(lists[0].size()), std::int32_t(lists[1].size()),
                                    std::int32_t(lists[2].size())};
    std::vector<Vec3> moved(vertexCount, Vec3{7, 7, 7});
    deform::moveVertices(moved.data(), vertices.data(), vertexCount, members, counts, matrices, 3, GetParam());
    const std::vector<Vec3> expected = movedByRule(vertices.data(), vertexCount, members, counts, matrices, 3);
    for (int k = 0; k < vertexCount; ++k) {
      ASSERT_TRUE(sameBits(moved[k], expected[k])) << "round " << round << " vertex " << k;
    }
  }
}

// Spans starting anywhere, of any length: the triangles in them get their rule's
// normals and flags, every other triangle keeps what it had.
TEST_P(SimdPathTest, NormalSpansWriteTheirTrianglesOnly) {
  std::mt19937 random(31337u);
  const std::vector<Vec3> vertices = awkwardVertices(random, 40);
  std::vector<std::uint16_t> indices;
  for (int k = 0; k < 3 * 60; ++k) indices.push_back(std::uint16_t(random() % vertices.size()));
  const std::int32_t triangles = std::int32_t(indices.size() / 3);
  const deform::TriangleSpan spans[] = {{1, 2}, {3, 10}, {10, 10}, {13, 30}, {33, 35}, {41, 60}};
  const Vec3 untouched{1234.5f, -1234.5f, 99.0f};
  std::vector<Vec3> normals(triangles, untouched);
  std::vector<std::uint8_t> facing(triangles, 7);
  std::vector<deform::WidePoint> scratch(vertices.size());
  deform::recomputeNormalSpans(normals.data(), facing.data(), vertices.data(), std::int32_t(vertices.size()),
                               scratch.data(), indices.data(), spans, 6, GetParam());
  for (std::int32_t t = 0; t < triangles; ++t) {
    bool inSpan = false;
    for (const deform::TriangleSpan& span : spans) inSpan = inSpan || (span.first <= t && t < span.end);
    const std::uint16_t* c = indices.data() + 3 * t;
    if (inSpan) {
      ASSERT_TRUE(sameBits(normals[t], deform::faceNormal(vertices[c[0]], vertices[c[1]], vertices[c[2]]))) << t;
      ASSERT_EQ(facing[t], deform::facesEye(vertices[c[0]], normals[t]) ? 1 : 0) << t;
    } else {
      ASSERT_TRUE(sameBits(normals[t], untouched)) << t;
      ASSERT_EQ(facing[t], 7) << t;
    }
  }
}

std::string pathName(const ::testing::TestParamInfo<SimdPath>& info) {
  switch (info.param) {
    case SimdPath::Sse2:
      return "Sse2";
    case SimdPath::Avx2:
      return "Avx2";
    case SimdPath::Avx512:
      return "Avx512";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(EveryPath, SimdPathTest, ::testing::Values(SimdPath::Sse2, SimdPath::Avx2, SimdPath::Avx512),
                         pathName);

}  // namespace
