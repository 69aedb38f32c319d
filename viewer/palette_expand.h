#pragma once
#include <cstdint>

#include "viewer/palette.h"

// A palette as 32-bit ARGB words (alpha 0xFF), the form a true-colour display takes.
void buildArgbTable(const PaletteEntry* palette, uint32_t table[PaletteSize]);

// Turns width x height palette indices into ARGB words: source row y (row 0 at the top) is
// at rowOrigin + y * pitch, destination row y at out + y * outPitchPixels. Runs once per
// shown frame over every pixel, so it is kept to table look-ups and plain stores.
void expandPalette(const uint8_t* rowOrigin, int32_t pitch, int32_t width, int32_t height, uint32_t* out,
                   int32_t outPitchPixels, const uint32_t table[PaletteSize]);
