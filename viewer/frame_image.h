#pragma once
#include <cstdint>
#include <vector>

// A presented frame, rows top to bottom, one palette index a pixel.
struct FrameImage {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// The image as an 8-bit indexed PNG carrying the viewer's palette, into bytes (grown as
// needed, reused from call to call). False when the encoder fails.
bool encodePng(const FrameImage& image, std::vector<uint8_t>& bytes);
// P5 with maxval 255: grey value = palette index.
void encodePgm(const FrameImage& image, std::vector<uint8_t>& bytes);
