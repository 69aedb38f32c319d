#pragma once
#include <string>
#include <vector>

#include "plan/plan_level.h"
#include "tools/level/level_source.h"
#include "tools/level/path_ending.h"

// Where a plan of the level goes unless told: the level's name with ".svg" for its ending.
inline std::string defaultPlanPath(const std::string& levelPath) { return withEnding(levelPath, ".svg"); }

// The source's open doors, as the plan draws them.
std::vector<PlanDoor> planDoorsOf(const std::vector<LevelSourceDoor>& doors);

// Reads a JSON source (by its ".json" ending; it is built, not written anywhere) or a level
// file through the viewer's loader. False with every message otherwise (the loader's own
// for a refused file).
bool readPlanLevel(const std::string& path, PlanLevel& level, std::vector<std::string>& errors);
