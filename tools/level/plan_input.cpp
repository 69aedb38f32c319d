#include "tools/level/plan_input.h"

#include "io/path_parts.h"
#include "tools/level/level_builder.h"
#include "tools/level/level_inputs.h"
#include "tools/level/level_writer.h"
#include "world/level_loader.h"

namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::vector<PlanDoor> planDoorsOf(const std::vector<LevelSourceDoor>& doors) {
  std::vector<PlanDoor> open;
  for (const LevelSourceDoor& door : doors) {
    if (!door.closed) open.push_back(PlanDoor{door.min.x, door.min.z, door.max.x, door.max.z});
  }
  return open;
}

bool readPlanLevel(const std::string& path, PlanLevel& level, std::vector<std::string>& errors) {
  level.title = fileNameOf(path);
  if (!endsWith(path, ".json")) {
    const LevelLoadResult loaded = loadLevel(*level.world, path.c_str());
    if (!loaded.ok) errors.push_back(loaded.message);
    level.roomNames.assign(size_t(level.world->roomCount), std::string());
    return loaded.ok;
  }
  std::string text, error;
  if (!readLevelSourceFile(path, text, error)) {
    errors.push_back(error);
    return false;
  }
  LevelSource source;
  BuiltLevel built;
  if (!readLevelSource(text, path, source, errors) || !buildLevel(source, built, errors)) return false;
  // The world the loader makes of the built level's bytes, without a file in between.
  const std::vector<uint8_t> bytes = encodeLevel(built);
  const LevelLoadResult loaded = parseLevel(*level.world, path.c_str(), bytes.data(), bytes.size());
  if (!loaded.ok) {
    errors.push_back(loaded.message);
    return false;
  }
  for (const LevelSourceRoom& room : source.rooms) level.roomNames.push_back(room.name);
  level.doors = planDoorsOf(source.doors);
  return true;
}
