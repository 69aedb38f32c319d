#include "deform/frame_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "deform/array_alloc.h"
#include "deform/demo_state.h"
#include "test_support.h"

using deform::DemoState;
using deform::facesEye;
using deform::Vec3;

namespace {

// The demo's geometry with its motions advanced `steps` times, and the frame
// prepared from the matrices of the last of those steps.
struct PreparedDemo {
  DemoState state;
  explicit PreparedDemo(int steps) {
    EXPECT_TRUE(deform::buildDemoGeometry(state));
    for (int s = 0; s < steps; ++s) deform::stepDemoMotion(state);
    deform::prepareFrame(state);
  }
  ~PreparedDemo() { deform::releaseDemoArrays(state); }
  const Vec3& moved(int k) const { return state.movedVertices[k]; }
};

// The triangles flagged as facing the eye, each flag checked against facesEye.
int facingTriangles(const DemoState& state) {
  int facing = 0;
  for (int t = 0; t < state.mesh.triangleCount; ++t) {
    EXPECT_EQ(state.facing[t], facesEye(state.movedVertices[state.mesh.indices[3 * t]], state.movedNormals[t])) << t;
    facing += state.facing[t];
  }
  return facing;
}

}  // namespace

TEST(TransformPoint, UsesTheColumnMajorMatrixWithoutItsFourthRow) {
  const float m[16] = {1, 4, 7, 99, 2, 5, 8, 99, 3, 6, 9, 99, 10, 20, 30, 99};
  const Vec3 p = deform::transformPoint(m, Vec3{1, 1, 2});
  EXPECT_EQ(p.x, 1 + 2 + 6 + 10);
  EXPECT_EQ(p.y, 4 + 5 + 12 + 20);
  EXPECT_EQ(p.z, 7 + 8 + 18 + 30);
}

TEST(CullingRule, DrawsOnlyTrianglesWhoseNormalPointsBackAtTheEye) {
  EXPECT_TRUE(facesEye(Vec3{0, 0, -4}, Vec3{0, 0, 1}));
  EXPECT_FALSE(facesEye(Vec3{0, 0, -4}, Vec3{0, 0, -1}));
  EXPECT_TRUE(facesEye(Vec3{1, 1, -3}, Vec3{0.6f, 0, 0.8f}));
}

TEST(CullingRule, EdgeOnTriangleIsSkipped) {
  EXPECT_FALSE(facesEye(Vec3{0, 0, -4}, Vec3{1, 0, 0}));
  EXPECT_FALSE(facesEye(Vec3{3, 0, -2}, Vec3{0.5f, 0, 0.75f}));  // 1.5 - 1.5 = 0
}

TEST(CullingRule, NonFiniteNormalIsSkipped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(facesEye(Vec3{0, 0, -4}, Vec3{nan, nan, nan}));
  EXPECT_FALSE(facesEye(Vec3{0, 0, -4}, Vec3{0, 0, nan}));
  // An infinite component would make the dot product -inf, which compares below 0.
  EXPECT_FALSE(facesEye(Vec3{0, 0, -4}, Vec3{0, 0, inf}));
  EXPECT_FALSE(facesEye(Vec3{-1, 0, -4}, Vec3{inf, 0, 1}));
}

TEST(CullingRule, ZeroAreaTriangleIsNeverDrawn) {
  const Vec3 corners[3] = {{0, 0, -4}, {0, 0, -4}, {1, 1, -4}};
  const std::uint16_t indices[3] = {0, 1, 2};
  Vec3 normal{};
  std::uint8_t facing = 1;
  deform::WidePoint scratch[3];
  deform::recomputeNormals(&normal, &facing, corners, 3, scratch, indices, 1);
  EXPECT_FALSE(facesEye(corners[0], normal));
  EXPECT_EQ(facing, 0);
}

