#include "deform/region_motion.h"

#include "deform/matrix_stack_math.h"

namespace deform {

namespace {
constexpr float LiftStep = 0.01f;
constexpr float LiftLimit = 1.0f;
constexpr float SwingStep = 2.0f;
constexpr float SwingLimit = 45.0f;
}  // namespace

void advanceMotion(RegionMotion& motion) {
  if (motion.lift < LiftLimit) {
    motion.lift = motion.lift + LiftStep;
  } else if (motion.rising) {
    motion.angle = motion.angle + SwingStep;
    if (motion.angle > SwingLimit) motion.rising = false;
  } else {
    motion.angle = motion.angle - SwingStep;
    if (motion.angle < -SwingLimit) motion.rising = true;
  }
}

void regionMatrix(int region, const RegionMotion& motion, float m[16]) {
  loadIdentityMatrix(m);
  if (region == TopCapRegion) {
    translateMatrix(m, 0.0f, motion.lift, 0.0f);
    translateMatrix(m, 0.0f, 0.0f, -SceneDepth);
    rotateMatrix(m, motion.angle, 0.0f, 1.0f, 0.0f);
    rotateMatrix(m, motion.angle, 0.0f, 0.0f, 1.0f);
  } else if (region == BottomCapRegion) {
    translateMatrix(m, 0.0f, -motion.lift, 0.0f);
    translateMatrix(m, 0.0f, 0.0f, -SceneDepth);
    rotateMatrix(m, motion.angle, 0.0f, 1.0f, 0.0f);
    rotateMatrix(m, -motion.angle, 0.0f, 0.0f, 1.0f);
  } else {
    translateMatrix(m, 0.0f, 0.0f, -SceneDepth);
  }
}

}  // namespace deform
