#pragma once
#include <cstdint>

// Heap allocations made so far. Test programs that link the counter count every operator
// new; the fuzz targets count through the sanitizer's allocation hooks instead.
int64_t heapAllocationCount();
