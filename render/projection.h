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

// Projects a camera-space polygon (every vertex in front of the eye), in reverse order.
void projectPolygon(const WorkingPolygon& polygon, const Viewport& viewport, ScreenPolygon& out);
