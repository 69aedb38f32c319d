#pragma once
// fillRow with SSE2 stores for the short and middling runs (render/row_fill.h picks it).
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Sets `count` bytes at p to `colour`. Runs shorter than 384 bytes, every span of a
// 320-pixel row and most of larger ones, are written inline with stores that may
// overlap (the library's call and dispatch cost more than they save there; see
// bench/README.md); longer ones go to the C library, which picks the widest stores the
// processor has.
inline void fillRowSse2(uint8_t* p, uint8_t colour, size_t count) {
  if (count >= 384) {
    std::memset(p, colour, count);
    return;
  }
  if (count > 64) {
    const __m128i v = _mm_set1_epi8(char(colour));
    uint8_t* const end = p + count;
    for (; p + 64 <= end; p += 64) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 48), v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 64), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 48), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 32), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 16), v);
    return;
  }
  if (count >= 16) {
    const __m128i v = _mm_set1_epi8(char(colour));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + count - 16), v);
    if (count > 32) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + count - 32), v);
    }
    return;
  }
  const uint64_t word = 0x0101010101010101ull * colour;
  if (count >= 8) {
    std::memcpy(p, &word, 8);
    std::memcpy(p + count - 8, &word, 8);
  } else if (count >= 4) {
    std::memcpy(p, &word, 4);
    std::memcpy(p + count - 4, &word, 4);
  } else if (count > 0) {
    p[0] = colour;
    p[count - 1] = colour;
    p[count / 2] = colour;
  }
}
