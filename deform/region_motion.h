#pragma once
// How the two caps move: the per-step lift and swing, and each region's model-view
// matrix built from a motion exactly as the animation builds it on the GL stack.
#include "deform/deform_regions.h"

namespace deform {

struct RegionMotion {
  float angle = 0.0f;  // swing angle in degrees
  float lift = 0.0f;   // vertical offset
  bool rising = true;  // the angle grows while true
};

// Distance from the eye to the sphere's centre along -z.
constexpr float SceneDepth = 4.0f;

// One step in float arithmetic: first the lift grows by 0.01 while below 1, then the
// angle swings by 2 degrees, turning once it has passed +-45.
void advanceMotion(RegionMotion& motion);

// The model-view matrix of `region`: the top cap lifted by `lift` and turned by
// `angle` about z then y, the bottom cap its mirror image in y = 0, the middle band
// only moved to the scene depth. Every step of the composition rounds as the GL
// matrix stack does.
void regionMatrix(int region, const RegionMotion& motion, float m[16]);

}  // namespace deform
