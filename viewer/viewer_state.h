#pragma once
#include <cstddef>
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/renderer.h"
#include "world/world.h"

// The frame buffer's pixel memory as a platform made it: width x height bytes at pixels,
// rows reached from rowOrigin with pitch (negative when stored bottom-up).
struct FrameMemory {
  uint8_t* pixels = nullptr;
  uint8_t* rowOrigin = nullptr;
  int32_t pitch = 0;
  void* platformHandle = nullptr;  // whatever the platform needs to release it
};

enum class RowOrder { BottomUp, TopDown };

// Sets rowOrigin and pitch for width x height pixels at frame.pixels stored in order.
inline void layRows(FrameMemory& frame, int32_t width, int32_t height, RowOrder order) {
  if (order == RowOrder::BottomUp) {
    frame.rowOrigin = frame.pixels + std::ptrdiff_t(height - 1) * width;
    frame.pitch = -width;
  } else {
    frame.rowOrigin = frame.pixels;
    frame.pitch = width;
  }
}

// What a platform's present shows: the frame's pixels, palette indices, row 0 at
// rowOrigin and each row pitch bytes from the one above it.
struct PresentedFrame {
  const uint8_t* rowOrigin = nullptr;  // null: there is no frame to show
  int32_t width = 0, height = 0;
  int32_t pitch = 0;
  void* platformHandle = nullptr;  // the platform's own part of the frame's memory
};

// The viewer's process-wide instances, made once by the program's entry.
struct Viewer {
  Camera camera;
  World world;
  Viewport viewport{};
  FrameMemory frame{};
  bool frameExists = false;
  Renderer renderer;  // its working memory follows the frame's size
  float walkSpeed = 0.0f;
  int32_t quitRequested = 0;
  Frustum initialFrustum{};
};

// The frame the viewer has to show now (no pixels when it has no frame).
inline PresentedFrame presentedFrame(const Viewer& viewer) {
  if (!viewer.frameExists) return PresentedFrame{};
  const Viewport& v = viewer.viewport;
  return PresentedFrame{v.rowOrigin, v.width, v.height, v.pitch, viewer.frame.platformHandle};
}
