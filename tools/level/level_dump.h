#pragma once
#include <string>

#include "world/level_loader.h"

// The level file in readable form: the header, the vertex table in world units, then
// every room's polygons with kind, target room, plane, colours and vertex indices. The
// file is read once, by the viewer's loader; everything printed comes from what that
// read loaded. Returns false with a message when the file is not a regular file or the
// loader refuses it (and, for a level source given instead, a second line saying so).
bool dumpLevelFile(const std::string& path, std::string& text, std::string& error);

// The printed form of a loaded level, from the loader's world and record alone.
std::string formatLevelDump(const std::string& path, const World& world, const LevelFileRecord& record);
