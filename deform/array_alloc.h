#pragma once
// Heap arrays of plain records, with a failure answer instead of an exception and a
// count of arrays still alive, so start-up can report a failed allocation and the
// tests can see that every array made is released again.
#include <cstddef>

namespace deform {

void* allocateBytes(std::size_t bytes);  // 64-byte aligned; nullptr when the allocation fails
void releaseBytes(void* block);          // accepts nullptr

// Number of blocks from allocateBytes not yet released.
int liveArrayCount();

// Lets the next `successes` allocations succeed and fails every one after them;
// a negative count switches failing off. Only tests use this.
void failAllocationsAfter(int successes);

template <typename T>
T* allocateArray(int count) {
  if (count < 0) return nullptr;
  return static_cast<T*>(allocateBytes(sizeof(T) * static_cast<std::size_t>(count)));
}

template <typename T>
void releaseArray(T*& array) {
  releaseBytes(array);
  array = nullptr;
}

}  // namespace deform
