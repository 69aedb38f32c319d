#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "world/world.h"

// The unit normal and distance of a polygon's plane, from its first three corners.
// Returns false when they give no plane (collinear or coincident corners).
bool computePlane(WorldPolygon& polygon);

struct LevelLoadResult {
  bool ok;
  std::string message;  // empty when ok; otherwise names the file, the place and the fault
};

// The most vertices a level file's table may hold. The renderer can only ever refer to
// MaxRooms x MaxRoomPolygons x MaxPolygonVertices (2,560) of them; this is far above that
// and still bounds what a hostile header can make the loader read.
constexpr int32_t MaxLevelVertices = 65536;

// What the file said, taken from the very bytes the loader read, for tools that print a
// level: the header words, the vertex table (world units, as loaded) and each polygon's
// vertex indices. Filled only when the file loads; otherwise left empty.
struct LevelFileRecord {
  int32_t vertexCount = 0;
  int32_t secondWord = 0;  // read and ignored by the viewer
  int32_t roomCount = 0;
  std::vector<Vec3> vertices;
  int32_t wallCount[MaxRooms] = {};
  int32_t portalCount[MaxRooms] = {};
  int32_t vertexIndices[MaxRooms][MaxRoomPolygons][MaxPolygonVertices] = {};
};

// Fills roomCount and rooms from a level file. A file that breaks a limit, ends early,
// names a vertex or room that does not exist, holds a coordinate that is not finite or a
// polygon without a plane is refused as a whole: the world is left with no rooms.
// record, when given, receives what the file said (see LevelFileRecord).
LevelLoadResult loadLevel(World& world, const char* fileName, LevelFileRecord* record = nullptr);
