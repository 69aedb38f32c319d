#include "tools/level/plan_input.h"

#include "io/input_file.h"
#include "tools/level/level_builder.h"
#include "tools/level/level_writer.h"
#include "world/level_loader.h"

namespace {

constexpr size_t MaxSourceBytes = 16 * MiB;

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The coordinate the viewer ends up with: the file's float times the loader's factor.
float loadedCoordinate(double world) { return levelCoordinate(world) * LevelScale; }

// The world the loader would make of the built level, without a file in between.
void fillWorld(const BuiltLevel& built, World& world) {
  world.roomCount = int32_t(built.rooms.size());
  for (size_t r = 0; r < built.rooms.size(); ++r) {
    Room& room = world.rooms[r];
    room.polygonCount = 0;
    auto add = [&](const BuiltPolygon& from, int target) {
      WorldPolygon& polygon = room.polygons[room.polygonCount++];
      polygon = WorldPolygon{};
      polygon.targetRoom = target;
      polygon.outline.vertexCount = int32_t(from.vertices.size());
      for (size_t k = 0; k < from.vertices.size(); ++k) {
        const DVec3& v = built.vertices[size_t(from.vertices[k])];
        polygon.outline.vertices[k] = {loadedCoordinate(v.x), loadedCoordinate(v.y), loadedCoordinate(v.z)};
      }
      computePlane(polygon);
    };
    for (const BuiltPolygon& wall : built.rooms[r].walls) add(wall, -1);
    for (const BuiltPolygon& portal : built.rooms[r].portals) add(portal, portal.targetRoom);
  }
}

}  // namespace

bool readPlanLevel(const std::string& path, PlanLevel& level, std::vector<std::string>& errors) {
  const size_t slash = path.rfind('/');
  level.title = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!endsWith(path, ".json")) {
    const LevelLoadResult loaded = loadLevel(*level.world, path.c_str());
    if (!loaded.ok) errors.push_back(loaded.message);
    level.roomNames.assign(size_t(level.world->roomCount), std::string());
    return loaded.ok;
  }
  std::string text, error;
  if (!readInputFile(path, MaxSourceBytes, "a level source", text, error)) {
    errors.push_back(error);
    return false;
  }
  LevelSource source;
  BuiltLevel built;
  if (!readLevelSource(text, path, source, errors) || !buildLevel(source, built, errors)) return false;
  fillWorld(built, *level.world);
  for (const LevelSourceRoom& room : source.rooms) level.roomNames.push_back(room.name);
  level.doors = source.doors;
  return true;
}
