#pragma once
// writeFrameSpans for processors with AVX-512.
#include "geometry/viewport.h"
#include "render/frame_spans.h"

// Whether this processor runs writeFrameSpansAvx512.
bool avx512RowsRun();

// writeFrameSpans, each row composed one aligned 64-byte block at a time in a register,
// so every cache line of a row is stored once, whole, whatever the spans' ends.
void writeFrameSpansAvx512(const Viewport& viewport, FrameSpans& frame);
