#pragma once
#include <cstdint>

#include "geometry/polygon.h"

enum ClipResult : int32_t { ClipVisible = 7, ClipCulled = 8 };

// Keeps the part of input in front of (or within the tolerance of) the plane. Writes
// output's vertices, colours, flags and vertexCount, never its colourIndex. Input and
// output are distinct. A result that would not fit the output is culled.
ClipResult clipPolygon(const WorkingPolygon& input, const Plane& plane, WorkingPolygon& output);
