#include "world/level_loader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "geometry/vec_math.h"
#include "io/file_reader.h"
#include "world/level_random.h"
#include "world/level_source_note.h"

bool computePlane(WorldPolygon& polygon) {
  const Vec3* q = polygon.outline.vertices;
  const Vec3 e{q[0].x - q[1].x, q[0].y - q[1].y, q[0].z - q[1].z};
  const Vec3 f{q[2].x - q[1].x, q[2].y - q[1].y, q[2].z - q[1].z};
  const Vec3 m{float(double(e.y) * f.z - double(e.z) * f.y), float(double(e.z) * f.x - double(e.x) * f.z),
               float(double(e.x) * f.y - double(e.y) * f.x)};
  const double length = std::sqrt(dot(m, m));
  Plane& plane = polygon.plane;
  plane.normal = {float(m.x / length), float(m.y / length), float(m.z / length)};
  plane.d = float(-dot(plane.normal, q[0]));
  const Vec3& n = plane.normal;
  return length > 0.0 && std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z) && std::isfinite(plane.d);
}

namespace {

// Reads the level's 32-bit little-endian fields one at a time from its bytes, and words
// the refusal of bad bytes: the file's name, where the reading stood, and what was wrong.
class LevelParser {
 public:
  LevelParser(const char* name, const uint8_t* bytes, size_t size) : name_(name), bytes_(bytes), size_(size) {}

  bool readInt(int32_t& value, const char* field) {
    if (size_ - at_ < 4) return fail(std::string("the file ends early, at ") + field);
    const uint8_t* b = bytes_ + at_;
    at_ += 4;
    const uint32_t word = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    std::memcpy(&value, &word, 4);
    return true;
  }

  bool readFloat(float& value, const char* field) {
    int32_t bits = 0;
    if (!readInt(bits, field)) return false;
    std::memcpy(&value, &bits, 4);
    return true;
  }

  // Sets where the reading stands, for messages: room r, polygon p (or -1), vertex v (or -1).
  void at(int room, int polygon = -1, int vertex = -1) {
    room_ = room;
    polygon_ = polygon;
    vertex_ = vertex;
  }

  bool fail(const std::string& what) {
    std::string where;
    if (room_ >= 0) where += "room " + std::to_string(room_);
    if (polygon_ >= 0) where += ", polygon " + std::to_string(polygon_);
    if (vertex_ >= 0) where += ", vertex " + std::to_string(vertex_);
    message_ = name_ + ": " + (where.empty() ? "" : where + ": ") + what;
    return false;
  }

  const std::string& message() const { return message_; }

 private:
  std::string name_;
  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  std::string message_;
  int room_ = -1, polygon_ = -1, vertex_ = -1;
};

bool readVertexTable(LevelParser& in, int32_t vertexCount, std::vector<Vec3>& table) {
  if (vertexCount < 0) return in.fail("vertex count " + std::to_string(vertexCount) + " is negative");
  // Refused before a record is read: a header may claim billions.
  if (vertexCount > MaxLevelVertices) {
    return in.fail("vertex count " + std::to_string(vertexCount) + " is more than " + std::to_string(MaxLevelVertices) +
                   ", the most a level file may hold");
  }
  // Grown as records arrive, so a count larger than the file costs nothing.
  for (int32_t i = 0; i < vertexCount; ++i) {
    float z = 0, x = 0, y = 0;
    if (!in.readFloat(z, "the vertex table") || !in.readFloat(x, "the vertex table") ||
        !in.readFloat(y, "the vertex table")) {
      return false;
    }
    const Vec3 v{x * LevelScale, y * LevelScale, z * LevelScale};
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
      return in.fail("vertex " + std::to_string(i) + " has a coordinate that is not finite");
    }
    table.push_back(v);
  }
  return true;
}

bool readOutline(LevelParser& in, const std::vector<Vec3>& table, ClipPolygon& outline, const Vec3* colour,
                 int32_t* indices) {
  int32_t n = 0;
  if (!in.readInt(n, "a vertex count")) return false;
  if (n > MaxPolygonVertices) {
    return in.fail(std::to_string(n) + " vertices, more than " + std::to_string(MaxPolygonVertices));
  }
  if (n < 3) return in.fail(std::to_string(n) + " vertices, fewer than 3");
  outline.vertexCount = n;
  for (int32_t k = 0; k < n; ++k) {
    int32_t index = 0;
    if (!in.readInt(index, "a vertex index")) return false;
    if (index < 0 || index >= int32_t(table.size())) {
      return in.fail("vertex index " + std::to_string(index) + " is outside the vertex table (" +
                     std::to_string(table.size()) + " vertices)");
    }
    indices[k] = index;
    outline.vertices[k] = table[size_t(index)];
    outline.colours[k] = colour ? *colour : Vec3{0, 0, 0};
    outline.flags[k] = 0;
  }
  return true;
}

