#include "deform/region_motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "deform/matrix_stack_math.h"

using deform::advanceMotion;
using deform::regionMatrix;
using deform::RegionMotion;

namespace {

// Runs `steps` advances from the initial motion.
RegionMotion after(int steps) {
  RegionMotion motion;
  for (int s = 0; s < steps; ++s) advanceMotion(motion);
  return motion;
}

void expectPureMove(const float m[16], float y) {
  const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, y, -4, 1};
  for (int k = 0; k < 16; ++k) EXPECT_EQ(m[k], expected[k]) << "element " << k;
}

}  // namespace

TEST(MotionLift, GrowsByAHundredthInFloatUntilItPassesOne) {
  RegionMotion motion;
  EXPECT_EQ(motion.lift, 0.0f);
  EXPECT_TRUE(motion.rising);
  float expected = 0.0f;
  for (int step = 1; step <= 101; ++step) {
    advanceMotion(motion);
    expected = expected + 0.01f;
    ASSERT_EQ(motion.lift, expected) << step;
    ASSERT_EQ(motion.angle, 0.0f) << step;
  }
  EXPECT_EQ(after(100).lift, 0.99999934f);
  EXPECT_EQ(after(101).lift, 1.0099994f);
}

TEST(MotionLift, StaysFixedOnceTheSwingStarts) {
  for (int steps : {102, 150, 500, 1001}) EXPECT_EQ(after(steps).lift, 1.0099994f) << steps;
}

TEST(MotionSwing, StartsOnTheStepAfterTheLiftEnds) {
  EXPECT_EQ(after(101).angle, 0.0f);
  EXPECT_EQ(after(102).angle, 2.0f);
}

TEST(MotionSwing, TurnsAtPlusAndMinus46AfterPassing45) {
  RegionMotion motion = after(101);
  std::vector<int> turnSteps;
  std::vector<float> extremes;
  for (int step = 102; step <= 400; ++step) {
    const bool wasRising = motion.rising;
    advanceMotion(motion);
    if (motion.rising != wasRising) {
      turnSteps.push_back(step);
      extremes.push_back(motion.angle);
    }
    ASSERT_LE(std::fabs(motion.angle), 46.0f) << step;
  }
  ASSERT_GE(turnSteps.size(), 4u);
  EXPECT_EQ(turnSteps[0], 124);
  EXPECT_EQ(extremes[0], 46.0f);
  EXPECT_EQ(turnSteps[1], 170);
  EXPECT_EQ(extremes[1], -46.0f);
  EXPECT_EQ(turnSteps[2], 216);
  EXPECT_EQ(extremes[2], 46.0f);
  EXPECT_EQ(turnSteps[3], 262);
  EXPECT_EQ(extremes[3], -46.0f);
}

TEST(MotionSwing, ExtremesFollow44AndTheAngleComesBackBy2) {
  EXPECT_EQ(after(123).angle, 44.0f);
  EXPECT_EQ(after(124).angle, 46.0f);
  EXPECT_FALSE(after(124).rising);
  EXPECT_EQ(after(125).angle, 44.0f);
  EXPECT_EQ(after(169).angle, -44.0f);
  EXPECT_EQ(after(170).angle, -46.0f);
  EXPECT_TRUE(after(170).rising);
  EXPECT_EQ(after(171).angle, -44.0f);
}

TEST(RegionMatrices, AtRestAllThreeAreTheSamePureMove) {
  const RegionMotion rest;
  for (int r = 0; r < 3; ++r) {
    float m[16];
    regionMatrix(r, rest, m);
    SCOPED_TRACE(r);
    expectPureMove(m, 0.0f);
  }
}

