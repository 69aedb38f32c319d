#pragma once
// One stress case of the viewer's frame pass: a valid level, the camera anywhere in any
// orientation, any turning rates and window sizes, and a few passes of random messages,
// all decoded from a string of bytes. After every pass it checks what must always hold:
// nothing written outside the frame buffer (guard bytes around the platform's frame
// memory, and a second drawing of the same frame into a frame padded on every side),
// the traversal's depth bounded, and no heap allocation in a pass without a size change.
#include <cstdint>
#include <string>
#include <vector>

#include "byte_choices.h"
#include "world/world.h"

struct StressLevels {
  std::vector<const World*> shipped;  // levels loaded from files, used as they are
  // The shipped levels break the portal rules on purpose (tests/hardening/portal_topology.h):
  // every case uses one, and only the traversal's work budget bounds its passes.
  bool hostile = false;
};

struct StressReport {
  std::string fault;  // empty when every check held
  int64_t passes = 0;
  int64_t startFrame = 0;    // pixels of the frame before the first pass
  int64_t largestFrame = 0;  // pixels of the largest frame drawn
  int32_t deepestLevel = 0;
  int32_t mostWork = 0;         // the traversal's work in the busiest pass with the eye in its room
  int32_t budgetExhausted = 0;  // passes that stopped at the work budget
  bool eyeLeftItsRoom = false;  // some pass drew with the eye outside its current room
};

// A client size to start from instead of the one the bytes choose (0: as they choose).
struct StressStart {
  int32_t width = 0, height = 0;
};

// Runs one case decoded from choices. The viewer and its frames are made and released
// inside; the caller provides nothing but the levels.
StressReport runStressCase(const StressLevels& levels, ByteChoices& choices, StressStart start = {});
