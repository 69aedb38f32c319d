#include "render/renderer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "render/portal_traversal.h"

void clearViewport(const Viewport& viewport) {
  if (!viewport.rowOrigin || viewport.width <= 0 || viewport.height <= 0) return;
  if (std::abs(viewport.pitch) == viewport.width) {
    // Rows back to back, top-down or bottom-up: one fill from the lowest address.
    uint8_t* const lowest = viewport.pitch > 0 ? viewport.rowOrigin : pixelRow(viewport, viewport.height - 1);
    std::memset(lowest, 0, size_t(viewport.width) * size_t(viewport.height));
    return;
  }
  for (int32_t y = 0; y < viewport.height; ++y) std::memset(pixelRow(viewport, y), 0, size_t(viewport.width));
}

Renderer::Renderer() : kept_(new (std::nothrow) KeptFrame) {}

bool Renderer::fitRows(int32_t rows) {
  if (spanRows_ && rowCount_ == rows) return true;
  std::unique_ptr<Span[]> fresh(new (std::nothrow) Span[size_t(rows > 0 ? rows : 1)]);
  if (!fresh) return false;
  spanRows_ = std::move(fresh);
  rowCount_ = rows;
  return true;
}

void Renderer::setWriter(RowWriter writer) {
  if (kept_) kept_->writer = writer;
}

RowWriter Renderer::writer() const { return kept_ ? kept_->writer : fastestRowWriter(); }

FrameMode Renderer::mode(const Viewport& viewport) const {
  const size_t bytes = size_t(viewport.width) * size_t(viewport.height);
  return kept_ && bytes >= keepFromBytes ? FrameMode::KeepStretches : FrameMode::PaintSpans;
}

void Renderer::draw(const World& world, const Camera& camera, const Viewport& viewport, const Frustum& frustum,
                    const PassWatch* watch) {
  if (!viewport.rowOrigin) return;
  const bool keep = mode(viewport) == FrameMode::KeepStretches;
  FillTarget target{spanRows_.get(), rowCount_, keep ? kept_.get() : nullptr};
  if (!keep) clearViewport(viewport);
  if (world.roomCount > 0) {
    if (watch) {
      renderRoom(world, camera, viewport, target, world.currentRoom, frustum, *watch);
    } else {
      renderRoom(world, camera, viewport, target, world.currentRoom, frustum);
    }
  }
  if (keep) writeKeptFrame(viewport, *kept_);
}
