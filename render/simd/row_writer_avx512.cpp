// The row writer for processors with AVX-512: each row composed one aligned 64-byte block
// at a time in a register, so every cache line of a row is stored once, whole, whatever
// the spans' ends.
// x86 only: elsewhere (WebAssembly) the processor never runs it and the SSE2 writer's
// portable fills do the work.

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstdint>

#include "render/kept_frame.h"
#include "render/row_fill.h"
#include "render/row_writer.h"

// Everything below, the frame loop included, is AVX-512 code; the headers above stay
// baseline code, as other files see them.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,bmi,bmi2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,bmi,bmi2")
#endif
#include "render/simd/row_writer_loop.h"

namespace {

// Composes a row from its spans, left to right. Positions count from the 64-byte
// boundary at or before the row's first pixel, so every store is aligned; the bytes of
// the first and last block outside the row are masked off and never written. Rows that
// are whole cache lines (LineRows) need no masks.
template <bool LineRows>
struct ComposeRow {
  bool operator()(uint8_t* row, int32_t width, const PendingSpan* spans, const uint8_t* order, int32_t count) const {
    const int32_t offset = LineRows ? 0 : int32_t(reinterpret_cast<uintptr_t>(row) & 63);
    uint8_t* const base = row - offset;
    const __mmask64 headMask = ~0ull << offset;
    __m512i block = _mm512_setzero_si512();
    int32_t x = offset;
    // Every block is stored once: when the pixels reach its end.
    const auto store = [&](int32_t start, __m512i v) {
      if (!LineRows && start == 0) {
        _mm512_mask_storeu_epi8(base, headMask, v);
      } else {
        _mm512_store_si512(base + start, v);
      }
    };
    // The pixels from x up to e (> x) take the bytes of v.
    const auto extend = [&](int32_t e, __m512i v) {
      const int32_t start = x & ~63;
      const __mmask64 from = ~0ull << (x - start);
      if (e < start + 64) {
        block = _mm512_mask_blend_epi8(_bzhi_u64(from, unsigned(e - start)), block, v);
      } else {
        store(start, _mm512_mask_blend_epi8(from, block, v));
        for (int32_t b = start + 64; b + 64 <= e; b += 64) _mm512_store_si512(base + b, v);
        block = v;
      }
      x = e;
    };
    const __m512i clear = _mm512_setzero_si512();
    for (int32_t i = 0; i < count; ++i) {
      const PendingSpan s = spans[order[i]];
      const int32_t left = s.left + offset;
      if (left != x) {
        if (left < x) return false;
        extend(left, clear);
      }
      extend(s.right + offset, _mm512_set1_epi8(char(s.colour)));
    }
    const int32_t end = offset + width;
    if (x < end) extend(end, clear);
    if (!LineRows && (end & 63)) {
      const int32_t start = end & ~63;
      const __mmask64 tail = _bzhi_u64(~0ull, unsigned(end & 63));
      _mm512_mask_storeu_epi8(base + start, start == 0 ? tail & headMask : tail, block);
    }
    return true;
  }
};

}  // namespace

void writeKeptRowsAvx512(const Viewport& viewport, KeptFrame& frame) {
  const bool lineRows = (reinterpret_cast<uintptr_t>(viewport.rowOrigin) & 63) == 0 && viewport.pitch % 64 == 0 &&
                        viewport.width % 64 == 0;
  if (lineRows) {
    writeRows(viewport, frame, ComposeRow<true>{});
  } else {
    writeRows(viewport, frame, ComposeRow<false>{});
  }
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

#include "render/kept_frame.h"
#include "render/row_writer.h"

void writeKeptRowsAvx512(const Viewport&, KeptFrame&) {}

#endif
