#pragma once
#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/span_fill.h"
#include "world/world.h"

struct WallFill;

// Brings a clipped wall into the view space of the walking camera, or of the overview
// camera when the world has it switched on, and fills its projection. Changes the
// outline's vertices in place. A wall with fewer than 3 vertices, or with a vertex at a
// depth of 0 or less (nothing clips against the overview camera's view; a wall right at
// the walking eye is within the clipping tolerance of it), is not drawn: it cannot be
// projected.
void drawWall(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
              WorkingPolygon& outline);

// The same, then report (its step, room, depth and polygon already set) completed with
// the fill's colour, projection, rows, spans and pixels and handed to the observer, whose
// wallRow has each row first when it asks for rows.
void drawWall(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
              WorkingPolygon& outline, WallFill report, PassObserver& observer);