TEST(DemoFrame, AtRestTheSphereIsWholeAtDepthFourAnd1048TrianglesFaceTheEye) {
  PreparedDemo demo(1);  // the matrices of the step initScene runs: lift 0, angle 0
  const DemoState& state = demo.state;
  for (int k = 0; k < state.mesh.vertexCount; ++k) {
    const Vec3& rest = state.mesh.vertices[k];
    ASSERT_EQ(demo.moved(k).x, rest.x) << k;
    ASSERT_EQ(demo.moved(k).y, rest.y) << k;
    ASSERT_EQ(demo.moved(k).z, float(rest.z - 4.0)) << k;
  }
  EXPECT_EQ(facingTriangles(state), 1048);
}

TEST(DemoFrame, RecomputedNormalsAtRestMatchTheMeshNormals) {
  PreparedDemo demo(1);
  for (int t = 0; t < demo.state.mesh.triangleCount; ++t) {
    const Vec3& n = demo.state.movedNormals[t];
    const Vec3& rest = demo.state.mesh.faceNormals[t];
    ASSERT_NEAR(n.x, rest.x, 2e-5) << t;
    ASSERT_NEAR(n.y, rest.y, 2e-5) << t;
    ASSERT_NEAR(n.z, rest.z, 2e-5) << t;
  }
}

TEST(DemoFrame, AfterTheLiftTheCapsSitAHundredthAboveOneApart) {
  PreparedDemo demo(102);  // the matrices from the motion after 101 advances
  const DemoState& state = demo.state;
  ASSERT_EQ(state.topMotion.angle, 2.0f);
  const float lift = 1.0099994f;
  for (int k = 1; k <= 520; ++k) {
    ASSERT_EQ(demo.moved(k).y, float(double(state.mesh.vertices[k].y) + lift)) << k;
  }
  for (int k = 1081; k <= 1601; ++k) {
    ASSERT_EQ(demo.moved(k).y, float(double(state.mesh.vertices[k].y) - lift)) << k;
  }
  // The top pole stays with the band; the bottom pole moves with its cap.
  EXPECT_EQ(demo.moved(0).y, 0.5f);
  EXPECT_EQ(demo.moved(1601).y, float(-0.5 - lift));
  // Band triangles joining ring 12 to ring 13 are stretched by the lift.
  const int joint = 40 + 2 * (12 * 40);
  const Vec3& upper = demo.moved(deform_test::ringVertex(40, 12, 0));
  const Vec3& lower = demo.moved(deform_test::ringVertex(40, 13, 0));
  EXPECT_NEAR(upper.y - lower.y, 0.54356754 - 0.47771981 + lift, 1e-6);
  EXPECT_EQ(state.mesh.indices[3 * joint], deform_test::ringVertex(40, 12, 0));
}

TEST(DemoFrame, BottomCapMirrorsTheTopCapAtEveryStep) {
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  using deform_test::ringVertex;
  for (int step = 1; step <= 280; ++step) {
    deform::stepDemoMotion(state);
    deform::prepareFrame(state);
    for (int j = 0; j <= 12; ++j) {
      for (int i = 0; i < 40; ++i) {
        const Vec3& top = state.movedVertices[ringVertex(40, j, i)];
        const Vec3& bottom = state.movedVertices[ringVertex(40, 39 - j, i)];
        ASSERT_NEAR(bottom.x, top.x, 1e-6) << "step " << step << " ring " << j << " column " << i;
        ASSERT_NEAR(bottom.y, -top.y, 1e-6) << "step " << step << " ring " << j << " column " << i;
        ASSERT_NEAR(bottom.z, top.z, 1e-6) << "step " << step << " ring " << j << " column " << i;
      }
    }
  }
  deform::releaseDemoArrays(state);
}

