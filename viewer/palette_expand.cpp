#include "viewer/palette_expand.h"

#include <cstddef>

void buildArgbTable(const PaletteEntry* palette, uint32_t table[PaletteSize]) {
  for (int i = 0; i < PaletteSize; ++i) {
    table[i] = 0xFF000000u | uint32_t(palette[i].red) << 16 | uint32_t(palette[i].green) << 8 |
               uint32_t(palette[i].blue);
  }
}

void expandPalette(const uint8_t* rowOrigin, int32_t pitch, int32_t width, int32_t height,
                   uint32_t* out, int32_t outPitchPixels, const uint32_t table[PaletteSize]) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = rowOrigin + std::ptrdiff_t(y) * pitch;
    uint32_t* dst = out + std::ptrdiff_t(y) * outPitchPixels;
    int32_t x = 0;
    // Four independent look-ups per step overlap in the core.
    for (; x + 4 <= width; x += 4) {
      const uint32_t a = table[src[x]], b = table[src[x + 1]];
      const uint32_t c = table[src[x + 2]], d = table[src[x + 3]];
      dst[x] = a;
      dst[x + 1] = b;
      dst[x + 2] = c;
      dst[x + 3] = d;
    }
    for (; x < width; ++x) dst[x] = table[src[x]];
  }
}
