#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/level/level_builder.h"

// The float that the file stores for a world coordinate: the level-unit value whose
// product with the loader's factor 10 comes closest to the world value.
float levelCoordinate(double world);

// The level in the viewer's file format: header (vertex count, a zero word, room count),
// the vertex table as level-unit (z, x, y) records, then per room its walls and portals.
// All fields 32-bit little-endian.
std::vector<uint8_t> encodeLevel(const BuiltLevel& level);

// Writes bytes to path through a temporary file and a rename; false with a message when
// the file cannot be written (path is then left as it was).
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
