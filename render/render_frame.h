#pragma once
// The one way into the renderer: a whole frame of the world as the camera sees it.
//
// A frame is drawn in one of two ways. Painting spans: the frame is cleared, then every
// visible wall is filled row by row straight into it (span_fill.h). Keeping stretches:
// the walls' rows are kept while the rooms are traversed and each frame row is written
// once at the end, its uncovered pixels cleared in the same pass (kept_frame.h). Both give
// the same pixels; renderFrame picks the way by the frame's size.
#include <cstddef>
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/kept_frame.h"
#include "render/span_fill.h"
#include "world/world.h"

// What the renderer needs besides the world, the camera and the frame: working space
// made with the frame buffer (one Span per frame row, the kept frame's storage) and
// the size from which frames are kept.
struct FrameRenderer {
  Span* spanRows = nullptr;
  int32_t rowCount = 0;
  KeptFrame* kept = nullptr;  // none: every frame paints its spans
  // Frames of at least this many bytes keep their walls and write each row once; a
  // smaller frame stays in the processor's nearest caches between its clear and its
  // spans, and painting each span at once costs less there (bench/README.md).
  size_t keepFromBytes = size_t(256) * 1024;
};

enum class FrameMode { PaintSpans, KeepStretches };

// The way renderFrame draws a frame of this viewport.
FrameMode frameMode(const Viewport& viewport, const FrameRenderer& renderer);

// Sets every pixel of the viewport to palette index 0.
void clearViewport(const Viewport& viewport);

// Draws the world into the viewport: every pixel is written, those no wall covers with
// 0. The traversal (renderRoom) starts in world.currentRoom with the frustum. A viewport
// without pixels (no rowOrigin) is left alone; an empty world gives a cleared frame.
void renderFrame(const World& world, const Camera& camera, const Viewport& viewport, const Frustum& frustum,
                 FrameRenderer& renderer);
