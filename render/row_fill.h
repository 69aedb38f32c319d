#pragma once
// The byte fill of one span: the only place a row of a polygon is written.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Sets `count` bytes at p to `colour`.
inline void fillRowPlain(uint8_t* p, uint8_t colour, size_t count) { std::memset(p, colour, count); }

#if defined(__SSE2__)
// Every x86-64 processor, and WebAssembly through emscripten's SSE2 headers: short runs
// are written inline, which is quicker than a call into the C library for them.
#include "render/simd/row_fill_sse2.h"
inline void fillRow(uint8_t* p, uint8_t colour, size_t count) { fillRowSse2(p, colour, count); }
#else
inline void fillRow(uint8_t* p, uint8_t colour, size_t count) { fillRowPlain(p, colour, count); }
#endif
