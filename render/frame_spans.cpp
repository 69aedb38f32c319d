#include "render/frame_spans.h"

#include "render/row_fill.h"

namespace {

void orderByLeft(const PendingSpan* kept, int32_t count, uint8_t* order) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t j = i;
    for (; j > 0 && kept[order[j - 1]].left > kept[i].left; --j) order[j] = order[j - 1];
    order[j] = uint8_t(i);
  }
}

// Writes the row from its spans taken in `order`, left to right, the gaps cleared: every
// pixel once. Gives up, the row part written, at a span that starts left of where the one
// before it ended: the order does not sort them, or two of them overlap.
bool writeInOrder(uint8_t* row, int32_t width, const PendingSpan* kept, const uint8_t* order, int32_t count) {
  int32_t x = 0;
  for (int32_t i = 0; i < count; ++i) {
    const PendingSpan s = kept[order[i]];
    if (s.left < x) return false;
    if (s.left > x) fillRow(row + x, 0, size_t(s.left - x));
    fillRow(row + s.left, s.colour, size_t(s.right - s.left));
    x = s.right;
  }
  if (x < width) fillRow(row + x, 0, size_t(width - x));
  return true;
}

// The row cleared and its spans painted in the order they were kept.
void paintRowInOrder(uint8_t* row, int32_t width, const PendingSpan* kept, int32_t count) {
  fillRow(row, 0, size_t(width));
  for (int32_t i = 0; i < count; ++i) fillRow(row + kept[i].left, kept[i].colour, size_t(kept[i].right - kept[i].left));
}

}  // namespace

void paintSpanNow(FrameSpans& frame, const Viewport& viewport, int32_t row, int32_t left, int32_t right,
                  uint8_t colour) {
  uint8_t& count = frame.counts[row];
  uint8_t* const pixels = pixelRow(viewport, row);
  if (count != PaintedRow) {
    // The row becomes what writeFrameSpans would have made of it so far.
    paintRowInOrder(pixels, viewport.width, rowSpans(frame, row), count);
    count = PaintedRow;
  }
  fillRow(pixels + left, colour, size_t(right - left));
}

void writeFrameSpans(const Viewport& viewport, FrameSpans& frame) {
  const int32_t width = viewport.width;
  if (width <= 0 || !viewport.rowOrigin) return;
  // Neighbouring rows mostly cross the same polygons in the same order, so the order
  // that sorted the row above is tried first; a wrong guess costs one check.
  uint8_t order[SpansPerRow];
  int32_t orderedCount = -1;
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
    if (count == orderedCount && writeInOrder(row, width, kept, order, count)) continue;
    orderByLeft(kept, count, order);
    orderedCount = count;
    if (writeInOrder(row, width, kept, order, count)) continue;
    // Spans that overlap are rare (a pixel where two polygons' edges round alike): then
    // the later one wins, as painted in order.
    paintRowInOrder(row, width, kept, count);
  }
}
