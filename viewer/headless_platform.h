#pragma once
// A platform without a window or messages: frames from the heap, presents that show
// nothing. A recording is played through it before a window opens, to count its passes
// and keep its key points.
#include "viewer/heap_frame.h"
#include "viewer/messages.h"
#include "viewer/viewer_state.h"

struct HeadlessPlatform {
  PixelSize client{320, 240};
  bool nextMessage(Message&) { return false; }
  void present(const PresentedFrame&) {}
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    return allocateHeapFrame(width, height, RowOrder::BottomUp, out);
  }
  void releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }
  PixelSize clientPixels() const { return client; }
  void show() {}
};
