// The frame pass over levels of sound convex rooms whose portals lead anywhere: into their
// own room, into a twin in the same place, round cycles and along chains, facing in or out
// (tests/hardening/portal_topology.h). The first bytes choose the level, the rest the
// camera, sizes and messages as render_stress_fuzz does. Every pass must stay within the
// traversal's work budget, keep its writes inside the frame and allocate nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/hardening/portal_topology.h"
#include "tests/hardening/render_stress.h"

void installAllocationCounter();

namespace {

// Made once: a World is too large to make for every input.
World& hostileWorld() {
  static const std::unique_ptr<World> world(new World());
  return *world;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  installAllocationCounter();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteChoices choices(data, size);
  World& world = hostileWorld();
  world = World{};
  buildRandomPortalTopology(world, choices);
  StressLevels levels;
  levels.shipped.push_back(&world);
  levels.hostile = true;
  const StressReport report = runStressCase(levels, choices);
  if (!report.fault.empty()) {
    std::fprintf(stderr, "portal topology fuzz: %s\n", report.fault.c_str());
    std::abort();
  }
  return 0;
}
