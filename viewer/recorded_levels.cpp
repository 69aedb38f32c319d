#include "viewer/recorded_levels.h"

#include "viewer/level_adopt.h"
#include "world/level_loader.h"

const RecordedLevel* startingLevel(const Recording& recording) {
  const Recording::Range start = recording.passLevels(0);
  return start.first == start.last ? nullptr : &recording.levels[start.last - 1];
}

bool adoptRecordedLevels(const Recording& recording, int64_t pass, const std::string& fileName, World& world,
                         World& incoming, const Vec3& eye, std::string& error) {
  const Recording::Range range = recording.passLevels(pass);
  bool allLoaded = true;
  for (size_t i = range.first; i < range.last; ++i) {
    const RecordedLevel& level = recording.levels[i];
    const LevelLoadResult loaded = parseLevel(incoming, level.name.c_str(), level.bytes.data(), level.bytes.size());
    if (!loaded.ok) {
      error = fileName + ":" + std::to_string(level.line) + ": " + loaded.message + " (the level shown stays)";
      allLoaded = false;
      continue;
    }
    adoptLevel(world, incoming, eye);
  }
  return allLoaded;
}