TEST(DemoFrame, CapsAreTurnedAboutZThenYThenMoved) {
  PreparedDemo demo(124);  // matrices from the motion after 123 advances: angle 44
  const DemoState& state = demo.state;
  const double a = 44.0 * 3.14159265358979 / 180.0, c = std::cos(a), s = std::sin(a);
  const double lift = 1.0099994;
  for (int cap : {0, 2}) {
    const double sign = cap == 0 ? 1.0 : -1.0;  // the bottom cap lifts and turns about z the other way
    for (int e = 0; e < state.regionMemberCounts[cap]; ++e) {
      const int k = state.regionMembers[cap][e];
      const Vec3& p = state.mesh.vertices[k];
      const double x1 = c * p.x - sign * s * p.y, y1 = sign * s * p.x + c * p.y, z1 = p.z;
      const double x2 = c * x1 + s * z1, z2 = -s * x1 + c * z1;
      ASSERT_NEAR(demo.moved(k).x, x2, 1e-5) << k;
      ASSERT_NEAR(demo.moved(k).y, y1 + sign * lift, 1e-5) << k;
      ASSERT_NEAR(demo.moved(k).z, z2 - 4.0, 1e-5) << k;
    }
  }
  // The band is only moved.
  for (int e = 0; e < state.regionMemberCounts[1]; ++e) {
    const int k = state.regionMembers[1][e];
    ASSERT_EQ(demo.moved(k).x, state.mesh.vertices[k].x) << k;
    ASSERT_EQ(demo.moved(k).y, state.mesh.vertices[k].y) << k;
  }
}

TEST(MoveVertices, UnclaimedVerticesAreCarriedByTheMiddleRegionsMatrix) {
  const Vec3 rest[4] = {{0, 0.75f, 0}, {5, 0, 0}, {0, 0, 0}, {0, -0.75f, 0}};
  std::uint16_t top[1] = {0}, middle[1] = {2}, bottom[1] = {3};
  std::uint16_t* members[3] = {top, middle, bottom};
  const std::int32_t counts[3] = {1, 1, 1};
  float matrices[3][16];
  for (int r = 0; r < 3; ++r) {
    deform::RegionMotion motion;
    motion.lift = 0.5f;
    deform::regionMatrix(r, motion, matrices[r]);
  }
  Vec3 moved[4];
  for (Vec3& v : moved) v = Vec3{1e9f, 1e9f, 1e9f};
  deform::moveVertices(moved, rest, 4, members, counts, matrices, 3);
  EXPECT_EQ(moved[1].x, 5.0f);
  EXPECT_EQ(moved[1].y, 0.0f);
  EXPECT_EQ(moved[1].z, -4.0f);
  EXPECT_EQ(moved[0].y, 1.25f);
  EXPECT_EQ(moved[3].y, -1.25f);
  EXPECT_EQ(moved[2].z, -4.0f);
}

