#pragma once
#include <memory>
#include <string>
#include <vector>

#include "world/world.h"

// An open door as the plan draws it: its box from above, in world x and z.
struct PlanDoor {
  double minX = 0, minZ = 0, maxX = 0, maxZ = 0;
};

// A level as the plan draws it: the world the viewer would load, plus what only a source
// knows (room names, open doors).
struct PlanLevel {
  std::string title;  // the file's name
  std::unique_ptr<World> world = std::make_unique<World>();
  std::vector<std::string> roomNames;  // empty names from a level file
  std::vector<PlanDoor> doors;
};

// A world as a level file gives it (no room names, no doors), under title.
inline void showWorld(PlanLevel& level, const World& world, const std::string& title) {
  level.title = title;
  *level.world = world;
  level.roomNames.assign(size_t(world.roomCount > 0 ? world.roomCount : 0), std::string());
  level.doors.clear();
}
