#pragma once
// A second, plain reading of the level format straight from memory, for the loader's
// fuzz target to compare against: whether a file must load, where a refusal belongs, and
// what the rooms must hold.
#include <cstddef>
#include <cstdint>

#include "world/world.h"

struct ReferenceLevel {
  bool ok = false;
  int room = -1;     // where the refusal is placed: -1 before the rooms
  int polygon = -1;  // -1 when the fault is in the room's own counts
};

// Reads data as a level file into world (roomCount, and each polygon's targetRoom,
// vertexCount, vertices and plane) and tells whether it is sound.
ReferenceLevel readReferenceLevel(const uint8_t* data, size_t size, World& world);
