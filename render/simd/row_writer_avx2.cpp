// The row writer for processors with AVX2: one fill per span and per gap as in the SSE2
// writer, runs of 32 bytes and more written with 32-byte stores.
// x86 only: elsewhere (WebAssembly) the processor never runs it and the SSE2 writer's
// portable fills do the work.

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "render/kept_frame.h"
#include "render/row_fill.h"
#include "render/row_writer.h"

// Everything below, the frame loop included, is AVX2 code; the headers above stay
// baseline code, as other files see them.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include "render/simd/row_writer_loop.h"

namespace {

inline void store32(uint8_t* at, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v); }

// fillRow with 32-byte stores that may overlap: half the stores for the same bytes, which
// pays on frames larger than the nearest caches (bench/README.md has the figures).
struct WideFill {
  void operator()(uint8_t* p, uint8_t colour, size_t count) const {
    if (count < 32) {
      fillRow(p, colour, count);
      return;
    }
    const __m256i v = _mm256_set1_epi8(char(colour));
    uint8_t* const end = p + count;
    if (count <= 64) {
      store32(p, v);
      store32(end - 32, v);
      return;
    }
    if (count <= 128) {
      store32(p, v);
      store32(p + 32, v);
      store32(end - 64, v);
      store32(end - 32, v);
      return;
    }
    for (; p + 128 <= end; p += 128) {
      store32(p, v);
      store32(p + 32, v);
      store32(p + 64, v);
      store32(p + 96, v);
    }
    store32(end - 128, v);
    store32(end - 96, v);
    store32(end - 64, v);
    store32(end - 32, v);
  }
};

}  // namespace

void writeKeptRowsAvx2(const Viewport& viewport, KeptFrame& frame) {
  writeRows(viewport, frame, FillSpans<WideFill>{});
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

#include "render/kept_frame.h"
#include "render/row_writer.h"

void writeKeptRowsAvx2(const Viewport&, KeptFrame&) {}

#endif
