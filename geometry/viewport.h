#pragma once
#include <cstddef>
#include <cstdint>

// The screen geometry of the frame buffer. The pixel at column x and row y (row 0 at
// the top) is the byte at rowOrigin + y * pitch + x; pitch is negative when the rows
// are stored bottom-up.
struct Viewport {
  int32_t width;  // a multiple of 4
  int32_t height;
  double projectionScale;  // the smaller of width / 2 and height / 2
  double centreX;          // width / 2 - 0.5
  double centreY;          // height / 2 + 0.5: the projection subtracts from height
  uint8_t* rowOrigin;
  int32_t pitch;
};

inline uint8_t* pixelRow(const Viewport& v, int32_t y) { return v.rowOrigin + std::ptrdiff_t(y) * v.pitch; }

// Recomputes projectionScale, centreX and centreY from width and height.
void updateViewport(Viewport& v);
