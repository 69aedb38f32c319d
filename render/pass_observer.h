#pragma once
// What a pass can report of its own work, step by step, to whoever asks (the frame
// explainer, tests): the rooms it enters, the polygons it clips, the frusta its portals
// give, the rows its walls fill. A pass reports only when it is handed a PassWatch; without
// one it runs as if this file did not exist.
//
// A pass is a sequence of steps, each one unit of its work budget (MaxTraversalWork): a
// room entered, or a polygon that faces the eye clipped (and, for a wall, filled; for a
// portal, its frustum built). So a pass has at most MaxTraversalWork steps. A pass can be
// told to stop after its first k steps, keeping what those steps drew: the frame "up to
// step k". Polygons that face away are tested but are not steps.
#include <cstdint>

#include "geometry/polygon.h"
#include "render/clip.h"
#include "render/projection.h"
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

// What one traversal did, for tests, measurements and the explainer's counters.
struct TraversalCounts {
  int32_t roomVisits;               // rooms entered, the starting room included
  int32_t visitsPerRoom[MaxRooms];  // the same per room index
  int32_t wallsDrawn;               // clipped walls handed to drawWall
  int32_t deepestLevel;             // 1 when only the starting room was entered
  int32_t cappedVisits;             // visits refused at MaxTraversalDepth
  int32_t polygonsClipped;          // polygons that faced the eye and were clipped
  int32_t work;                     // roomVisits + polygonsClipped, at most MaxTraversalWork
  int32_t budgetExhausted;          // 1 when the pass stopped at MaxTraversalWork
  int32_t polygonsTested;           // polygons of entered rooms given the facing test
  int32_t polygonsCulled;           // polygons clipped away to nothing
  int32_t rowsFilled;               // rows the filled walls cover on the frame
  int32_t spansFilled;              // of those, rows with a span to paint
  int64_t pixelsFilled;             // pixels those spans paint
};

enum class StepKind : int32_t {
  Room,    // a room entered, through the screen or a portal's frustum
  Wall,    // a wall facing the eye, clipped and, unless culled, filled
  Portal,  // a portal facing the eye, clipped and, unless culled, a frustum built through it
};

// A room entered. depth is 0 for the camera's room, 1 for a room seen through one portal.
struct RoomEntry {
  int32_t step;
  int32_t room, depth;
  const Frustum* frustum;  // the frustum the room is seen through
};

// A polygon of an entered room: tested for facing and, when it faces the eye, clipped.
struct PolygonClip {
  int32_t step;  // 0 when the polygon faces away: it is tested, not clipped, not a step
  StepKind kind;
  int32_t room, depth, polygon;
  int32_t targetRoom;  // -1 for a wall
  ClipResult result;   // ClipCulled when it faces away
  const Frustum* frustum;
  // The frustum's planes that cut the polygon, in the order applied (the last of them
  // culled it when the result is ClipCulled); a plane with the polygon wholly in front
  // of it cuts nothing and is not listed.
  const uint8_t* cutBy;
  int32_t cutCount;
  const WorkingPolygon* outline;  // the clipped outline in world space; null unless visible
};

// A visible portal's frustum: planes through the eye and the clipped outline's edges.
// Fewer than 3 planes bound no pyramid, and the portal leads nowhere.
struct PortalFrustum {
  int32_t step;
  int32_t room, depth, polygon, targetRoom;
  const Frustum* frustum;
  int32_t planeCount;
};

// A visible wall's fill, after it was painted (or kept for the frame's one write).
struct WallFill {
  int32_t step;
  int32_t room, depth, polygon;
  uint8_t colour;               // the index it was filled with
  const ScreenPolygon* screen;  // its projection; null when it could not be projected
  int32_t rows, spans;          // rows it covers on the frame, rows with a span
  int64_t pixels;               // pixels its spans paint
};

// The receiver of a pass's reports. Every member does nothing unless overridden.
class PassObserver {
 public:
  virtual ~PassObserver() = default;
  virtual void roomEntered(const RoomEntry&) {}
  virtual void polygonClipped(const PolygonClip&) {}
  virtual void portalFrustumBuilt(const PortalFrustum&) {}
  // Each row of a filled wall with a span on the frame, top to bottom, before its
  // wallFilled; only asked for when rowsWanted() is true.
  virtual bool rowsWanted() const { return false; }
  virtual void wallRow(int32_t /*row*/, int32_t /*left*/, int32_t /*right*/) {}
  virtual void wallFilled(const WallFill&) {}
  // The pass would have taken one more step but its work budget was spent.
  virtual void budgetSpent(int32_t /*steps*/) {}
  // The pass is over: what it did, as counted.
  virtual void passEnded(const TraversalCounts&) {}
};

// How a pass is watched, and what it is told beside drawing the frame.
struct PassWatch {
  PassObserver* observer = nullptr;
  // Steps after this many are not taken, as when the work budget runs out: the frame
  // keeps what the first stopAfterSteps steps drew. Negative: no limit.
  int32_t stopAfterSteps = -1;
  // When set, MaxTraversalDepth palette indices: each wall is filled with its depth's
  // index instead of its own (the pixels covered stay the same).
  const uint8_t* wallColourByDepth = nullptr;
  TraversalCounts* counts = nullptr;  // when set, receives the pass's counts (zeroed first)
};
