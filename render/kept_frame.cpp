#include "render/kept_frame.h"

#include <algorithm>

#include "render/polygon_edges.h"

using namespace polygon_edges;

namespace {

// The stretches' indices by first row, those of a row in the order they were kept.
void sortByFirstRow(KeptFrame& frame) {
  const KeptStretch* stretches = frame.stretches;
  for (int32_t i = 0; i < frame.count; ++i) frame.byFirstRow[i] = uint16_t(i);
  std::sort(frame.byFirstRow, frame.byFirstRow + frame.count, [stretches](uint16_t a, uint16_t b) {
    return stretches[a].firstRow < stretches[b].firstRow || (stretches[a].firstRow == stretches[b].firstRow && a < b);
  });
}

// Writes the frame now because the storage is full; the polygons still to come are
// painted over it directly.
void writeFullFrame(const Viewport& viewport, KeptFrame& frame) {
  writeKeptFrame(viewport, frame);
  frame.paintingDirectly = true;
}

// Keeps each row of a polygon as the edge walk gives it, whole stretches at a time.
struct KeepStretches {
  KeptFrame& frame;
  const Viewport& viewport;
  uint8_t colour;
  // Whether there is room to keep one more stretch; once the storage is full the frame
  // is written and every later row painted over it.
  bool roomToKeep() const {
    if (frame.count >= frame.capacity || frame.count >= MaxKeptStretches) writeFullFrame(viewport, frame);
    return !frame.paintingDirectly;
  }
  void stretch(int32_t row, int32_t rows, EdgeStep& left, EdgeStep& right, int32_t width) const {
    if (!roomToKeep()) {
      paintStretch(PaintSpans{viewport, colour}, row, rows, left, right, width);
      return;
    }
    const KeptStretch s{left.acc, left.step, right.acc, right.step, row, row + rows, colour};
    // Rows that are all empty on the frame are not kept.
    const auto [leftMin, rightMax] = columnBounds(left, right, rows);
    left.acc += left.step * rows;
    right.acc += right.step * rows;
    if ((rightMax < width ? rightMax : width) <= (leftMin > 0 ? leftMin : 0)) return;
    frame.stretches[frame.count++] = s;
  }
  void operator()(int32_t row, int32_t left, int32_t right) const {
    if (!roomToKeep()) {
      PaintSpans{viewport, colour}(row, left, right);
      return;
    }
    frame.stretches[frame.count++] = KeptStretch{int64_t(left) << 16, 0, int64_t(right) << 16, 0, row, row + 1, colour};
  }
};

}  // namespace

void keepPolygonRows(const PolygonRows& polygon, const Viewport& viewport, Span* spanRows, uint8_t colour,
                     KeptFrame& frame) {
  walkPolygonRows(polygon.points, polygon.n, polygon.top, polygon.bottom, polygon.firstRow, polygon.endRow,
                  viewport.width, spanRows, KeepStretches{frame, viewport, colour});
}

void writeKeptFrame(const Viewport& viewport, KeptFrame& frame) {
  if (!frame.paintingDirectly) {
    sortByFirstRow(frame);
    const RowWriter writer = rowWriterRuns(frame.writer) ? frame.writer : RowWriter::Sse2;
    switch (writer) {
      case RowWriter::Avx512:
        writeKeptRowsAvx512(viewport, frame);
        break;
      case RowWriter::Avx2:
        writeKeptRowsAvx2(viewport, frame);
        break;
      case RowWriter::Sse2:
        writeKeptRowsSse2(viewport, frame);
        break;
    }
  }
  frame.count = 0;
  frame.paintingDirectly = false;
}
