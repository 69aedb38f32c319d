#include "level_reference.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "world/level_loader.h"

namespace {

struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  bool word(int32_t& v) {
    if (size - at < 4) return false;
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = u << 8 | data[at + size_t(i)];
    std::memcpy(&v, &u, 4);
    at += 4;
    return true;
  }
  bool real(float& f) {
    int32_t v;
    if (!word(v)) return false;
    std::memcpy(&f, &v, 4);
    return true;
  }
};

bool readCorners(Cursor& in, const std::vector<Vec3>& table, ClipPolygon& outline) {
  int32_t n;
  if (!in.word(n) || n < 3 || n > MaxPolygonVertices) return false;
  outline.vertexCount = n;
  for (int32_t k = 0; k < n; ++k) {
    int32_t i;
    if (!in.word(i) || i < 0 || size_t(i) >= table.size()) return false;
    outline.vertices[k] = table[size_t(i)];
  }
  return true;
}

}  // namespace

ReferenceLevel readReferenceLevel(const uint8_t* data, size_t size, World& world) {
  ReferenceLevel result;
  Cursor in{data, size};
  int32_t vertexCount, unused, roomCount;
  if (!in.word(vertexCount) || !in.word(unused) || !in.word(roomCount)) return result;
  if (roomCount < 0 || roomCount > MaxRooms || vertexCount < 0 || vertexCount > MaxLevelVertices) return result;
  std::vector<Vec3> table;
  for (int32_t i = 0; i < vertexCount; ++i) {
    float z, x, y;
    if (!in.real(z) || !in.real(x) || !in.real(y)) return result;
    const Vec3 v{x * LevelScale, y * LevelScale, z * LevelScale};
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return result;
    table.push_back(v);
  }
  world.roomCount = roomCount;
  for (int32_t r = 0; r < roomCount; ++r) {
    result.room = r;
    result.polygon = -1;
    int32_t walls, portals;
    if (!in.word(walls) || !in.word(portals)) return result;
    if (walls < 0 || portals < 0 || int64_t(walls) + portals > MaxRoomPolygons) return result;
    Room& room = world.rooms[r];
    room.polygonCount = walls + portals;
    for (int32_t p = 0; p < room.polygonCount; ++p) {
      result.polygon = p;
      WorldPolygon& polygon = room.polygons[p];
      polygon.targetRoom = -1;
      if (p >= walls && (!in.word(polygon.targetRoom) || polygon.targetRoom < 0 || polygon.targetRoom >= roomCount)) {
        return result;
      }
      if (!readCorners(in, table, polygon.outline) || !computePlane(polygon)) return result;
    }
  }
  result = ReferenceLevel{};
  result.ok = true;
  return result;
}
