#pragma once
#include <cstddef>
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
  // A line for a person to read after the message, when the refused bytes are a level
  // source given where a level file belongs (levelSourceNote); empty otherwise.
  std::string note = {};
};

// The most vertices a level file's table may hold. The renderer can only ever refer to
// MaxRooms x MaxRoomPolygons x MaxPolygonVertices (2,560) of them; this is far above that
// and still bounds what a hostile header can make the loader read.
constexpr int32_t MaxLevelVertices = 65536;

// The longest level file the loader accepts: the header, a full vertex table, and every
// room holding its most polygons, each a portal (8 bytes more than its corners) of the most
// corners. The loader reads no further than the end of the last room, so no more of a file
// is ever needed.
constexpr size_t MaxLevelFileBytes =
    12 + size_t(MaxLevelVertices) * 12 + size_t(MaxRooms) * (8 + MaxRoomPolygons * (8 + 4 * MaxPolygonVertices));
static_assert(MaxLevelFileBytes == 798028, "the bound follows the limits");

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

// Fills roomCount and rooms from the bytes of a level file; name stands for the file in
// messages. Bytes that break a limit, end early, name a vertex or room that does not exist,
// hold a coordinate that is not finite or a polygon without a plane are refused as a
// whole: the world is left with no rooms. Nothing after the last room is looked at.
// record, when given, receives what the bytes said (see LevelFileRecord).
LevelLoadResult parseLevel(World& world, const char* name, const uint8_t* bytes, size_t size,
                           LevelFileRecord* record = nullptr);

// parseLevel of the named file's bytes, read through the FileReader (whose reports and
// reasons a file that does not open gives). At most MaxLevelFileBytes + 1 bytes are read.
// bytesRead, when given, receives the bytes parsed (none when the file did not open), so a
// recording can carry the very version shown.
LevelLoadResult loadLevel(World& world, const char* fileName, LevelFileRecord* record = nullptr,
                          std::vector<uint8_t>* bytesRead = nullptr);
