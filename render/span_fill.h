#pragma once
#include <cstdint>

#include "geometry/viewport.h"
#include "render/projection.h"

// One row of a polygon: columns left up to, not including, right.
struct Span {
  int32_t left, right;
};
struct KeptFrame;
class PassObserver;

// Where fillPolygon puts a polygon's rows. `spanRows` is working space with one entry
// per frame row (the fill never goes past `rowCount` rows). Without `kept` every row is
// painted into the viewport at once; with it, the rows are kept in that storage as
// stretches and the frame is written at the end (render/kept_frame.h).
struct FillTarget {
  Span* spanRows;
  int32_t rowCount;
  KeptFrame* kept = nullptr;
};

// The search for the top and bottom vertex starts from +-this many pixels, so a point at
// or beyond it (or one that is not finite) cannot be filled: such a polygon paints nothing.
constexpr double ScreenCoordinateLimit = 999999.0;

// Paints a clockwise screen polygon as one byte-fill per row, clipped to the viewport
// (or keeps the rows, see FillTarget).
void fillPolygon(const ScreenPolygon& polygon, const Viewport& viewport, FillTarget& target);

// What fillPolygon paints for a polygon: the rows it covers on the frame, those with a
// span, and the pixels of the spans.
struct FilledRows {
  int32_t rows, spans;
  int64_t pixels;
};

// The rows fillPolygon paints for the polygon, counted and, when rowsTo is given, handed
// to its wallRow one by one; nothing is painted or kept. Uses target's span rows as
// working space, so it runs after the fill, not during it.
FilledRows traceFilledRows(const ScreenPolygon& polygon, const Viewport& viewport, FillTarget& target,
                           PassObserver* rowsTo);
