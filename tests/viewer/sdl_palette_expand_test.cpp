#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "viewer/heap_frame.h"
#include "viewer/palette_expand.h"

namespace {

uint32_t argb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

struct PaletteExpansion : ::testing::Test {
  uint32_t table[PaletteSize];
  void SetUp() override { buildArgbTable(viewerPalette(), table); }
};

TEST_F(PaletteExpansion, TheTableHoldsEachEntryOpaqueAsArgb) {
  EXPECT_EQ(table[0], argb(0, 0, 0));
  EXPECT_EQ(table[1], argb(128, 0, 0));
  EXPECT_EQ(table[9], argb(166, 202, 240));
  EXPECT_EQ(table[10], argb(0, 0, 0));         // the cube's first corner
  EXPECT_EQ(table[11], argb(0, 0, 42));        // blue steps fastest
  EXPECT_EQ(table[10 + 36], argb(42, 0, 0));   // then green every 6, red every 36
  EXPECT_EQ(table[225], argb(212, 212, 212));  // the cube's brightest corner
  EXPECT_EQ(table[245], argb(242, 242, 242));  // the grey ramp never reaches white
  EXPECT_EQ(table[249], argb(255, 0, 0));
  EXPECT_EQ(table[255], argb(255, 255, 255));
  const PaletteEntry* palette = viewerPalette();
  for (int k = 0; k < PaletteSize; ++k) {
    EXPECT_EQ(table[k], argb(palette[k].red, palette[k].green, palette[k].blue)) << "entry " << k;
  }
}

// A bottom-up frame whose pixel (x, y), row 0 at the top, holds (x * 7 + y * 13) % 256.
struct Frame {
  FrameMemory memory;
  int32_t width, height;
  Frame(int32_t w, int32_t h, RowOrder order) : width(w), height(h) {
    allocateHeapFrame(w, h, order, memory);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) memory.rowOrigin[y * memory.pitch + x] = uint8_t((x * 7 + y * 13) % 256);
  }
  ~Frame() { releaseHeapFrame(memory); }
  static uint8_t at(int32_t x, int32_t y) { return uint8_t((x * 7 + y * 13) % 256); }
};

TEST_F(PaletteExpansion, EveryPixelBecomesItsEntryWithRowZeroAtTheTop) {
  // Widths around the four-at-a-time steps, and one wide enough to use every index.
  for (int32_t width : {1, 3, 4, 5, 7, 8, 9, 320}) {
    SCOPED_TRACE(width);
    const int32_t height = 37;
    Frame frame(width, height, RowOrder::BottomUp);
    std::vector<uint32_t> out(size_t(width) * height, 0);
    expandPalette(frame.memory.rowOrigin, frame.memory.pitch, width, height, out.data(), width, table);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        ASSERT_EQ(out[size_t(y) * width + x], table[Frame::at(x, y)]) << x << "," << y;
  }
}

TEST_F(PaletteExpansion, BothRowOrdersGiveTheSameImage) {
  Frame bottomUp(36, 20, RowOrder::BottomUp), topDown(36, 20, RowOrder::TopDown);
  std::vector<uint32_t> a(36 * 20), b(36 * 20);
  expandPalette(bottomUp.memory.rowOrigin, bottomUp.memory.pitch, 36, 20, a.data(), 36, table);
  expandPalette(topDown.memory.rowOrigin, topDown.memory.pitch, 36, 20, b.data(), 36, table);
  EXPECT_EQ(a, b);
}

TEST_F(PaletteExpansion, RowPaddingOfTheTargetIsLeftAlone) {
  // Texture rows may be longer than the frame: nothing past the width is written.
  const int32_t width = 13, height = 5, outPitch = 16;
  Frame frame(width, height, RowOrder::BottomUp);
  const uint32_t untouched = 0x12345678u;
  std::vector<uint32_t> out(size_t(outPitch) * height + 8, untouched);
  expandPalette(frame.memory.rowOrigin, frame.memory.pitch, width, height, out.data(), outPitch, table);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < outPitch; ++x) {
      const uint32_t got = out[size_t(y) * outPitch + x];
      if (x < width)
        EXPECT_EQ(got, table[Frame::at(x, y)]);
      else
        EXPECT_EQ(got, untouched) << x << "," << y;
    }
  }
  for (size_t i = size_t(outPitch) * height; i < out.size(); ++i) EXPECT_EQ(out[i], untouched);
}

TEST_F(PaletteExpansion, AnEmptyAreaWritesNothing) {
  const uint8_t pixel = 5;
  uint32_t out = 0xABCDEFu;
  expandPalette(&pixel, 1, 0, 1, &out, 1, table);
  expandPalette(&pixel, 1, 1, 0, &out, 1, table);
  EXPECT_EQ(out, 0xABCDEFu);
}

}  // namespace
