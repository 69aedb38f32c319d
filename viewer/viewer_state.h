#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/kept_frame.h"
#include "render/render_frame.h"
#include "render/span_fill.h"
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

// The viewer's process-wide instances, made once by the program's entry.
struct Viewer {
  Camera camera;
  World world;
  Viewport viewport{};
  FrameMemory frame{};
  bool frameExists = false;
  // Made with the frame: one entry per frame-buffer row, and the storage of the walls a
  // kept frame keeps until it is written; renderer points at both.
  std::unique_ptr<Span[]> spanRows;
  std::unique_ptr<KeptFrame> keptFrame;
  FrameRenderer renderer{};
  RowWriter rowWriter = fastestRowWriter();  // the kept frame's, once it is made
  float walkSpeed = 0.0f;
  int32_t quitRequested = 0;
  Frustum initialFrustum{};
};
