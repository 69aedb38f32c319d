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

// The work one pass may do, in units of one room entered or one polygon clipped (a polygon
// facing the eye, copied and cut by the frustum's planes); a pass that has spent it enters
// no more rooms and clips no more polygons, and the frame keeps what was drawn. The depth
// cap alone does not bound a pass: a room whose portals lead back into itself, or two rooms
// that are each other's portals, branch at every level, and 32 levels of 6 portals is more
// work than any machine finishes. A room entered costs at most 20 facing tests, a polygon
// clipped at most 10 planes of 16 vertices and one fill, so both count alike.
// The most any pass of a valid level was measured to take is 58 (eight_rooms.b2 along its
// benchmark path; 29 for the shipped level, 51 for big_polygons.b2, 16 for two_rooms.b2, at
// every frame size, and 58 in the stress tests' generated levels with the eye in its room).
// A valid level that enters each of its 8 rooms once can do no more than 8 + 8 x 20 = 168;
// the budget is about 6 times that and 17 times the measured most, so a valid level seen
// through several doorways a room stays clear of it, while a hostile pass that spends it
// all still ends within about a quarter of a millisecond at 320 x 240.
constexpr int32_t MaxTraversalWork = 1024;

// What one traversal did, for tests and measurements.
struct TraversalCounts {
  int32_t roomVisits;               // rooms entered, the starting room included
  int32_t visitsPerRoom[MaxRooms];  // the same per room index
  int32_t wallsDrawn;               // clipped walls handed to drawWall
  int32_t deepestLevel;             // 1 when only the starting room was entered
  int32_t cappedVisits;             // visits refused at MaxTraversalDepth
  int32_t polygonsClipped;          // polygons that faced the eye and were clipped
  int32_t work;                     // roomVisits + polygonsClipped, at most MaxTraversalWork
  int32_t budgetExhausted;          // 1 when the pass stopped at MaxTraversalWork
};

// Draws the world as the camera sees it from room roomIndex through frustum: walls are
// filled, portals narrow the frustum and lead, depth first, into the room behind.
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum);

// The same, adding what it did to counts (which the caller zeroes).
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, TraversalCounts& counts);