TEST(MoveVertices, WithoutRegionsEveryVertexKeepsItsRestPosition) {
  const Vec3 rest[2] = {{1, 2, 3}, {-1, -2, -3}};
  Vec3 moved[2] = {};
  deform::moveVertices(moved, rest, 2, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(moved[1].z, -3.0f);
  EXPECT_EQ(moved[0].y, 2.0f);
}

namespace {

// The frame made from scratch out of the state's current matrices, into arrays of its own.
struct FreshFrame {
  std::vector<Vec3> vertices, normals;
  std::vector<std::uint8_t> facing;
  std::vector<deform::WidePoint> scratch;
  explicit FreshFrame(const DemoState& state)
      : vertices(size_t(state.mesh.vertexCount)),
        normals(size_t(state.mesh.triangleCount)),
        facing(size_t(state.mesh.triangleCount)),
        scratch(size_t(state.mesh.vertexCount)) {
    deform::moveVertices(vertices.data(), state.mesh.vertices, state.mesh.vertexCount, state.regionMembers,
                         state.regionMemberCounts, state.regionMatrices, deform::RegionCount);
    deform::recomputeNormals(normals.data(), facing.data(), vertices.data(), state.mesh.vertexCount, scratch.data(),
                             state.mesh.indices, state.mesh.triangleCount);
  }
  bool matches(const DemoState& state) const {
    return std::memcmp(vertices.data(), state.movedVertices, sizeof(Vec3) * vertices.size()) == 0 &&
           std::memcmp(normals.data(), state.movedNormals, sizeof(Vec3) * normals.size()) == 0 &&
           std::memcmp(facing.data(), state.facing, facing.size()) == 0;
  }
};

}  // namespace

// prepareFrame redoes only the regions whose matrices changed and the triangles that
// touch them; whatever the matrices do from frame to frame (step, stay, change in one
// region only, go back, turn NaN), every frame is the one made from scratch, bit for bit.
TEST(DemoFrame, EveryFrameIsTheFrameMadeFromScratch) {
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  const auto check = [&](const char* what, int frame) {
    deform::prepareFrame(state);
    ASSERT_TRUE(FreshFrame(state).matches(state)) << what << ", frame " << frame;
  };
  for (int step = 0; step < 300; ++step) {
    deform::stepDemoMotion(state);
    check("stepped", step);
    if (step % 50 == 0) check("not stepped", step);
  }
  float saved[16];
  std::memcpy(saved, state.regionMatrices[1], sizeof(saved));
  state.regionMatrices[1][13] += 0.25f;
  check("middle band lifted alone", 0);
  std::memcpy(state.regionMatrices[1], saved, sizeof(saved));
  check("middle band back", 0);
  state.regionMatrices[0][0] = std::numeric_limits<float>::quiet_NaN();
  check("top cap NaN", 0);
  check("top cap NaN again", 1);
  state.regionMatrices[0][0] = 1.0f;
  state.regionMatrices[2][5] = -0.0f;
  check("signed zero in the bottom cap", 0);
  deform::releaseDemoArrays(state);
}

// When the caps alone move, the triangles wholly in the middle band (a third of them)
// are left alone; for any set of moved regions, a triangle is recomputed exactly when a
// corner of it is in one of them.
TEST(DemoFrame, TrianglesAreRecomputedExactlyWhenACornerMoved) {
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  std::vector<int> regionOf(size_t(state.mesh.vertexCount), -1);
  for (int r = 0; r < deform::RegionCount; ++r) {
    for (int e = 0; e < state.regionMemberCounts[r]; ++e) regionOf[state.regionMembers[r][e]] = r;
  }
  for (unsigned set = 0; set + 1 < (1u << deform::RegionCount); ++set) {
    const deform::MovedTriangles& moved = state.frameCache.moved[set];
    ASSERT_FALSE(moved.all) << "set " << set;
    std::vector<bool> recomputed(size_t(state.mesh.triangleCount), false);
    for (int s = 0; s < moved.spanCount; ++s) {
      for (int t = moved.spans[s].first; t < moved.spans[s].end; ++t) recomputed[size_t(t)] = true;
    }
    for (int t = 0; t < state.mesh.triangleCount; ++t) {
      bool touched = false;
      for (int c = 0; c < 3; ++c) touched = touched || (set >> regionOf[state.mesh.indices[3 * t + c]] & 1u) != 0;
      ASSERT_EQ(recomputed[size_t(t)], touched) << "set " << set << ", triangle " << t;
    }
  }
  const deform::MovedTriangles& caps =
      state.frameCache.moved[(1u << deform::TopCapRegion) | (1u << deform::BottomCapRegion)];
  int count = 0;
  for (int s = 0; s < caps.spanCount; ++s) count += caps.spans[s].end - caps.spans[s].first;
  EXPECT_EQ(count, 3200 - 1040);
  EXPECT_TRUE(state.frameCache.moved[(1u << deform::RegionCount) - 1].all);
  deform::releaseDemoArrays(state);
}

// A vertex in no region (here the bottom cap's last member, dropped from its list) is
// carried by the middle band's matrix under every other region's vertices, so there is
// nothing to skip: every frame is made in full, as moveVertices makes it.
TEST(DemoFrame, AVertexInNoRegionMakesEveryFrameInFull) {
  DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  --state.regionMemberCounts[deform::BottomCapRegion];
  deform::findMovedTriangles(state);
  for (const deform::MovedTriangles& moved : state.frameCache.moved) EXPECT_TRUE(moved.all);
  for (int step = 0; step < 20; ++step) {
    deform::stepDemoMotion(state);
    deform::prepareFrame(state);
    ASSERT_TRUE(FreshFrame(state).matches(state)) << "frame " << step;
  }
  deform::releaseDemoArrays(state);
}
