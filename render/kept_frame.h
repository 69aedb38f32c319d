#pragma once
// The second way to draw a frame: its polygons kept while the rooms are traversed and
// written out together at the end. Each row is then written once, its uncovered pixels
// cleared in the same pass, instead of the whole frame being cleared first and painted
// over span by span: for a frame larger than the processor's caches that saves a pass
// over memory. The renderer (render/renderer.h) picks the way per frame.
//
// A polygon is kept as stretches, runs of rows between the same two edges, each as the
// edges' 16.16 columns at its first row and their steps per row: a wall of a few hundred
// rows costs a few records, not a store per row.
#include <cstddef>
#include <cstdint>

#include "geometry/viewport.h"
#include "render/row_writer.h"

struct Span;
namespace polygon_edges {
struct PolygonRows;
}

// Rows between two edges: row firstRow covers the columns left >> 16 up to, not
// including, right >> 16, each clamped to the frame; every later row up to endRow adds
// the steps to both. A row whose right column is not past its left one is empty.
struct KeptStretch {
  int64_t left, leftStep;
  int64_t right, rightStep;
  int32_t firstRow, endRow;
  uint8_t colour;
};

// A frame keeps at most this many stretches: ten to a hundred times what the levels'
// frames need. A frame that needs more is written when its storage fills and the rest
// of its polygons are painted over it directly.
constexpr int32_t MaxKeptStretches = 1024;

// The storage of a frame's stretches and the row writer's working space, made once.
struct KeptFrame {
  KeptStretch stretches[MaxKeptStretches];
  int32_t count = 0;
  int32_t capacity = MaxKeptStretches;  // may be set lower (tests fill it quickly)
  // The storage filled during this frame: the frame has been written with what was kept
  // and the rest of its polygons are being painted over it, span by span.
  bool paintingDirectly = false;
  RowWriter writer = fastestRowWriter();
  // Working space of the row writers.
  uint16_t byFirstRow[MaxKeptStretches];
  uint16_t live[MaxKeptStretches];
  uint16_t sloped[MaxKeptStretches];
  PendingSpan rowSpans[MaxKeptStretches];
};

// fillPolygon's rows of one polygon kept in frame (or, once the storage has filled,
// painted). spanRows is the fill's working space, as in FillTarget.
void keepPolygonRows(const polygon_edges::PolygonRows& polygon, const Viewport& viewport, Span* spanRows,
                     uint8_t colour, KeptFrame& frame);

// Writes every row of the viewport with frame.writer: the spans the row's stretches give
// it as if painted one after the other in the order they were kept, every pixel no span
// covers set to 0. Empties the storage for the next frame. After the storage filled
// (`paintingDirectly`) the frame is complete already and is left alone. Every writer
// gives the same pixels; one this processor cannot run is replaced by the SSE2 one.
void writeKeptFrame(const Viewport& viewport, KeptFrame& frame);
