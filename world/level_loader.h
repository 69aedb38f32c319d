#pragma once
#include <string>

#include "world/world.h"

// The unit normal and distance of a polygon's plane, from its first three corners.
// Returns false when they give no plane (collinear or coincident corners).
bool computePlane(WorldPolygon& polygon);

struct LevelLoadResult {
  bool ok;
  std::string message;  // empty when ok; otherwise names the file, the place and the fault
};

// Fills roomCount and rooms from a level file. A file that breaks a limit, ends early,
// names a vertex or room that does not exist, holds a coordinate that is not finite or a
// polygon without a plane is refused as a whole: the world is left with no rooms.
LevelLoadResult loadLevel(World& world, const char* fileName);
