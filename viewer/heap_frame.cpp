#include "viewer/heap_frame.h"

#include <cstddef>
#include <cstdlib>

bool allocateHeapFrame(int32_t width, int32_t height, RowOrder order, FrameMemory& out) {
  if (width <= 0 || height <= 0) return false;
  auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(width) * size_t(height)));
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
