#pragma once
// The one way into the renderer: a whole frame of the world as the camera sees it, drawn
// by a Renderer, which owns the working memory that frames need.
//
// A frame is drawn in one of two ways. Painting spans: the frame is cleared, then every
// visible wall is filled row by row straight into it (span_fill.h). Keeping stretches:
// the walls' rows are kept while the rooms are traversed and each frame row is written
// once at the end, its uncovered pixels cleared in the same pass (kept_frame.h). Both give
// the same pixels; the renderer picks the way by the frame's size.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/kept_frame.h"
#include "render/pass_observer.h"
#include "render/row_writer.h"
#include "render/span_fill.h"
#include "world/world.h"

enum class FrameMode { PaintSpans, KeepStretches };

// Sets every pixel of the viewport to palette index 0.
void clearViewport(const Viewport& viewport);

class Renderer {
 public:
  // Frames of at least this many bytes keep their walls and write each row once; a
  // smaller frame stays in the processor's nearest caches between its clear and its
  // spans, and painting each span at once costs less there (bench/README.md).
  static constexpr size_t DefaultKeepFromBytes = size_t(256) * 1024;

  Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Working space for frames of `rows` rows: one span entry a row, made anew only when
  // the count changes. False when there is no memory for it; the renderer then keeps what
  // it had, and draws only frames of at most its old count of rows.
  bool fitRows(int32_t rows);
  int32_t rowCount() const { return rowCount_; }

  // The row writer that writes kept frames; by default the quickest this processor runs.
  // Only writers the processor runs may be set (row_writer.h: rowWriterRuns).
  void setWriter(RowWriter writer);
  RowWriter writer() const;

  // The way draw draws a frame of this viewport.
  FrameMode mode(const Viewport& viewport) const;

  // Draws the world into the viewport: every pixel is written, those no wall covers with
  // 0. The traversal (renderRoom) starts in world.currentRoom with the frustum; a watch,
  // when given, sees the pass and may stop it early or colour its walls by depth
  // (render/pass_observer.h). A viewport without pixels (no rowOrigin) is left alone; an
  // empty world gives a cleared frame. Rows beyond rowCount() are cleared, not drawn.
  void draw(const World& world, const Camera& camera, const Viewport& viewport, const Frustum& frustum,
            const PassWatch* watch = nullptr);

  size_t keepFromBytes = DefaultKeepFromBytes;
  // The kept frame's storage (null when it could not be made: then every frame paints its
  // spans), for tests that need to fill it quickly.
  KeptFrame* keptFrame() { return kept_.get(); }

 private:
  std::unique_ptr<Span[]> spanRows_;
  int32_t rowCount_ = 0;
  std::unique_ptr<KeptFrame> kept_;
};
