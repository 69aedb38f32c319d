#pragma once
// Marks drawn into a frame as palette indices: outlines of projected polygons and the
// frame's border. Lines are clipped to the frame first, so a line costs at most the
// frame's width plus height in pixels whatever its ends.
#include <cstdint>

#include "geometry/viewport.h"
#include "render/projection.h"

enum class MarkWhere {
  Anywhere,
  CoveredOnly,  // only over pixels a wall covers (not index 0): the covered pixels stay the same
};

void drawMarkLine(const Viewport& viewport, ScreenPoint a, ScreenPoint b, uint8_t colour, MarkWhere where);
// The closed outline through count points.
void drawMarkOutline(const Viewport& viewport, const ScreenPoint* points, int32_t count, uint8_t colour,
                     MarkWhere where);
// The frame's outermost pixels.
void drawMarkBorder(const Viewport& viewport, uint8_t colour);
