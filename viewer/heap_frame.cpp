#include "viewer/heap_frame.h"

#include <cstddef>
#include <cstdlib>

namespace {
constexpr size_t FrameAlignment = 64;
}

bool allocateHeapFrame(int32_t width, int32_t height, RowOrder order, FrameMemory& out) {
  if (width <= 0 || height <= 0) return false;
  // Rows that start on a cache line (every width a multiple of 64) are written in
  // whole lines.
  const size_t bytes = (size_t(width) * size_t(height) + FrameAlignment - 1) / FrameAlignment * FrameAlignment;
  auto* pixels = static_cast<uint8_t*>(std::aligned_alloc(FrameAlignment, bytes));
  if (!pixels) return false;
  out.pixels = pixels;
  out.platformHandle = nullptr;
  layRows(out, width, height, order);
  return true;
}

void releaseHeapFrame(FrameMemory& frame) {
  std::free(frame.pixels);
  frame = FrameMemory{};
}
