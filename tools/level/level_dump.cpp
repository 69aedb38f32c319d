#include "tools/level/level_dump.h"

#include <cstdio>
#include <memory>

#include "tools/level/level_inputs.h"
#include "viewer/palette.h"

namespace {

// Adding zero turns -0 into 0, which reads better and means the same.
std::string format(const char* pattern, double a, double b, double c) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a + 0.0, b + 0.0, c + 0.0);
  return text;
}

// The colour a wall shows: its palette index through the viewer's own palette.
std::string shownColour(int32_t index) {
  if (index < 0 || index >= PaletteSize) return " (outside the palette)";
  const PaletteEntry& e = viewerPalette()[index];
  return format(" (shown as rgb %.0f %.0f %.0f)", e.red, e.green, e.blue);
}

}  // namespace

std::string formatLevelDump(const std::string& path, const World& world, const LevelFileRecord& record) {
  std::string text = path + ": " + std::to_string(record.vertexCount) + " vertices, " +
                     std::to_string(record.roomCount) + " rooms; second header word " +
                     std::to_string(record.secondWord) + " (read and ignored by the viewer)\n";
  text +=
      "walls: 'colour index' is the palette index the viewer fills the wall with, and the rgb it shows;\n"
      "       'loader colour' is the three draws the loader stores with the wall, never shown\n";
  text += "vertices, world units (x, y, z):\n";
  for (size_t i = 0; i < record.vertices.size(); ++i) {
    const Vec3& v = record.vertices[i];
    text += "  " + std::to_string(i) + ": " + format("(%g, %g, %g)\n", v.x, v.y, v.z);
  }
  for (int32_t r = 0; r < record.roomCount && r < world.roomCount && r < MaxRooms; ++r) {
    const Room& room = world.rooms[r];
    text += "room " + std::to_string(r) + ": " + std::to_string(record.wallCount[r]) + " walls, " +
            std::to_string(record.portalCount[r]) + " portals\n";
    for (int32_t p = 0; p < room.polygonCount && p < MaxRoomPolygons; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      text += "  polygon " + std::to_string(p) + ": ";
      if (polygon.targetRoom < 0) {
        const Vec3& c = polygon.outline.colours[0];
        text += "wall, colour index " + std::to_string(polygon.outline.colourIndex) +
                shownColour(polygon.outline.colourIndex) + format(", loader colour %.1f %.1f %.1f", c.x, c.y, c.z);
      } else {
        text += "portal to room " + std::to_string(polygon.targetRoom);
      }
      const Plane& plane = polygon.plane;
      text += format(", plane (%.4f, %.4f, %.4f)", plane.normal.x, plane.normal.y, plane.normal.z);
      char d[48];
      std::snprintf(d, sizeof d, " d %.4f", double(plane.d) + 0.0);
      text += d;
      text += ", vertices";
      for (int32_t k = 0; k < polygon.outline.vertexCount && k < MaxPolygonVertices; ++k) {
        text += " " + std::to_string(record.vertexIndices[r][p][k]);
      }
      text += "\n";
    }
  }
  return text;
}

bool dumpLevelFile(const std::string& path, std::string& text, std::string& error) {
  if (!levelFileUsable(path, error)) return false;
  auto world = std::make_unique<World>();
  auto record = std::make_unique<LevelFileRecord>();
  const LevelLoadResult loaded = loadLevel(*world, path.c_str(), record.get());
  if (!loaded.ok) {
    error = loaded.message + (loaded.note.empty() ? "" : "\n" + loaded.note);
    return false;
  }
  text = formatLevelDump(path, *world, *record);
  return true;
}
