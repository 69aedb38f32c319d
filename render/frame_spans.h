#pragma once
// The spans of one frame, kept row by row while the rooms are traversed and written out
// together at the end. Each row is then written once, its uncovered pixels cleared in
// the same pass, instead of the whole frame being cleared first and painted over span
// by span: for a frame larger than the processor's caches that saves a pass over memory.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "geometry/viewport.h"

// Spans a row keeps; a row that gets more is painted on the spot from then on.
constexpr int32_t SpansPerRow = 16;

struct PendingSpan {
  uint16_t left, right;  // columns left up to, not including, right; never empty
  uint8_t colour;
  uint8_t unused[3];  // eight bytes: a span moves as one word
};
static_assert(sizeof(PendingSpan) == 8 && offsetof(PendingSpan, right) == 2 && offsetof(PendingSpan, colour) == 4,
              "keepSpan stores a span as one word");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "keepSpan lays a span's fields out low byte first");

// Storage sized with the frame: SpansPerRow spans and a count per row. A count of
// PaintedRow marks a row that is painted directly for the rest of the frame.
struct FrameSpans {
  PendingSpan* spans;  // span k of row y at y * SpansPerRow + k
  uint8_t* counts;     // all zero between frames
  int32_t rows;
};
constexpr uint8_t PaintedRow = 0xff;
static_assert(SpansPerRow < PaintedRow, "a row's count must not reach the painted mark");

inline PendingSpan* rowSpans(const FrameSpans& frame, int32_t row) {
  return frame.spans + std::ptrdiff_t(row) * SpansPerRow;
}

// Paints a span of a row that has no room left to keep it (see keepSpan).
void paintSpanNow(FrameSpans frame, const Viewport& viewport, int32_t row, int32_t left, int32_t right,
                  uint8_t colour);

// Keeps the span left .. right - 1 of `row` (0 <= row < frame.rows, 0 <= left < right
// <= viewport width) in the colour, after every span kept for that row before. The
// pixels are written by writeFrameSpans; a row that is full is cleared and painted
// with what it kept, and takes every later span directly.
inline void keepSpan(const FrameSpans& frame, const Viewport& viewport, int32_t row, int32_t left, int32_t right,
                     uint8_t colour) {
  uint8_t& count = frame.counts[row];
  if (count < SpansPerRow) {
    // Made as one word and stored once: built field by field, the span costs four stores.
    const uint64_t span = uint64_t(uint16_t(left)) | uint64_t(uint16_t(right)) << 16 | uint64_t(colour) << 32;
    std::memcpy(rowSpans(frame, row) + count, &span, sizeof span);
    ++count;
    return;
  }
  paintSpanNow(frame, viewport, row, left, right, colour);
}

// How writeFrameSpans writes a row: a byte fill per span and per gap, or (on processors
// with AVX-512) one aligned 64-byte store per cache line, composed in a register.
enum class RowWriter { Portable, Avx512 };
// The quickest this processor runs.
RowWriter fastestRowWriter();

// Writes every row of the viewport: the row's kept spans as if painted one after the
// other in the order they were kept, every pixel no span covers set to 0 (rows beyond
// frame.rows are only cleared). Empties the rows for the next frame. Both writers give
// the same pixels; one this processor cannot run is replaced by the portable one.
void writeFrameSpans(const Viewport& viewport, FrameSpans& frame, RowWriter writer = fastestRowWriter());