TEST(RegionMatrices, TopCapIsLiftedThenTurnedAboutZThenY) {
  RegionMotion motion;
  motion.lift = 1.0099994f;
  motion.angle = 30.0f;
  float m[16];
  regionMatrix(deform::TopCapRegion, motion, m);
  // Ry(a) * Rz(a) = [[c*c, -c*s, s], [s, c, 0], [-s*c, s*s, c]] with a = 30 degrees.
  const double c = std::cos(3.14159265358979 / 6), s = 0.5;
  const double expected[16] = {c * c, s, -s * c, 0, -c * s, c, s * s, 0, s, 0, c, 0, 0, 1.0099994, -4, 1};
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(m[k], expected[k], 1e-7) << "element " << k;
}

TEST(RegionMatrices, BottomCapIsTheMirrorOfTheTopCapInYExactly) {
  // Mirroring in y = 0 flips the sign of every element in exactly one of row 1 and column 1.
  for (int steps : {1, 60, 101, 110, 124, 150, 170, 200}) {
    const RegionMotion motion = after(steps);
    float top[16], bottom[16];
    regionMatrix(deform::TopCapRegion, motion, top);
    regionMatrix(deform::BottomCapRegion, motion, bottom);
    for (int column = 0; column < 4; ++column) {
      for (int row = 0; row < 4; ++row) {
        const float sign = ((row == 1) != (column == 1)) ? -1.0f : 1.0f;
        EXPECT_EQ(bottom[column * 4 + row], sign * top[column * 4 + row])
            << "steps " << steps << " row " << row << " column " << column;
      }
    }
  }
}

TEST(MatrixStackMath, TranslateAppliesInTheCurrentFrame) {
  float m[16];
  deform::loadIdentityMatrix(m);
  deform::translateMatrix(m, 1.0f, 2.0f, 3.0f);
  deform::rotateMatrix(m, 90.0f, 0.0f, 0.0f, 1.0f);
  deform::translateMatrix(m, 1.0f, 0.0f, 0.0f);
  // After a quarter turn about z, a move along x goes along y.
  EXPECT_NEAR(m[12], 1.0f, 1e-7);
  EXPECT_NEAR(m[13], 3.0f, 1e-7);
  EXPECT_EQ(m[14], 3.0f);
  EXPECT_EQ(m[15], 1.0f);
}

TEST(MatrixStackMath, QuarterTurnsAboutEachAxisMoveTheAxesRightHanded) {
  struct Case {
    float x, y, z;
    int from, to;  // axis column `from` turns into axis `to`
  } cases[] = {{1, 0, 0, 1, 2}, {0, 1, 0, 2, 0}, {0, 0, 1, 0, 1}};
  for (const Case& c : cases) {
    float m[16];
    deform::loadIdentityMatrix(m);
    deform::rotateMatrix(m, 90.0f, c.x, c.y, c.z);
    EXPECT_EQ(m[c.from * 4 + c.to], 1.0f) << c.from << "->" << c.to;
    float opposite[16];
    deform::loadIdentityMatrix(opposite);
    deform::rotateMatrix(opposite, -90.0f, -c.x, -c.y, -c.z);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(opposite[k], m[k]) << k;
  }
}

TEST(MatrixStackMath, ZeroAngleAndNoAxisLeaveTheMatrixAlone) {
  float m[16], before[16];
  deform::loadIdentityMatrix(m);
  deform::translateMatrix(m, 0.5f, -2.0f, 7.0f);
  for (int k = 0; k < 16; ++k) before[k] = m[k];
  deform::rotateMatrix(m, 0.0f, 0.0f, 1.0f, 0.0f);
  deform::rotateMatrix(m, 30.0f, 0.0f, 0.0f, 0.0f);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(m[k], before[k]) << k;
}

TEST(MatrixStackMath, GeneralAxisRotationCyclesTheAxes) {
  float m[16];
  deform::loadIdentityMatrix(m);
  deform::rotateMatrix(m, 120.0f, 1.0f, 1.0f, 1.0f);
  // x -> y, y -> z, z -> x.
  EXPECT_NEAR(m[1], 1.0f, 1e-6);
  EXPECT_NEAR(m[6], 1.0f, 1e-6);
  EXPECT_NEAR(m[8], 1.0f, 1e-6);
  EXPECT_NEAR(m[0], 0.0f, 1e-6);
}
