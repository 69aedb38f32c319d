#include "render/frame_stretches.h"

#include <algorithm>

#include "render/kept_rows.h"
#include "render/row_compose_avx512.h"
#include "render/row_fill.h"

namespace {

// One fill per span and per gap.
struct FillRow {
  bool operator()(uint8_t* row, int32_t width, const PendingSpan* spans, const uint8_t* order,
                  int32_t count) const {
    int32_t x = 0;
    for (int32_t i = 0; i < count; ++i) {
      const PendingSpan s = spans[order[i]];
      if (s.left < x) return false;
      if (s.left > x) fillRow(row + x, 0, size_t(s.left - x));
      fillRow(row + s.left, s.colour, size_t(s.right - s.left));
      x = s.right;
    }
    if (x < width) fillRow(row + x, 0, size_t(width - x));
    return true;
  }
};

// The stretches' indices by first row, those of a row in the order they were kept.
void sortByFirstRow(FrameStretches& frame) {
  const KeptStretch* stretches = frame.stretches;
  for (int32_t i = 0; i < frame.count; ++i) frame.byFirstRow[i] = uint16_t(i);
  std::sort(frame.byFirstRow, frame.byFirstRow + frame.count, [stretches](uint16_t a, uint16_t b) {
    return stretches[a].firstRow < stretches[b].firstRow || (stretches[a].firstRow == stretches[b].firstRow && a < b);
  });
}

}  // namespace

RowWriter fastestRowWriter() { return avx512RowsRun() ? RowWriter::Avx512 : RowWriter::Portable; }

void writeFrameStretches(const Viewport& viewport, FrameStretches& frame) {
  if (!frame.written) {
    sortByFirstRow(frame);
    if (frame.writer == RowWriter::Avx512 && avx512RowsRun()) {
      writeFrameStretchesAvx512(viewport, frame);
    } else {
      writeRows(viewport, frame, FillRow{});
    }
  }
  frame.count = 0;
  frame.written = false;
}

void writeFullFrame(const Viewport& viewport, FrameStretches& frame) {
  writeFrameStretches(viewport, frame);
  frame.written = true;
}
