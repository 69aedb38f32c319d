// Keeping a frame's polygons and writing each row once must give the very frame that
// clearing it and painting the polygons one after the other gives.
#include "render/kept_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "render_fixtures.h"

namespace {

using render_test::Frame;
using render_test::screenPolygon;

// Paints the polygons in order into `painted` (cleared first) and through kept stretches
// into `kept` (which starts with other pixels, so the write must clear), then compares.
// A capacity below the polygons' stretches makes the frame be written when it fills.
void expectSameFrames(Frame& painted, Frame& kept, const std::vector<ScreenPolygon>& polygons, RowWriter writer,
                      int32_t capacity = MaxKeptStretches) {
  painted.clear(0);
  for (const ScreenPolygon& p : polygons) fillPolygon(p, painted.viewport, painted.spans);

  const auto storage = std::make_unique<KeptFrame>();
  storage->writer = writer;
  storage->capacity = capacity;
  kept.clear(0x5a);
  kept.spans.kept = storage.get();
  for (const ScreenPolygon& p : polygons) fillPolygon(p, kept.viewport, kept.spans);
  writeKeptFrame(kept.viewport, *storage);

  int64_t different = 0;
  for (int32_t y = 0; y < painted.height(); ++y) {
    for (int32_t x = 0; x < painted.width(); ++x) different += painted.at(x, y) != kept.at(x, y);
  }
  EXPECT_EQ(different, 0);
  EXPECT_TRUE(kept.guardIntact());
  EXPECT_TRUE(storage->count == 0 && !storage->paintingDirectly) << "the storage is emptied for the next frame";
}

ScreenPoint randomPoint(std::mt19937& random, int32_t width, int32_t height) {
  std::uniform_real_distribution<double> x(-40.0, width + 40.0), y(-40.0, height + 40.0);
  return ScreenPoint{x(random), y(random)};
}

// Triangles, quads and pentagons anywhere on and around the frame, convex or not, in
// any colour: rows overlap and leave gaps; in every fourth frame the storage fills.
// Every way of writing a row, the vector ones where this processor has them.
class KeptFrames : public testing::TestWithParam<RowWriter> {
 protected:
  void SetUp() override {
    if (!rowWriterRuns(GetParam())) GTEST_SKIP() << "this processor cannot run " << rowWriterName(GetParam());
  }
};

// The frames' rows start anywhere in a cache line (the frame has guard bands), so rows
// begin and end inside 64-byte blocks, or lie within one.
TEST_P(KeptFrames, KeptFramesEqualFramesPaintedInOrder) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t widest = trial % 5 == 0 ? 250 : 40;
    // Every third frame has rows of whole cache lines, written without masks.
    const bool lineRows = trial % 3 == 0;
    const int32_t width = lineRows ? 64 * std::uniform_int_distribution<int32_t>(1, 6)(random)
                                   : 4 * std::uniform_int_distribution<int32_t>(1, widest)(random);
    const int32_t height = std::uniform_int_distribution<int32_t>(1, 70)(random);
    const bool bottomUp = trial % 2 == 1;
    Frame painted(width, height, bottomUp), kept(width, height, bottomUp, lineRows ? 64 : 16);
    std::vector<ScreenPolygon> polygons(size_t(std::uniform_int_distribution<int>(0, 40)(random)));
    for (ScreenPolygon& p : polygons) {
      p = ScreenPolygon{};
      p.colourIndex = std::uniform_int_distribution<int32_t>(1, 255)(random);
      p.vertexCount = std::uniform_int_distribution<int32_t>(3, 5)(random);
      for (int32_t k = 0; k < p.vertexCount; ++k) p.points[k] = randomPoint(random, width, height);
    }
    const int32_t capacity = trial % 4 == 3 ? std::uniform_int_distribution<int32_t>(1, 12)(random) : MaxKeptStretches;
    SCOPED_TRACE(testing::Message() << "trial " << trial << ": " << width << "x" << height << ", capacity "
                                    << capacity);
    expectSameFrames(painted, kept, polygons, GetParam(), capacity);
  }
}

