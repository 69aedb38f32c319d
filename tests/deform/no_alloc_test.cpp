// deform allocates its arrays once at start-up; the work of every frame and every
// animation step after that must not touch the heap. Counted here by passing every
// malloc, calloc and realloc of this test program (operator new included, which calls
// malloc) through a counter in front of the C library's allocator.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "deform/array_alloc.h"
#include "deform/demo_state.h"
#include "deform/frame_geometry.h"

// Under AddressSanitizer the sanitizer owns malloc, and glibc is needed for the
// allocator's own entry points; elsewhere the test is skipped.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define DEFORM_COUNTS_MALLOC 1

namespace {
std::atomic<long> mallocCalls{0};
}

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);

void* malloc(size_t size) {
  mallocCalls.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  mallocCalls.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  mallocCalls.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}
}
#endif

namespace {

long heapCalls() {
#ifdef DEFORM_COUNTS_MALLOC
  return mallocCalls.load();
#else
  return 0;
#endif
}

// The CPU side of the display function: move, recompute normals, decide what to draw.
int frameWork(deform::DemoState& state) {
  deform::prepareFrame(state);
  int facing = 0;
  for (std::int32_t t = state.mesh.triangleCount - 1; t >= 0; --t) facing += state.facing[t];
  return facing;
}

TEST(FrameAllocation, FramesAndAnimationStepsAllocateNothing) {
#ifndef DEFORM_COUNTS_MALLOC
  GTEST_SKIP() << "needs glibc's allocator entry points, without AddressSanitizer";
#endif
  deform::DemoState state;
  ASSERT_TRUE(deform::buildDemoGeometry(state));
  const int arrays = deform::liveArrayCount();
  // Through the lift and several swings of both caps.
  const long before = heapCalls();
  int facing = 0;
  for (int frame = 0; frame < 300; ++frame) {
    deform::stepDemoMotion(state);
    facing += frameWork(state);
  }
  const long after = heapCalls();
  EXPECT_EQ(after, before);
  EXPECT_EQ(deform::liveArrayCount(), arrays);
  EXPECT_GT(facing, 0);

  // The counter does see allocations, from C and from C++ (kept where the compiler
  // cannot drop them).
  static void* volatile block;
  static int* volatile object;
  block = std::malloc(64);
  object = new int(1);
  EXPECT_EQ(heapCalls(), after + 2);
  delete object;
  std::free(block);
  deform::releaseDemoArrays(state);
}

}  // namespace
