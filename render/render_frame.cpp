#include "render/render_frame.h"

#include <cstdlib>
#include <cstring>

#include "render/portal_traversal.h"

FrameMode frameMode(const Viewport& viewport, const FrameRenderer& renderer) {
  const size_t bytes = size_t(viewport.width) * size_t(viewport.height);
  return renderer.kept && bytes >= renderer.keepFromBytes ? FrameMode::KeepStretches : FrameMode::PaintSpans;
}

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

void renderFrame(const World& world, const Camera& camera, const Viewport& viewport, const Frustum& frustum,
                 FrameRenderer& renderer) {
  if (!viewport.rowOrigin) return;
  const bool keep = frameMode(viewport, renderer) == FrameMode::KeepStretches;
  FillTarget target{renderer.spanRows, renderer.rowCount, keep ? renderer.kept : nullptr};
  if (!keep) clearViewport(viewport);
  if (world.roomCount > 0) renderRoom(world, camera, viewport, target, world.currentRoom, frustum);
  if (keep) writeKeptFrame(viewport, *renderer.kept);
}