// Side-by-side strips, painted in a shuffled order, tile each row as a room's walls do:
// the rows are written left to right from the sorted spans, the strips' gaps cleared.
// Up to 90 strips: rows of more spans than the writer sorts are painted in order.
TEST_P(KeptFrames, StripsInAnyOrderGiveTheSameRows) {
  std::mt19937 random(11);
  for (int strips = 1; strips <= 90; strips += strips < 20 ? 1 : 7) {
    const int32_t width = 400, height = 12;
    Frame painted(width, height), kept(width, height, true);
    std::vector<int32_t> edges;
    for (int i = 0; i <= strips; ++i) edges.push_back(std::uniform_int_distribution<int32_t>(-5, width + 5)(random));
    std::sort(edges.begin(), edges.end());
    std::vector<ScreenPolygon> polygons;
    for (int i = 0; i < strips; ++i) {
      // Every third strip leaves a gap of one column after it.
      const double left = edges[size_t(i)], right = edges[size_t(i) + 1] - (i % 3 == 2 ? 1 : 0);
      polygons.push_back(
          screenPolygon({{left, -0.5}, {right, -0.5}, {right, height - 0.5}, {left, height - 0.5}}, 10 + i));
    }
    std::shuffle(polygons.begin(), polygons.end(), random);
    SCOPED_TRACE(testing::Message() << strips << " strips");
    expectSameFrames(painted, kept, polygons, GetParam());
  }
}

// Runs of every length from 1 to 420 bytes, starting anywhere in a 32-byte block, each
// between a gap and a neighbour, the rest of the row a gap: every size by which a fill
// picks its stores, for the spans and the gaps alike.
TEST_P(KeptFrames, RunsOfEveryLengthFromEveryOffset) {
  constexpr int32_t Width = 512, Rows = 140;
  for (int32_t offset : {0, 1, 7, 16, 31}) {
    for (int32_t firstLength = 1; firstLength <= 420; firstLength += Rows) {
      Frame painted(Width, Rows), kept(Width, Rows, true);
      std::vector<ScreenPolygon> polygons;
      for (int32_t y = 0; y < Rows; ++y) {
        const double top = y - 0.5, bottom = y + 0.5;
        const double left = 32 + offset, right = left + firstLength + y;
        polygons.push_back(screenPolygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}}, 1 + y % 200));
        polygons.push_back(screenPolygon({{right, top}, {right + 9, top}, {right + 9, bottom}, {right, bottom}}, 250));
      }
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", lengths from " << firstLength);
      expectSameFrames(painted, kept, polygons, GetParam());
    }
  }
}

TEST_P(KeptFrames, RowsTheFillTargetDoesNotHaveAreCleared) {
  Frame frame(16, 6);
  frame.clear(3);
  const auto storage = std::make_unique<KeptFrame>();
  storage->writer = GetParam();
  frame.spans.kept = storage.get();
  frame.spans.rowCount = 4;
  fillPolygon(screenPolygon({{-1, -1}, {20, -1}, {20, 10}, {-1, 10}}, 8), frame.viewport, frame.spans);
  writeKeptFrame(frame.viewport, *storage);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(frame.at(x, y), y < 4 ? 8 : 0) << x << "," << y;
  }
  EXPECT_TRUE(frame.guardIntact());
}

// The first row on a cache line does not make the others so: with a pitch that is not a
// multiple of 64, the bytes between the rows stay untouched.
TEST_P(KeptFrames, RowsOffTheLinesBelowAnAlignedFirstRow) {
  constexpr int32_t Width = 64, Pitch = 96, Height = 5;
  alignas(64) uint8_t memory[Pitch * Height];
  std::fill(std::begin(memory), std::end(memory), uint8_t(0xEE));
  Viewport viewport{};
  viewport.width = Width;
  viewport.height = Height;
  updateViewport(viewport);
  viewport.rowOrigin = memory;
  viewport.pitch = Pitch;
  std::vector<Span> rows(Height);
  FillTarget spans{rows.data(), Height};
  const auto storage = std::make_unique<KeptFrame>();
  storage->writer = GetParam();
  spans.kept = storage.get();
  fillPolygon(screenPolygon({{-1, -1}, {70, -1}, {70, 10}, {-1, 10}}, 8), viewport, spans);
  writeKeptFrame(viewport, *storage);
  for (int32_t i = 0; i < Pitch * Height; ++i) ASSERT_EQ(memory[i], i % Pitch < Width ? 8 : 0xEE) << i;
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, KeptFrames, testing::ValuesIn(AllRowWriters),
                         [](const testing::TestParamInfo<RowWriter>& info) { return rowWriterName(info.param); });

}  // namespace
