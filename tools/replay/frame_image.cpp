#include "tools/replay/frame_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "viewer/palette.h"

bool writePng(const FrameImage& image, const std::string& path) {
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
  const int ok = png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), image.width,
                                         colormap);
  png_image_free(&png);
  return ok != 0;
}

bool writePgm(const FrameImage& image, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P5\n%d %d\n255\n", image.width, image.height);
  const size_t size = image.pixels.size();
  const bool ok = std::fwrite(image.pixels.data(), 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}
