#include "viewer/palette_expand.h"

#include <emmintrin.h>

#include <cstddef>

void buildArgbTable(const PaletteEntry* palette, uint32_t table[PaletteSize]) {
  for (int i = 0; i < PaletteSize; ++i) {
    table[i] =
        0xFF000000u | uint32_t(palette[i].red) << 16 | uint32_t(palette[i].green) << 8 | uint32_t(palette[i].blue);
  }
}

namespace {

// Sixteen pixels of one colour, the run a wall leaves in a row, become four stores of
// that colour's entry; any other sixteen are looked up one by one.
constexpr int32_t BlockPixels = 16;

inline void expandBlock(const uint8_t* src, uint32_t* dst, const uint32_t* table) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  // The block's first byte in every lane.
  __m128i first = _mm_unpacklo_epi8(bytes, bytes);
  first = _mm_shuffle_epi32(_mm_shufflelo_epi16(first, 0), 0);
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, first)) == 0xFFFF) {
    const __m128i colour = _mm_set1_epi32(int32_t(table[src[0]]));
    for (int i = 0; i < BlockPixels; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), colour);
    return;
  }
  for (int i = 0; i < BlockPixels; i += 4) {
    // Four independent look-ups per step overlap in the core.
    const uint32_t a = table[src[i]], b = table[src[i + 1]];
    const uint32_t c = table[src[i + 2]], d = table[src[i + 3]];
    dst[i] = a;
    dst[i + 1] = b;
    dst[i + 2] = c;
    dst[i + 3] = d;
  }
}

}  // namespace

void expandPalette(const uint8_t* rowOrigin, int32_t pitch, int32_t width, int32_t height, uint32_t* out,
                   int32_t outPitchPixels, const uint32_t table[PaletteSize]) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = rowOrigin + std::ptrdiff_t(y) * pitch;
    uint32_t* dst = out + std::ptrdiff_t(y) * outPitchPixels;
    int32_t x = 0;
    for (; x + BlockPixels <= width; x += BlockPixels) expandBlock(src + x, dst + x, table);
    for (; x < width; ++x) dst[x] = table[src[x]];
  }
}
