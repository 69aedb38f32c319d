#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry/camera.h"
#include "io/file_watch.h"
#include "world/world.h"

// Follows the level file the viewer shows, so a level author sees each saved version
// without a restart. The file is followed by io/file_watch.h: inotify on its folder where
// the system has it, and a look at the file's state at most once a second in any case;
// neither ever waits. A changed file is loaded into a world of its own and replaces the
// shown level only when it loaded whole; the camera (position, orientation, turning) and
// the walking state are not touched.

// How often the file's state is looked at without a word from inotify.
constexpr int64_t LevelCheckIntervalMs = 1000;

// The file's watch (its seen version is the one the current level came from, or was
// refused), plus what loading a new version needs.
struct LevelWatch : FileWatch {
  bool reportedMissing = false;
  std::unique_ptr<World> incoming;  // where a new version is loaded, made once
  int64_t loads = 0;                // load attempts, for tests
  std::vector<uint8_t> bytes;       // the last version read (shown when Reloaded), for a recording
};

enum class LevelWatchResult {
  Unchanged,  // nothing new (or not yet time to look)
  Reloaded,   // the new version is shown
  Refused,    // the loader refused the new version; its message was printed; old level kept
  Missing,    // the file is gone; old level kept
};

// Starts following path, whose current version the viewer has just loaded. Returns false
// when the watch cannot be made (no memory); the viewer then simply does not follow.
bool startLevelWatch(LevelWatch& watch, const std::string& path, int64_t nowMs);
// Lets go of inotify.
void stopLevelWatch(LevelWatch& watch);

// Once per pass of the main loop, before the pass: looks for a new version and, when one
// loaded whole, puts it into world. currentRoom becomes the room that holds the camera's
// eye (the tracking's rule: the highest such room), or room 0 when none does.
// Refusals and a vanished file are printed on standard error once per version.
LevelWatchResult pollLevelWatch(LevelWatch& watch, World& world, const Camera& camera, int64_t nowMs);

// The monotonic clock pollLevelWatch expects, in milliseconds.
inline int64_t levelWatchClockMs() { return monotonicMs(); }
