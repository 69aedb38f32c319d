#include "tools/level/level_writer.h"

#include <cmath>
#include <cstring>

#include "io/output_file.h"

#include "world/world.h"

float levelCoordinate(double world) {
  const float first = float(world / double(LevelScale));
  float best = first;
  double bestError = std::fabs(double(first * LevelScale) - world);
  for (const float candidate : {std::nextafter(first, -INFINITY), std::nextafter(first, INFINITY)}) {
    const double error = std::fabs(double(candidate * LevelScale) - world);
    if (error < bestError) {
      best = candidate;
      bestError = error;
    }
  }
  return best;
}

namespace {

void putInt(std::vector<uint8_t>& out, int32_t value) {
  uint32_t word;
  std::memcpy(&word, &value, 4);
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(word >> (8 * i)));
}

void putFloat(std::vector<uint8_t>& out, float value) {
  int32_t bits;
  std::memcpy(&bits, &value, 4);
  putInt(out, bits);
}

void putIndices(std::vector<uint8_t>& out, const std::vector<int>& indices) {
  putInt(out, int32_t(indices.size()));
  for (int i : indices) putInt(out, i);
}

}  // namespace

std::vector<uint8_t> encodeLevel(const BuiltLevel& level) {
  std::vector<uint8_t> out;
  putInt(out, int32_t(level.vertices.size()));
  putInt(out, 0);
  putInt(out, int32_t(level.rooms.size()));
  for (const DVec3& v : level.vertices) {
    putFloat(out, levelCoordinate(v.z));
    putFloat(out, levelCoordinate(v.x));
    putFloat(out, levelCoordinate(v.y));
  }
  for (const BuiltRoom& room : level.rooms) {
    putInt(out, int32_t(room.walls.size()));
    putInt(out, int32_t(room.portals.size()));
    for (const BuiltPolygon& wall : room.walls) putIndices(out, wall.vertices);
    for (const BuiltPolygon& portal : room.portals) {
      putInt(out, portal.targetRoom);
      putIndices(out, portal.vertices);
    }
  }
  return out;
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  return writeFileAtomically(path, bytes, error);
}
