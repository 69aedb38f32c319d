// Counts every heap allocation made on the fuzzing thread, through the sanitizer's
// allocation hooks (they see malloc and operator new alike).
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>

#include "support/heap_counter.h"

namespace {
thread_local int64_t allocations = 0;
void onAllocation(const volatile void*, size_t) { ++allocations; }
void onRelease(const volatile void*) {}
}  // namespace

int64_t heapAllocationCount() { return allocations; }

void installAllocationCounter() { __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease); }
