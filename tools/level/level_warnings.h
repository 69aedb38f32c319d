#pragma once
#include <string>
#include <vector>

#include "tools/level/level_source.h"
#include "world/world.h"

// Things a valid level allows that an author almost never means: each one leaves the
// level loadable and drawable, but the viewer then shows something surprising.
struct LevelWarning {
  int room = -1;  // the room it concerns (-1: the level as a whole)
  std::string text;
};

// The start and the push distance they speak of are the viewer's own (StartEye in
// geometry/start_view.h, WallMargin in world/room_tracking.h).
// Parallel faces of two rooms closer than this, not joined by a portal, look like a
// missed opening.
constexpr double NearMissDistance = 0.05;

// Every warning for a level that passed its check, rooms in index order.
std::vector<LevelWarning> findLevelWarnings(const World& world);

// "FILE:LINE: warning: room 'hall' (room 0): text", the line the room's own.
std::string formatWarning(const LevelSource& source, const LevelWarning& warning);
// "PATH: warning: room 0: text", for a level file without its source.
std::string formatWarning(const std::string& path, const LevelWarning& warning);
