#include "render/frame_stretches.h"

#include <algorithm>

#include "render/kept_rows.h"
#include "render/row_compose_avx512.h"
#include "render/row_fill_avx2.h"
#include "render/row_fill.h"

namespace {

// One fill per span and per gap, with the baseline's stores.
struct BaselineFill {
  void operator()(uint8_t* p, uint8_t colour, size_t count) const { fillRow(p, colour, count); }
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

RowWriter fastestRowWriter() {
  if (avx512RowsRun()) return RowWriter::Avx512;
  return avx2RowsRun() ? RowWriter::Avx2 : RowWriter::Portable;
}

void writeFrameStretches(const Viewport& viewport, FrameStretches& frame) {
  if (!frame.written) {
    sortByFirstRow(frame);
    if (frame.writer == RowWriter::Avx512 && avx512RowsRun()) {
      writeFrameStretchesAvx512(viewport, frame);
    } else if (frame.writer == RowWriter::Avx2 && avx2RowsRun()) {
      writeFrameStretchesAvx2(viewport, frame);
    } else {
      writeRows(viewport, frame, FillSpans<BaselineFill>{});
    }
  }
  frame.count = 0;
  frame.written = false;
}

void writeFullFrame(const Viewport& viewport, FrameStretches& frame) {
  writeFrameStretches(viewport, frame);
  frame.written = true;
}
