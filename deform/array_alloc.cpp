#include "deform/array_alloc.h"

#include <cstdlib>

namespace deform {

namespace {
int liveBlocks = 0;
int allocationsBeforeFailure = -1;
}  // namespace

void* allocateBytes(std::size_t bytes) {
  if (allocationsBeforeFailure == 0) return nullptr;
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  // An empty region still gets its own block, so every member array can be released alike.
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block != nullptr) ++liveBlocks;
  return block;
}

void releaseBytes(void* block) {
  if (block == nullptr) return;
  std::free(block);
  --liveBlocks;
}

int liveArrayCount() { return liveBlocks; }

void failAllocationsAfter(int successes) { allocationsBeforeFailure = successes < 0 ? -1 : successes; }

}  // namespace deform
