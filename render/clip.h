#pragma once
#include <cstdint>

#include "geometry/polygon.h"

enum ClipResult : int32_t { ClipVisible = 7, ClipCulled = 8 };

// Keeps the part of input in front of (or within the tolerance of) the plane. Writes
// output's vertices, colours, flags and vertexCount, never its colourIndex. Input and
// output are distinct. A result that would not fit the output is culled.
ClipResult clipPolygon(const WorkingPolygon& input, const Plane& plane, WorkingPolygon& output);

// clipPolygon without the copy when the plane cuts nothing: then `whole` is set, the
// result is `input` itself and only output's vertexCount is written (0).
ClipResult clipPolygonUnlessWhole(const WorkingPolygon& input, const Plane& plane, WorkingPolygon& output, bool& whole);
