#pragma once
#include <cstdint>

#include "viewer/viewer_state.h"

// Frame memory from the heap, for platforms that show a frame by copying it.
bool allocateHeapFrame(int32_t width, int32_t height, RowOrder order, FrameMemory& out);
void releaseHeapFrame(FrameMemory& frame);
