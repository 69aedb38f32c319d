#pragma once
// writeFrameStretches for processors with AVX2.
#include "geometry/viewport.h"
#include "render/frame_stretches.h"

// Whether this processor runs writeFrameStretchesAvx2.
bool avx2RowsRun();

// writeFrameStretches (its stretches sorted by first row), one fill per span and per gap
// as in the portable writer, runs of 32 bytes and more written with 32-byte stores.
void writeFrameStretchesAvx2(const Viewport& viewport, FrameStretches& frame);
