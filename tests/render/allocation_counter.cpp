// Counts every heap allocation the test program makes, so a test can show that a piece
// of code makes none.
#include <atomic>
#include <cstdlib>
#include <new>

#include "render_fixtures.h"

namespace {
std::atomic<int64_t> allocations{0};
}

int64_t render_test::allocationCount() { return allocations.load(); }

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
