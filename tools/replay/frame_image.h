#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A presented frame, rows top to bottom, one palette index a pixel.
struct FrameImage {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// An 8-bit indexed PNG carrying the viewer's palette.
bool writePng(const FrameImage& image, const std::string& path);
// P5 with maxval 255: grey value = palette index.
bool writePgm(const FrameImage& image, const std::string& path);
