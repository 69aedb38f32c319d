#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include "viewer/frame_image.h"
#include "viewer/palette.h"

namespace {

FrameImage pattern(int32_t width, int32_t height) {
  FrameImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 7 + i / 13);
  return image;
}

TEST(FrameImage, PgmIsTheHeaderThenEveryIndex) {
  const FrameImage image = pattern(5, 3);
  std::vector<uint8_t> bytes(1000, 9);  // earlier contents must not survive
  encodePgm(image, bytes);
  const std::string header = "P5\n5 3\n255\n";
  ASSERT_EQ(bytes.size(), header.size() + 15);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + long(header.size())), header);
  EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), bytes.begin() + long(header.size())));
}

// The PNG made in memory reads back as the same palette indices and the viewer's palette,
// also when the buffer is reused for a larger frame and then a smaller one.
TEST(FrameImage, PngReadsBackAsTheSameIndicesAndPalette) {
  std::vector<uint8_t> bytes;
  for (const auto& size : {std::pair<int32_t, int32_t>{4, 2}, {324, 200}, {17, 9}}) {
    const FrameImage image = pattern(size.first, size.second);
    ASSERT_TRUE(encodePng(image, bytes));
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()));
    EXPECT_EQ(png.width, png_uint_32(size.first));
    EXPECT_EQ(png.height, png_uint_32(size.second));
    png.format = PNG_FORMAT_RGB_COLORMAP;
    std::vector<uint8_t> indices(image.pixels.size());
    uint8_t colormap[256 * 3];
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, indices.data(), size.first, colormap));
    EXPECT_EQ(indices, image.pixels);
    const PaletteEntry* palette = viewerPalette();
    for (int i = 0; i < PaletteSize; ++i) {
      ASSERT_EQ(colormap[3 * i], palette[i].red) << i;
      ASSERT_EQ(colormap[3 * i + 1], palette[i].green) << i;
      ASSERT_EQ(colormap[3 * i + 2], palette[i].blue) << i;
    }
  }
}

}  // namespace
