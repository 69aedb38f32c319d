#include "viewer/level_watch.h"

#include <sys/stat.h>
#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <new>

#include "world/level_loader.h"

LevelFileState levelFileState(const std::string& path) {
  LevelFileState state;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return state;
  state.exists = true;
  state.device = uint64_t(info.st_dev);
  state.inode = uint64_t(info.st_ino);
  state.size = int64_t(info.st_size);
#if defined(__linux__)
  state.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + int64_t(info.st_mtim.tv_nsec);
#else
  state.modifiedNs = int64_t(info.st_mtime) * 1000000000;
#endif
  return state;
}

namespace {

// Empties the inotify queue without waiting. True when anything happened in the folder:
// builders write a temporary file and rename it, so any event there means "look again".
bool folderChanged(LevelWatch& watch) {
#if defined(__linux__)
  if (watch.notifyFd < 0) return false;
  alignas(inotify_event) char buffer[4096];
  bool any = false;
  while (::read(watch.notifyFd, buffer, sizeof buffer) > 0) any = true;
  return any;
#else
  (void)watch;
  return false;
#endif
}

bool holdsEye(const Room& room, const Vec3& eye) {
  for (int p = 0; p < room.polygonCount; ++p) {
    if (classifyPoint(room.polygons[p].plane, eye) == SideBehind) return false;
  }
  return true;
}

void adopt(World& world, const World& incoming, const Vec3& eye) {
  world.roomCount = incoming.roomCount;
  for (int r = 0; r < incoming.roomCount; ++r) world.rooms[r] = incoming.rooms[r];
  int current = 0;
  for (int r = 0; r < world.roomCount; ++r) {
    if (holdsEye(world.rooms[r], eye)) current = r;
  }
  world.currentRoom = current;
}

}  // namespace

bool startLevelWatch(LevelWatch& watch, const std::string& path, int64_t nowMs) {
  stopLevelWatch(watch);
  watch.path = path;
  watch.incoming.reset(new (std::nothrow) World);
  if (!watch.incoming) return false;
  watch.shown = levelFileState(path);
  watch.nextCheckMs = nowMs + LevelCheckIntervalMs;
  watch.reportedMissing = false;
#if defined(__linux__)
  watch.notifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch.notifyFd >= 0) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (::inotify_add_watch(watch.notifyFd, folder.c_str(),
                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB) < 0) {
      ::close(watch.notifyFd);
      watch.notifyFd = -1;
    }
  }
#endif
  return true;
}

void stopLevelWatch(LevelWatch& watch) {
#if defined(__linux__)
  if (watch.notifyFd >= 0) ::close(watch.notifyFd);
#endif
  watch.notifyFd = -1;
}

LevelWatchResult pollLevelWatch(LevelWatch& watch, World& world, const Camera& camera, int64_t nowMs) {
  if (!watch.incoming) return LevelWatchResult::Unchanged;
  const bool told = folderChanged(watch);
  if (!told && nowMs < watch.nextCheckMs) return LevelWatchResult::Unchanged;
  watch.nextCheckMs = nowMs + LevelCheckIntervalMs;
  ++watch.checks;
  const LevelFileState now = levelFileState(watch.path);
  if (now == watch.shown) return LevelWatchResult::Unchanged;
  watch.shown = now;
  if (!now.exists) {
    if (!watch.reportedMissing) {
      std::fprintf(stderr, "%s: gone; the level shown stays until it comes back\n", watch.path.c_str());
    }
    watch.reportedMissing = true;
    return LevelWatchResult::Missing;
  }
  watch.reportedMissing = false;
  ++watch.loads;
  World& incoming = *watch.incoming;
  const LevelLoadResult loaded = loadLevel(incoming, watch.path.c_str());
  if (!loaded.ok) {
    // Printed once: the same version is not loaded again.
    std::fprintf(stderr, "%s (the level shown stays)\n", loaded.message.c_str());
    return LevelWatchResult::Refused;
  }
  adopt(world, incoming, camera.position);
  return LevelWatchResult::Reloaded;
}

int64_t levelWatchClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
