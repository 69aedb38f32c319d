#include "viewer/level_watch.h"

#include <cstdio>
#include <new>

#include "viewer/level_adopt.h"
#include "world/level_loader.h"

bool startLevelWatch(LevelWatch& watch, const std::string& path, int64_t nowMs) {
  stopLevelWatch(watch);
  watch.path = path;
  watch.incoming.reset(new (std::nothrow) World);
  if (!watch.incoming) return false;
  watch.reportedMissing = false;
  startFileWatch(watch, path, LevelCheckIntervalMs, nowMs);
  return true;
}

void stopLevelWatch(LevelWatch& watch) { stopFileWatch(watch); }

LevelWatchResult pollLevelWatch(LevelWatch& watch, World& world, const Camera& camera, int64_t nowMs) {
  if (!watch.incoming || !fileChanged(watch, nowMs)) return LevelWatchResult::Unchanged;
  if (!watch.seen.exists) {
    if (!watch.reportedMissing) {
      std::fprintf(stderr, "%s: gone; the level shown stays until it comes back\n", watch.path.c_str());
    }
    watch.reportedMissing = true;
    return LevelWatchResult::Missing;
  }
  watch.reportedMissing = false;
  ++watch.loads;
  World& incoming = *watch.incoming;
  const LevelLoadResult loaded = loadLevel(incoming, watch.path.c_str(), nullptr, &watch.bytes);
  if (!loaded.ok) {
    // Printed once: the same version is not loaded again.
    std::fprintf(stderr, "%s (the level shown stays)\n", loaded.message.c_str());
    if (!loaded.note.empty()) std::fprintf(stderr, "quellor: %s\n", loaded.note.c_str());
    return LevelWatchResult::Refused;
  }
  adoptLevel(world, incoming, camera.position);
  return LevelWatchResult::Reloaded;
}
