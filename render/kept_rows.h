#pragma once
// The frame loop of writeFrameSpans, shared by its ways of writing a row. Each file that
// includes it gets its own copy (an unnamed namespace), so one file can compile it for
// AVX-512 without that code standing in for the baseline copy of another.
#include <cstdint>
#include <cstring>

#include "render/frame_spans.h"
#include "render/row_fill.h"

namespace {

inline void orderByLeft(const PendingSpan* kept, int32_t count, uint8_t* order) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t j = i;
    for (; j > 0 && kept[order[j - 1]].left > kept[i].left; --j) order[j] = order[j - 1];
    order[j] = uint8_t(i);
  }
}

// The row cleared and its spans painted in the order they were kept.
inline void paintInOrder(uint8_t* row, int32_t width, const PendingSpan* kept, int32_t count) {
  fillRow(row, 0, size_t(width));
  for (int32_t i = 0; i < count; ++i) fillRow(row + kept[i].left, kept[i].colour, size_t(kept[i].right - kept[i].left));
}

// Whether two rows kept the same spans in the same order: then they have the same pixels.
inline bool sameSpans(const PendingSpan* a, const PendingSpan* b, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    uint64_t x, y;
    std::memcpy(&x, a + i, sizeof x);
    std::memcpy(&y, b + i, sizeof y);
    if (x != y) return false;
  }
  return true;
}

// Writes every row of the viewport as writeFrameSpans says. `writeRow(row, width, kept,
// order, count)` writes a row from its spans taken in `order`, left to right, the gaps
// cleared, and returns false, the row part written, at a span that starts left of where
// the one before it ended: the order does not sort them, or two of them overlap.
template <class WriteRow>
inline void writeRows(const Viewport& viewport, FrameSpans& frame,
                      const WriteRow& writeRow) {
  const int32_t width = viewport.width;
  if (width <= 0 || !viewport.rowOrigin) return;
  // Neighbouring rows mostly cross the same polygons in the same order, so the order
  // that sorted the row above is tried first; a wrong guess costs one check.
  uint8_t order[SpansPerRow];
  int32_t orderedCount = -1;
  // Where walls' sides stand upright, rows keep exactly the spans of the row above
  // (half to three quarters of the rows of a walk through the levels); such a row is a
  // copy of the row above, still in the cache. (Above a row painted on the spot, the
  // last row written from its spans serves as well: the same spans, the same pixels.)
  const uint8_t* rowAbove = nullptr;
  const PendingSpan* keptAbove = nullptr;
  int32_t countAbove = -1;
  for (int32_t y = 0; y < viewport.height; ++y) {
    uint8_t* const row = pixelRow(viewport, y);
    if (y >= frame.rows) {
      fillRow(row, 0, size_t(width));
      continue;
    }
    const int32_t count = frame.counts[y];
    frame.counts[y] = 0;
    if (count == PaintedRow) continue;
    const PendingSpan* kept = rowSpans(frame, y);
    if (count == countAbove && sameSpans(kept, keptAbove, count)) {
      std::memcpy(row, rowAbove, size_t(width));
    } else if (!(count == orderedCount && writeRow(row, width, kept, order, count))) {
      orderByLeft(kept, count, order);
      orderedCount = count;
      // Spans that overlap are rare (a pixel where two polygons' edges round alike):
      // then the later one wins, as painted in order.
      if (!writeRow(row, width, kept, order, count)) paintInOrder(row, width, kept, count);
    }
    rowAbove = row;
    keptAbove = kept;
    countAbove = count;
  }
}

}  // namespace
