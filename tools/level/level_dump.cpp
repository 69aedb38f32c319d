#include "tools/level/level_dump.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "world/level_loader.h"

namespace {

// Reads the file's fields again in order, for what the loaded world does not keep:
// the vertex table and the vertex indices. The loader has already vouched for the layout.
class Fields {
 public:
  explicit Fields(std::vector<char> bytes) : bytes_(std::move(bytes)) {}
  int32_t next() {
    uint32_t word = 0;
    for (int i = 0; i < 4 && at_ < bytes_.size(); ++i) word |= uint32_t(uint8_t(bytes_[at_++])) << (8 * i);
    int32_t value;
    std::memcpy(&value, &word, 4);
    return value;
  }
  float nextFloat() {
    const int32_t bits = next();
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }

 private:
  std::vector<char> bytes_;
  size_t at_ = 0;
};

// Adding zero turns -0 into 0, which reads better and means the same.
std::string format(const char* pattern, double a, double b, double c) {
  char text[96];
  std::snprintf(text, sizeof text, pattern, a + 0.0, b + 0.0, c + 0.0);
  return text;
}

}  // namespace

bool dumpLevelFile(const std::string& path, std::string& text, std::string& error) {
  auto world = std::make_unique<World>();
  const LevelLoadResult loaded = loadLevel(*world, path.c_str());
  if (!loaded.ok) {
    error = loaded.message;
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  Fields in{std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())};
  const int32_t vertexCount = in.next();
  const int32_t secondWord = in.next();
  const int32_t roomCount = in.next();
  text = path + ": " + std::to_string(vertexCount) + " vertices, " + std::to_string(roomCount) +
         " rooms (second header word " + std::to_string(secondWord) + ")\n";
  text += "vertices, world units (x, y, z):\n";
  for (int32_t i = 0; i < vertexCount; ++i) {
    const float z = in.nextFloat(), x = in.nextFloat(), y = in.nextFloat();
    text += "  " + std::to_string(i) + ": " +
            format("(%g, %g, %g)\n", double(x * LevelScale), double(y * LevelScale), double(z * LevelScale));
  }
  for (int32_t r = 0; r < roomCount; ++r) {
    const Room& room = world->rooms[r];
    const int32_t walls = in.next(), portals = in.next();
    text += "room " + std::to_string(r) + ": " + std::to_string(walls) + " walls, " + std::to_string(portals) +
            " portals\n";
    for (int32_t p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (p >= walls) in.next();  // the target room, which the world holds too
      const int32_t n = in.next();
      std::string indices;
      for (int32_t k = 0; k < n; ++k) indices += " " + std::to_string(in.next());
      text += "  polygon " + std::to_string(p) + ": ";
      if (polygon.targetRoom < 0) {
        const Vec3& c = polygon.outline.colours[0];
        text += "wall, colour index " + std::to_string(polygon.outline.colourIndex) +
                format(" (rgb %.1f %.1f %.1f)", c.x, c.y, c.z);
      } else {
        text += "portal to room " + std::to_string(polygon.targetRoom);
      }
      const Plane& plane = polygon.plane;
      text += format(", plane (%.4f, %.4f, %.4f)", plane.normal.x, plane.normal.y, plane.normal.z);
      char d[48];
      std::snprintf(d, sizeof d, " d %.4f", double(plane.d) + 0.0);
      text += d;
      text += ", vertices" + indices + "\n";
    }
  }
  return true;
}
