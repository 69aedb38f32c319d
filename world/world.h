#pragma once
#include <cstdint>

#include "geometry/polygon.h"
#include "geometry/vec3.h"

constexpr int MaxRooms = 8;
constexpr int MaxRoomPolygons = 20;
// Level-file units become world units through this factor.
constexpr float LevelScale = 10.0f;

// A wall (targetRoom -1) or a portal into targetRoom. The plane faces into the room.
struct WorldPolygon {
  int32_t targetRoom;
  ClipPolygon outline;
  Plane plane;
};

// A convex room: its walls in file order, then its portals in file order.
struct Room {
  int32_t polygonCount;
  WorldPolygon polygons[MaxRoomPolygons];
};

// The level in memory, one flat block addressed by indices, plus the fixed overview
// camera that looks straight down from above.
class World {
 public:
  int32_t roomCount = 0;
  int32_t overviewEnabled = 0;
  int32_t currentRoom = 0;
  Room rooms[MaxRooms];
  Vec3 overviewPosition{10, 15, 10};
  Matrix3 overviewOrientation{{{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}}};
};
