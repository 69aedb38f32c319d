#pragma once
// The polygons of one frame, kept while the rooms are traversed and written out together
// at the end. Each row is then written once, its uncovered pixels cleared in the same
// pass, instead of the whole frame being cleared first and painted over span by span:
// for a frame larger than the processor's caches that saves a pass over memory.
//
// A polygon is kept as stretches, runs of rows between the same two edges, each as the
// edges' 16.16 columns at its first row and their steps per row: a wall of a few hundred
// rows costs a few records, not a store per row.
#include <cstddef>
#include <cstdint>

#include "geometry/viewport.h"

// Rows between two edges: row firstRow covers the columns left >> 16 up to, not
// including, right >> 16, each clamped to the frame; every later row up to endRow adds
// the steps to both. A row whose right column is not past its left one is empty.
struct KeptStretch {
  int64_t left, leftStep;
  int64_t right, rightStep;
  int32_t firstRow, endRow;
  uint8_t colour;
};

// One row's part of a stretch, as the row writers take it.
struct PendingSpan {
  int32_t left, right;  // columns left up to, not including, right; empty only at the row end
  uint8_t colour;
};

// How writeFrameStretches writes a row: a byte fill per span and per gap, with 16-byte
// stores (Portable) or, on processors with AVX2, 32-byte ones; or (with AVX-512) one
// aligned 64-byte store per cache line, composed in a register.
enum class RowWriter { Portable, Avx2, Avx512 };
// The quickest this processor runs.
RowWriter fastestRowWriter();

// A frame keeps at most this many stretches: ten to a hundred times what the levels'
// frames need. A frame that needs more is written when its storage fills and the rest
// of its polygons are painted over it directly.
constexpr int32_t MaxKeptStretches = 1024;

// The storage of a frame's stretches and the writer's working space, made once.
struct FrameStretches {
  KeptStretch stretches[MaxKeptStretches];
  int32_t count = 0;
  int32_t capacity = MaxKeptStretches;  // may be set lower (tests fill it quickly)
  // The storage filled during this frame, so it has been written and is being painted.
  bool written = false;
  RowWriter writer = fastestRowWriter();
  // Working space of writeFrameStretches.
  uint16_t byFirstRow[MaxKeptStretches];
  uint16_t live[MaxKeptStretches];
  uint16_t sloped[MaxKeptStretches];
  PendingSpan rowSpans[MaxKeptStretches];
};

// Writes every row of the viewport with frame.writer: the spans the row's stretches give
// it as if painted one after the other in the order they were kept, every pixel no span
// covers set to 0. Empties the storage for the next frame. After the storage filled
// (`written`) the frame is complete already and is left alone. Every writer gives the
// same pixels; one this processor cannot run is replaced by the portable one.
void writeFrameStretches(const Viewport& viewport, FrameStretches& frame);

// Writes the frame now because the storage is full; the polygons still to come are
// painted over it directly.
void writeFullFrame(const Viewport& viewport, FrameStretches& frame);
