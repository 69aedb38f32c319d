#pragma once
#include <cstdint>

#include "geometry/polygon.h"
#include "geometry/viewport.h"

// A projected polygon: x grows to the right, y downwards, row 0 at the top.
struct ScreenPoint {
  double x, y;
};
struct ScreenPolygon {
  int32_t colourIndex;
  int32_t vertexCount;
  ScreenPoint points[MaxWorkingVertices];
};

// One row of a polygon: columns left up to, not including, right.
struct Span {
  int32_t left, right;
};
struct FrameStretches;

// Row storage for fillPolygon, sized with the frame buffer (one entry per row). With
// `kept` set, every polygon is kept there for writeFrameStretches instead of being
// painted.
struct SpanTable {
  Span* rows;
  int32_t capacity;
  FrameStretches* kept = nullptr;
};

// Projects a camera-space polygon (every vertex in front of the eye), in reverse order.
void projectPolygon(const WorkingPolygon& polygon, const Viewport& viewport, ScreenPolygon& out);

// The search for the top and bottom vertex starts from +-this many pixels, so a point at
// or beyond it (or one that is not finite) cannot be filled: such a polygon paints nothing.
constexpr double ScreenCoordinateLimit = 999999.0;

// Paints a clockwise screen polygon as one byte-fill per row, clipped to the viewport
// (or keeps the rows, see SpanTable).
void fillPolygon(const ScreenPolygon& polygon, const Viewport& viewport, SpanTable& spans);
