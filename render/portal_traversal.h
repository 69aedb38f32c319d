#pragma once
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/span_fill.h"
#include "world/world.h"

// Rooms nested in one chain of portals. A valid level never goes deeper than its room
// count (at most MaxRooms); a level with a cycle of wrongly facing portals stops here,
// well within the stack (each level of nesting keeps two working polygons and a frustum).
constexpr int32_t MaxTraversalDepth = 32;

// What one traversal did, for tests and measurements.
struct TraversalCounts {
  int32_t roomVisits;               // rooms entered, the starting room included
  int32_t visitsPerRoom[MaxRooms];  // the same per room index
  int32_t wallsDrawn;               // clipped walls handed to drawWall
  int32_t deepestLevel;             // 1 when only the starting room was entered
  int32_t cappedVisits;             // visits refused at MaxTraversalDepth
};

// Draws the world as the camera sees it from room roomIndex through frustum: walls are
// filled, portals narrow the frustum and lead, depth first, into the room behind.
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport,
                FillTarget& target, int32_t roomIndex, const Frustum& frustum);

// The same, adding what it did to counts (which the caller zeroes).
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport,
                FillTarget& target, int32_t roomIndex, const Frustum& frustum,
                TraversalCounts& counts);
