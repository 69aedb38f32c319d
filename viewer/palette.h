#pragma once
#include <cstdint>

struct PaletteEntry {
  uint8_t red, green, blue;
};

constexpr int PaletteSize = 256;

// The viewer's colours: pixel value k shows as entry k. Entries 0-9 and 246-255 are the
// classic reserved system colours, 10-225 a 6 x 6 x 6 colour cube (index r*36 + g*6 + b,
// levels i * 255 / 6: the brightest is 212) and 226-245 a grey ramp (i * 255 / 20).
const PaletteEntry* viewerPalette();  // PaletteSize entries
