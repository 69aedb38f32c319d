#include "viewer/frame_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "viewer/palette.h"

bool encodePng(const FrameImage& image, std::vector<uint8_t>& bytes) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_RGB_COLORMAP;
  png.colormap_entries = PaletteSize;
  uint8_t colormap[PaletteSize * 3];
  const PaletteEntry* palette = viewerPalette();
  for (int i = 0; i < PaletteSize; ++i) {
    colormap[3 * i] = palette[i].red;
    colormap[3 * i + 1] = palette[i].green;
    colormap[3 * i + 2] = palette[i].blue;
  }
  // Room for the worst case (stored, not compressed), so one encoding always fits.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  if (bytes.size() < size) bytes.resize(size);
  const int ok = png_image_write_to_memory(&png, bytes.data(), &size, 0, image.pixels.data(), image.width, colormap);
  png_image_free(&png);
  if (!ok) return false;
  bytes.resize(size);
  return true;
}

void encodePgm(const FrameImage& image, std::vector<uint8_t>& bytes) {
  char header[64];
  const int n = std::snprintf(header, sizeof header, "P5\n%d %d\n255\n", image.width, image.height);
  bytes.assign(header, header + n);
  bytes.insert(bytes.end(), image.pixels.begin(), image.pixels.end());
}
