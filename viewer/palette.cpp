#include "viewer/palette.h"

namespace {
struct PaletteTable {
  PaletteEntry entries[PaletteSize];
};

constexpr PaletteTable makePalette() {
  PaletteTable p{};
  constexpr PaletteEntry low[10] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
  constexpr PaletteEntry high[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                                     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
  for (int i = 0; i < 10; ++i) {
    p.entries[i] = low[i];
    p.entries[246 + i] = high[i];
  }
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.entries[10 + r * 36 + g * 6 + b] = {uint8_t(r * 255 / 6), uint8_t(g * 255 / 6), uint8_t(b * 255 / 6)};
  for (int i = 0; i < 20; ++i) {
    const uint8_t grey = uint8_t(i * 255 / 20);
    p.entries[226 + i] = {grey, grey, grey};
  }
  return p;
}

constexpr PaletteTable table = makePalette();
}  // namespace

const PaletteEntry* viewerPalette() { return table.entries; }
