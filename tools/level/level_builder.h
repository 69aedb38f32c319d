#pragma once
#include <string>
#include <vector>

#include "tools/level/dvec3.h"
#include "tools/level/level_source.h"

// A level ready to be written: one vertex table in world units and, per room, its
// walls and portals as indices into it, every polygon wound so that the plane of its
// first three corners faces into the room.
struct BuiltPolygon {
  int targetRoom = -1;  // -1 for a wall
  std::vector<int> vertices;
  std::string what;  // "floor", "side 2", "opening to 'hall'": for messages
  int line = 0;      // the source line it comes from
  int opening = -1;  // a portal and its twin share this number
};

struct BuiltRoom {
  std::vector<BuiltPolygon> walls;
  std::vector<BuiltPolygon> portals;
};

struct BuiltLevel {
  std::vector<DVec3> vertices;
  std::vector<BuiltRoom> rooms;
};

// Builds the rooms' floors, ceilings and sides, opens every part of a side (or floor or
// ceiling) that two rooms share as a pair of portals, cuts the rest into convex walls,
// and checks the level's limits. Returns false with one message per fault, each naming
// the source line and the room.
bool buildLevel(const LevelSource& source, BuiltLevel& level, std::vector<std::string>& errors);
