#pragma once
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/viewport.h"

// How every run of the viewer begins, in one place: the level tool warns about and draws
// the same start from here.

// The window's first client size.
constexpr int32_t FirstClientWidth = 320;
constexpr int32_t FirstClientHeight = 240;
// Where the eye starts, in world units.
constexpr Vec3 StartEye{5.0f, 0.0f, 0.0f};

// The eye at StartEye with the identity orientation (looking along +z, up along +y) and
// nothing turning.
inline void placeAtStart(Camera& camera) {
  camera.setPosition(StartEye.x, StartEye.y, StartEye.z);
  camera.resetOrientation(0, 0, 0);
}

// The start view's reach at the first client size: what the first screen planes are
// built from.
inline ScreenExtent firstScreenExtent() {
  Viewport viewport{};
  viewport.width = FirstClientWidth;
  viewport.height = FirstClientHeight;
  updateViewport(viewport);
  return screenExtent(viewport);
}
