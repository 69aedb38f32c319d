#pragma once
#include <string>
#include <vector>

#include "world/world.h"

// One broken invariant of a level; room and polygon are -1 where the fault is not tied
// to one.
struct LevelProblem {
  int room = -1;
  int polygon = -1;
  std::string text;
};

// How far (world units) a vertex may lie off a plane and still count as on it: the
// renderer's own side tolerance.
constexpr double CheckTolerance = 0.001;

// Every invariant the viewer relies on: usable, flat, convex polygons wound consistently;
// convex, closed rooms whose normals face inwards; portals matched by a twin in their
// target room; rooms that do not overlap.
std::vector<LevelProblem> checkWorld(const World& world);

// Loads the file with the viewer's loader and checks the level. A file the loader
// refuses, or a path that is not a regular file (not opened), is one problem carrying
// the message. world holds the loaded level.
std::vector<LevelProblem> checkLevelFile(const std::string& path, World& world);

// "room 1 polygon 3 (portal to room 2): text"
std::string formatProblem(const World& world, const LevelProblem& problem);
