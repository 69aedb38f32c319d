#pragma once
#include <string>
#include <vector>

#include "tools/level/dvec3.h"

// A level as its designer writes it, in world units (the viewer's and the trace's units;
// the file stores them divided by 10). Every item remembers its source line for messages.

// A floor or ceiling: the plane y = height + slopeX * (x - atX) + slopeZ * (z - atZ).
struct LevelSurface {
  double height = 0, atX = 0, atZ = 0, slopeX = 0, slopeZ = 0;
  int line = 0;
  double heightAt(double x, double z) const { return height + slopeX * (x - atX) + slopeZ * (z - atZ); }
};

// A corner of a room's outline, [x, z] in the source.
struct LevelSourceCorner {
  double x = 0, z = 0;
  int line = 0;
};

// A convex floor outline in the horizontal plane, corners in either winding.
struct LevelSourceRoom {
  std::string name;
  int line = 0;
  std::vector<LevelSourceCorner> outline;
  LevelSurface floor, ceiling;
};

// Limits the opening between two rooms to the parts of their shared walls inside an
// axis-aligned box, or closes it.
struct LevelSourceDoor {
  int rooms[2] = {-1, -1};
  bool closed = false;
  DVec3 min, max;
  int line = 0;
};

struct LevelSource {
  std::string fileName;
  std::vector<LevelSourceRoom> rooms;
  std::vector<LevelSourceDoor> doors;
};

// Coordinates beyond this many world units would lose the precision the checks rely on.
constexpr double MaxSourceCoordinate = 1000.0;

// Reads the JSON source, at most MaxLevelSourceBytes of it (as from a file) and brackets at
// most MaxJsonDepth deep. Returns false with one message per fault, each "FILE:LINE: ...",
// or, for text over the limit, the message a file of it gets.
bool readLevelSource(const std::string& text, const std::string& fileName, LevelSource& source,
                     std::vector<std::string>& errors);

// "room 'hall' (room 0)"
std::string describeRoom(const LevelSource& source, int room);
// "FILE:LINE: text"
std::string sourceMessage(const LevelSource& source, int line, const std::string& text);