bool readRooms(LevelParser& in, const std::vector<Vec3>& table, int32_t roomCount, Room* rooms,
               LevelFileRecord& record) {
  LevelRandom random;
  for (int32_t r = 0; r < roomCount; ++r) {
    in.at(r);
    Room& room = rooms[r];
    int32_t walls = 0, portals = 0;
    if (!in.readInt(walls, "a wall count") || !in.readInt(portals, "a portal count")) return false;
    if (walls < 0 || portals < 0) {
      return in.fail("negative wall or portal count (" + std::to_string(walls) + " walls, " + std::to_string(portals) +
                     " portals)");
    }
    if (int64_t(walls) + portals > MaxRoomPolygons) {
      return in.fail(std::to_string(walls) + " walls and " + std::to_string(portals) + " portals, more than " +
                     std::to_string(MaxRoomPolygons) + " polygons");
    }
    room.polygonCount = walls + portals;
    record.wallCount[r] = walls;
    record.portalCount[r] = portals;
    for (int32_t p = 0; p < walls + portals; ++p) {
      in.at(r, p);
      WorldPolygon& polygon = room.polygons[p];
      polygon.outline.colourIndex = 0;
      if (p < walls) {
        polygon.targetRoom = -1;
        // Three draws for the colour before the corners, one for the index after the plane.
        Vec3 colour;
        colour.x = 256.0f * float(random.next()) / 32767.0f;
        colour.y = 256.0f * float(random.next()) / 32767.0f;
        colour.z = 256.0f * float(random.next()) / 32767.0f;
        if (!readOutline(in, table, polygon.outline, &colour, record.vertexIndices[r][p])) return false;
        if (!computePlane(polygon)) return in.fail("its first three vertices give no plane");
        polygon.outline.colourIndex = random.next() % 15 + 1;
      } else {
        if (!in.readInt(polygon.targetRoom, "a portal's target room")) return false;
        if (polygon.targetRoom < 0 || polygon.targetRoom >= roomCount) {
          return in.fail("portal target room " + std::to_string(polygon.targetRoom) +
                         " is outside the level's rooms (" + std::to_string(roomCount) + " rooms)");
        }
        if (!readOutline(in, table, polygon.outline, nullptr, record.vertexIndices[r][p])) return false;
        if (!computePlane(polygon)) return in.fail("its first three vertices give no plane");
      }
    }
  }
  return true;
}

// The file's bytes, through the reader, up to one more than the longest level: the parse
// needs no more, and a file of any size costs no more memory than that.
bool readLevelFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& openFailure) {
  FileReader reader;
  reader.open(fileName);
  if (reader.failed()) {
    openFailure = reader.openFailure();
    reader.close();
    return false;
  }
  constexpr size_t Limit = MaxLevelFileBytes + 1;
  constexpr size_t Piece = 64 * 1024;
  // Until the end (a read of nothing) or the limit; a failed read is reported by the reader
  // and ends the reading, and the parse then finds the file short.
  for (size_t have = 0; have < Limit;) {
    const size_t want = std::min(Piece, Limit - have);
    bytes.resize(have + want);
    uint32_t got = 0;
    reader.read(bytes.data() + have, int32_t(want), got);
    have += got;
    bytes.resize(have);
    if (got == 0) break;
  }
  reader.close();
  return true;
}

}  // namespace

LevelLoadResult parseLevel(World& world, const char* name, const uint8_t* bytes, size_t size, LevelFileRecord* record) {
  world.roomCount = 0;
  if (record) *record = LevelFileRecord{};
  LevelParser in(name, bytes, size);
  int32_t vertexCount = 0, unusedWord = 0, roomCount = 0;
  std::vector<Vec3> table;
  bool ok = in.readInt(vertexCount, "the vertex count") && in.readInt(unusedWord, "the header") &&
            in.readInt(roomCount, "the room count");
  if (ok && (roomCount < 0 || roomCount > MaxRooms)) {
    ok = in.fail("room count " + std::to_string(roomCount) + " is outside 0.." + std::to_string(MaxRooms));
  }
  ok = ok && readVertexTable(in, vertexCount, table);
  // Rooms (and what the file said of them) are read aside and copied in whole, so a
  // refused file leaves nothing behind.
  auto rooms = std::make_unique<Room[]>(MaxRooms);
  auto said = std::make_unique<LevelFileRecord>();
  ok = ok && readRooms(in, table, roomCount, rooms.get(), *said);
  if (!ok) return {false, in.message(), levelSourceNote(name, bytes, size)};
  if (record) {
    said->vertexCount = vertexCount;
    said->secondWord = unusedWord;
    said->roomCount = roomCount;
    said->vertices = std::move(table);
    *record = std::move(*said);
  }
  std::copy(rooms.get(), rooms.get() + roomCount, world.rooms);
  world.roomCount = roomCount;
  return {true, {}};
}

LevelLoadResult loadLevel(World& world, const char* fileName, LevelFileRecord* record,
                          std::vector<uint8_t>* bytesRead) {
  world.roomCount = 0;
  if (record) *record = LevelFileRecord{};
  if (bytesRead) bytesRead->clear();
  std::vector<uint8_t> bytes;
  std::string why;
  if (!readLevelFile(fileName, bytes, why)) return {false, std::string(fileName) + ": cannot be opened: " + why};
  const LevelLoadResult result = parseLevel(world, fileName, bytes.data(), bytes.size(), record);
  if (bytesRead) *bytesRead = std::move(bytes);
  return result;
}
