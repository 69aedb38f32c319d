#include "viewer/recorded_levels.h"

#include <memory>
#include <new>

#include "viewer/level_adopt.h"
#include "world/level_loader.h"

const RecordedLevel* startingLevel(const Recording& recording) {
  const Recording::Range start = recording.passLevels(0);
  return start.first == start.last ? nullptr : &recording.levels[start.last - 1];
}

std::vector<bool> recordedLevelsThatLoad(const Recording& recording) {
  std::vector<bool> loads(recording.levels.size());
  std::unique_ptr<World> scratch(new (std::nothrow) World);
  for (size_t i = 0; scratch && i < loads.size(); ++i) {
    const RecordedLevel& level = recording.levels[i];
    loads[i] = parseLevel(*scratch, level.name.c_str(), level.bytes.data(), level.bytes.size()).ok;
  }
  return loads;
}

int64_t shownLevelIndex(const Recording& recording, const std::vector<bool>& loads, int64_t pass) {
  // Versions after pass do not count; of the rest, the last the loader takes.
  int64_t i = int64_t(recording.passLevels(pass).last) - 1;
  while (i >= 0 && !loads[size_t(i)]) --i;
  return i;
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
