#include "render/frame_spans.h"

#include "render/kept_rows.h"
#include "render/row_compose_avx512.h"
#include "render/row_fill.h"

namespace {

// One fill per span and per gap.
struct FillRow {
  bool operator()(uint8_t* row, int32_t width, const PendingSpan* kept, const uint8_t* order,
                  int32_t count) const {
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
};

}  // namespace

RowWriter fastestRowWriter() { return avx512RowsRun() ? RowWriter::Avx512 : RowWriter::Portable; }

void paintSpanNow(FrameSpans frame, const Viewport& viewport, int32_t row, int32_t left, int32_t right,
                  uint8_t colour) {
  uint8_t& count = frame.counts[row];
  uint8_t* const pixels = pixelRow(viewport, row);
  if (count != PaintedRow) {
    // The row becomes what writeFrameSpans would have made of it so far.
    paintInOrder(pixels, viewport.width, rowSpans(frame, row), count);
    count = PaintedRow;
  }
  fillRow(pixels + left, colour, size_t(right - left));
}

void writeFrameSpans(const Viewport& viewport, FrameSpans& frame, RowWriter writer) {
  if (writer == RowWriter::Avx512 && avx512RowsRun()) {
    writeFrameSpansAvx512(viewport, frame);
    return;
  }
  writeRows(viewport, frame, FillRow{});
}
