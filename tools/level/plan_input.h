#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tools/level/level_source.h"
#include "world/world.h"

// A level as the plan draws it: the world the viewer would load, plus what only a source
// knows (room names, doors).
struct PlanLevel {
  std::string title;  // the file's name
  std::unique_ptr<World> world = std::make_unique<World>();
  std::vector<std::string> roomNames;  // empty names from a level file
  std::vector<LevelSourceDoor> doors;
};

// Reads a JSON source (by its ".json" ending; it is built, not written anywhere) or a level
// file through the viewer's loader. False with every message otherwise (the loader's own
// for a refused file).
bool readPlanLevel(const std::string& path, PlanLevel& level, std::vector<std::string>& errors);
