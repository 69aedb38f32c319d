#include "deform/array_alloc.h"

#include <cstdint>
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
  // Blocks start on a cache line, so no register-wide record of an array straddles two.
  constexpr std::size_t Line = 64;
  if (bytes > SIZE_MAX - Line) return nullptr;
  void* block = std::aligned_alloc(Line, bytes == 0 ? Line : (bytes + Line - 1) / Line * Line);
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
