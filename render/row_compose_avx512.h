#pragma once
// writeFrameStretches for processors with AVX-512.
#include "geometry/viewport.h"
#include "render/frame_stretches.h"

// Whether this processor runs writeFrameStretchesAvx512.
bool avx512RowsRun();

// writeFrameStretches (its stretches sorted by first row), each row composed one aligned
// 64-byte block at a time in a register, so every cache line of a row is stored once,
// whole, whatever the spans' ends.
void writeFrameStretchesAvx512(const Viewport& viewport, FrameStretches& frame);
