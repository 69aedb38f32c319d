#pragma once
// The frame loop of the row writers, shared by the back ends (row_writer_*.cpp). Each file
// that includes it gets its own copy (an unnamed namespace), so one file can compile it
// for AVX-512 without that code standing in for the baseline copy of another.
#include <cstdint>
#include <cstring>

#include "render/kept_frame.h"
#include "render/row_fill.h"

namespace {

// Rows of more spans than this (none in the levels) are painted span by span.
constexpr int32_t OrderedSpans = 64;

inline void orderByLeft(const PendingSpan* spans, int32_t count, uint8_t* order) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t j = i;
    for (; j > 0 && spans[order[j - 1]].left > spans[i].left; --j) order[j] = order[j - 1];
    order[j] = uint8_t(i);
  }
}

// The row cleared and its spans painted in the order they were kept.
inline void paintInOrder(uint8_t* row, int32_t width, const PendingSpan* spans, int32_t count) {
  fillRow(row, 0, size_t(width));
  for (int32_t i = 0; i < count; ++i)
    fillRow(row + spans[i].left, spans[i].colour, size_t(spans[i].right - spans[i].left));
}

// Writes a row as writeRows asks: one fill per span and per gap, by `fill(p, colour,
// count)`, which each file picks for the stores its processor has.
template <class Fill>
struct FillSpans {
  Fill fill;
  bool operator()(uint8_t* row, int32_t width, const PendingSpan* spans, const uint8_t* order, int32_t count) const {
    int32_t x = 0;
    for (int32_t i = 0; i < count; ++i) {
      const PendingSpan s = spans[order[i]];
      if (s.left < x) return false;
      if (s.left > x) fill(row + x, 0, size_t(s.left - x));
      fill(row + s.left, s.colour, size_t(s.right - s.left));
      x = s.right;
    }
    if (x < width) fill(row + x, 0, size_t(width - x));
    return true;
  }
};

// The span a stretch gives its current row, clamped to the frame. An empty one becomes
// the empty span at the row's end, which the row writers pass over: sorted by left end it
// comes last, where nothing is left to write.
inline PendingSpan spanOf(const KeptStretch& s, int32_t width) {
  int32_t l = int32_t(s.left >> 16), r = int32_t(s.right >> 16);
  l = l > 0 ? l : 0;
  r = r < width ? r : width;
  return r > l ? PendingSpan{l, r, s.colour} : PendingSpan{width, width, s.colour};
}

// Writes every row of the viewport as writeKeptFrame says, the stretches' indices
// sorted by first row in frame.byFirstRow. `writeRow(row, width, spans, order, count)`
// writes a row from its spans taken in `order`, left to right, the gaps cleared, and
// returns false, the row part written, at a span that starts left of where the one
// before it ended: the order does not sort them, or two of them overlap.
template <class WriteRow>
inline void writeRows(const Viewport& viewport, KeptFrame& frame, const WriteRow& writeRow) {
  const int32_t width = viewport.width;
  if (width <= 0 || !viewport.rowOrigin) return;
  KeptStretch* const stretches = frame.stretches;
  uint16_t* const live = frame.live;
  uint16_t* const sloped = frame.sloped;
  PendingSpan* const spans = frame.rowSpans;
  // Neighbouring rows mostly cross the same polygons in the same order, so the order
  // that sorted the row above is tried first; a wrong guess costs one check.
  uint8_t order[OrderedSpans];
  int32_t orderedCount = -1;
  const auto write = [&](uint8_t* row, int32_t count) {
    if (count > OrderedSpans) {
      paintInOrder(row, width, spans, count);
    } else if (!(count == orderedCount && writeRow(row, width, spans, order, count))) {
      orderByLeft(spans, count, order);
      orderedCount = count;
      // Spans that overlap are rare (a pixel where two polygons' edges round alike):
      // then the later one wins, as painted in order.
      if (!writeRow(row, width, spans, order, count)) paintInOrder(row, width, spans, count);
    }
  };
  int32_t next = 0;  // the next stretch to start, in byFirstRow
  int32_t liveCount = 0;
  for (int32_t y = 0; y < viewport.height;) {
    // Stretches that end here leave; those that start here join, in the order kept.
    int32_t stay = 0;
    for (int32_t i = 0; i < liveCount; ++i) {
      if (stretches[live[i]].endRow > y) live[stay++] = live[i];
    }
    liveCount = stay;
    for (; next < frame.count && stretches[frame.byFirstRow[next]].firstRow <= y; ++next) {
      const uint16_t joining = frame.byFirstRow[next];
      if (stretches[joining].endRow <= y) continue;  // no rows (never kept so)
      int32_t i = liveCount++;
      for (; i > 0 && live[i - 1] > joining; --i) live[i] = live[i - 1];
      live[i] = joining;
    }
    // Up to the next row where one starts or ends, the same stretches cover every row;
    // each gives one span a row, only those with a sloped edge a different one.
    int32_t until = viewport.height;
    if (next < frame.count) until = stretches[frame.byFirstRow[next]].firstRow;
    int32_t slopedCount = 0;
    for (int32_t i = 0; i < liveCount; ++i) {
      const KeptStretch& s = stretches[live[i]];
      if (s.endRow < until) until = s.endRow;
      spans[i] = spanOf(s, width);
      if (s.leftStep != 0 || s.rightStep != 0) sloped[slopedCount++] = uint16_t(i);
    }
    if (slopedCount == 0) {
      // Where walls' sides stand upright (half or more of the rows of a walk through
      // the levels) the rows are all alike: copies of the first, still in the cache.
      uint8_t* const first = pixelRow(viewport, y);
      write(first, liveCount);
      for (++y; y < until; ++y) std::memcpy(pixelRow(viewport, y), first, size_t(width));
      continue;
    }
    for (;;) {
      write(pixelRow(viewport, y), liveCount);
      for (int32_t k = 0; k < slopedCount; ++k) {
        KeptStretch& s = stretches[live[sloped[k]]];
        s.left += s.leftStep;
        s.right += s.rightStep;
        spans[sloped[k]] = spanOf(s, width);
      }
      if (++y == until) break;
    }
  }
}

}  // namespace
