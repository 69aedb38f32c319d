#pragma once
#include <cstddef>
#include <cstdint>
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
// renderer's own side tolerance, for levels within ToleranceExtent of the origin.
constexpr double CheckTolerance = 0.001;
// A float's rounding grows with the coordinate: beyond this extent (the sources' limit)
// the tolerance grows in proportion, so a valid level stays valid at any scale.
constexpr double ToleranceExtent = 1000.0;
// Coordinates beyond this are out of range: a polygon's plane is the difference of two
// products of coordinate differences, stored in a float, which overflows once the
// coordinates pass about 6.5e18 world units; this keeps a margin below that.
constexpr double MaxCheckCoordinate = 4e18;

// The tolerance for one level: CheckTolerance, scaled by its largest coordinate (in
// range) over ToleranceExtent where that is larger.
double checkToleranceFor(const World& world);

// Every invariant the viewer relies on: usable, flat, convex polygons wound consistently;
// convex, closed rooms whose normals face inwards; portals matched by a twin in their
// target room; rooms that do not overlap.
std::vector<LevelProblem> checkWorld(const World& world);

// Loads the file with the viewer's loader and checks the level. A file the loader
// refuses, or a path that is not a regular file (not opened), is one problem carrying
// the message, without the path in front (the caller prints it). world holds the loaded
// level. note, when given, receives the loader's line for a level source given in place
// of a level file (LevelLoadResult::note), or is emptied.
std::vector<LevelProblem> checkLevelFile(const std::string& path, World& world, std::string* note = nullptr);

// The same for a level file's bytes, parsed as the loader parses them; name stands for
// the file.
std::vector<LevelProblem> checkLevelBytes(const std::string& name, const uint8_t* bytes, size_t size, World& world,
                                          std::string* note = nullptr);

// "room 1 polygon 3 (portal to room 2): text"
std::string formatProblem(const World& world, const LevelProblem& problem);
