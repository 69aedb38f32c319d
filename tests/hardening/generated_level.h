#pragma once
// Random valid levels: box rooms on a path through a grid of cells, each joined to the
// next by a portal that opens all or part of the face they share (the rest of the face
// stays wall). Every level meets the rules the renderer relies on: convex closed rooms,
// inward normals, twin portals, no overlap.
#include <cstdint>
#include <vector>

#include "byte_choices.h"

// The level file's bytes, at most MaxRooms rooms.
std::vector<uint8_t> generateLevel(ByteChoices& choices);

// Writes bytes to path; false when that fails.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
