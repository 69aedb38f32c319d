#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "geometry/angle_tables.h"
#include "geometry/vec_math.h"

namespace {

TEST(AngleTables, HoldRoundedAnglesOfTheShortPiConstant) {
  const float* cosineTable = angleTables().cosine;
  const float* sineTable = angleTables().sine;
  EXPECT_EQ(cosineTable[0], 1.0f);
  EXPECT_EQ(sineTable[0], 0.0f);
  // 3.14159 is short of pi, so the quarter and half turns are not exact.
  EXPECT_NEAR(cosineTable[8192], 1.27e-6, 0.02e-6);
  EXPECT_GT(cosineTable[8192], 0.0f);
  EXPECT_EQ(sineTable[8192], 1.0f);
  EXPECT_NEAR(sineTable[16384], 2.54e-6, 0.02e-6);
  EXPECT_EQ(cosineTable[16384], -1.0f);
  EXPECT_NEAR(sineTable[100], 0.0191736, 1e-7);
  EXPECT_NEAR(cosineTable[100], 0.9998162, 1e-7);
  EXPECT_NEAR(sineTable[32667], -0.0193706, 1e-7);
  // Each entry is the float cosine of the float-rounded angle.
  const float angle = float(double(float(12345)) * 3.14159 / 16384.0);
  EXPECT_EQ(cosineTable[12345], float(std::cos(double(angle))));
}

// The tables are made once, by nobody's constructor, and every bit is the one the
// camera always turned with: an FNV-1a digest of the sine table then the cosine table,
// taken from the tables as the camera's constructor used to fill them.
TEST(AngleTables, AreOneRecordBuiltOnFirstUseWithTheSameBitsAsBefore) {
  const AngleTables& first = angleTables();
  EXPECT_EQ(&first, &angleTables());
  uint64_t digest = 1469598103934665603ull;
  for (const float* table : {first.sine, first.cosine}) {
    for (int i = 0; i < AngleTableSize; ++i) {
      uint32_t bits;
      std::memcpy(&bits, &table[i], sizeof bits);
      for (int k = 0; k < 4; ++k) {
        digest ^= (bits >> (8 * k)) & 255u;
        digest *= 1099511628211ull;
      }
    }
  }
  EXPECT_EQ(digest, 0x5178dd2c18b96534ull);
}

TEST(AngleTables, IndexReducesAnyAngleModuloAFullTurn) {
  EXPECT_EQ(angleIndex(100), 100);
  EXPECT_EQ(angleIndex(32768 + 5), 5);
  EXPECT_EQ(angleIndex(-101), 32667);
  EXPECT_EQ(angleIndex(INT32_MIN), 0);
  EXPECT_EQ(angleIndex(INT32_MAX), 32767);
}

TEST(VectorMath, DotIsAnUnroundedDouble) {
  const Vec3 v{0.1f, 0.2f, 0.3f};
  const double exact = double(0.1f) * 0.1f + double(0.2f) * 0.2f + double(0.3f) * 0.3f;
  EXPECT_EQ(dot(v, v), exact);
  EXPECT_NE(dot(v, v), double(float(exact)));
}

TEST(VectorMath, CrossFollowsTheHandednessAndVanishesForParallelVectors) {
  Vec3 out;
  cross({1, 0, 0}, {0, 1, 0}, out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 1.0f);
  cross({0, 0, 1}, {1, 0, 0}, out);
  EXPECT_EQ(out.y, 1.0f);
  const Vec3 a{1.5f, -2.25f, 3.0f};
  cross(a, a, out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 0.0f);
}

TEST(VectorMath, NormalizeDividesByTheFloatLength) {
  Vec3 v{3, 0, 4};
  normalize(v);
  EXPECT_EQ(v.x, 0.6f);
  EXPECT_EQ(v.z, 0.8f);
  Vec3 zero{0, 0, 0};
  normalize(zero);
  EXPECT_FALSE(std::isfinite(zero.x));
}

TEST(VectorMath, VectorTimesMatrixAppliesTheTranspose) {
  const Matrix3 m{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
  Vec3 out;
  vectorTimesMatrix({1, 0, 0}, out, m);
  EXPECT_EQ(out.x, 1.0f);
  EXPECT_EQ(out.y, 2.0f);
  EXPECT_EQ(out.z, 3.0f);
  vectorTimesMatrix({0, 1, 1}, out, m);
  EXPECT_EQ(out.x, 11.0f);
  EXPECT_EQ(out.y, 13.0f);
  EXPECT_EQ(out.z, 15.0f);
}

TEST(VectorMath, RotateInPlaceEqualsRotateIntoAnotherArray) {
  const Matrix3 m{{{0.6f, 0.0f, -0.8f}, {0.1f, 0.9f, 0.2f}, {0.8f, 0.0f, 0.6f}}};
  Vec3 points[3] = {{1, 2, 3}, {-4.5f, 0.25f, 7}, {1e-3f, 5e3f, -2}};
  Vec3 separate[3];
  rotatePoints(points, separate, m, 3);
  rotatePoints(points, points, m, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(points[i].x, separate[i].x);
    EXPECT_EQ(points[i].y, separate[i].y);
    EXPECT_EQ(points[i].z, separate[i].z);
  }
  EXPECT_EQ(separate[0].x, float(dot(m.rows[0], Vec3{1, 2, 3})));
}

TEST(VectorMath, TranslateMovesOnlyTheCountedPoints) {
  Vec3 points[2] = {{1, 2, 3}, {4, 5, 6}};
  translatePoints(points, {-1, -2, -3}, 1);
  EXPECT_EQ(points[0].x, 0.0f);
  EXPECT_EQ(points[0].z, 0.0f);
  EXPECT_EQ(points[1].x, 4.0f);
}

}  // namespace
