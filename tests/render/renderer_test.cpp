// The renderer's one entry, Renderer::draw: it clears, picks the frame's mode and writes
// the kept rows, and every mode and row writer gives the same frame.
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/portal_traversal.h"
#include "render_fixtures.h"

namespace {

using render_test::Frame;
using render_test::GuardValue;
using render_test::LevelBuilder;

// The two rooms of render_fixtures.h, seen from inside the first at a slant, so the frame
// has walls of both rooms with sloped edges and pixels no wall covers stay 0 only at the edges.
using render_test::buildTwoRooms;

struct Scene {
  LevelBuilder level;
  Camera camera;
  explicit Scene(const Viewport& viewport) {
    buildTwoRooms(level);
    level.world().currentRoom = 0;
    const float c = 0.8f, s = 0.6f;  // turned about y
    render_test::placeCamera(camera, viewport, {5, 1, -5}, {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}});
  }
};

// A renderer with working space for frames of `height` rows, as the viewer makes it with
// the frame buffer.
std::unique_ptr<Renderer> rendererFor(int32_t height) {
  auto renderer = std::make_unique<Renderer>();
  EXPECT_TRUE(renderer->fitRows(height));
  return renderer;
}

std::vector<uint8_t> pixels(const Frame& frame) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < frame.height(); ++y)
    for (int32_t x = 0; x < frame.width(); ++x) out.push_back(frame.at(x, y));
  return out;
}

TEST(FrameMode, FramesFromTheThresholdOnAreKept) {
  const auto renderer = rendererFor(4);
  Viewport v{};
  v.width = 512;
  v.height = 512;
  ASSERT_TRUE(renderer->keptFrame());
  EXPECT_EQ(renderer->keepFromBytes, size_t(256) * 1024);
  renderer->keepFromBytes = 512 * 512;
  EXPECT_EQ(renderer->mode(v), FrameMode::KeepStretches);
  renderer->keepFromBytes = 512 * 512 + 1;
  EXPECT_EQ(renderer->mode(v), FrameMode::PaintSpans);
}

TEST(Renderer, TheWriterIsKeptInOnePlaceAndRowsFollowTheFrame) {
  Renderer renderer;
  EXPECT_EQ(renderer.writer(), fastestRowWriter());
  renderer.setWriter(RowWriter::Sse2);
  EXPECT_EQ(renderer.writer(), RowWriter::Sse2);
  EXPECT_EQ(renderer.keptFrame()->writer, RowWriter::Sse2);
  EXPECT_EQ(renderer.rowCount(), 0);
  ASSERT_TRUE(renderer.fitRows(240));
  EXPECT_EQ(renderer.rowCount(), 240);
  ASSERT_TRUE(renderer.fitRows(12));
  EXPECT_EQ(renderer.rowCount(), 12);
}

TEST(ClearViewport, ClearsEveryPixelOfEitherRowOrderAndNothingAroundThem) {
  for (const bool bottomUp : {false, true}) {
    Frame frame(36, 7, bottomUp);  // a guard band: rows are not back to back
    frame.clear(5);
    clearViewport(frame.viewport);
    EXPECT_EQ(frame.count(0), 36 * 7);
    EXPECT_TRUE(frame.guardIntact());
  }
  // Rows back to back, stored bottom-up as the viewer stores them: one fill.
  std::vector<uint8_t> memory(2 + 8 * 3 + 2, GuardValue);
  Viewport v{};
  v.width = 8;
  v.height = 3;
  v.pitch = -8;
  v.rowOrigin = memory.data() + 2 + 16;
  clearViewport(v);
  for (size_t i = 0; i < memory.size(); ++i) EXPECT_EQ(memory[i], i < 2 || i >= 26 ? GuardValue : 0) << i;
}

TEST(Renderer, AFrameWithoutPixelsIsLeftAlone) {
  Frame frame(64, 48);
  Scene scene(frame.viewport);
  const auto renderer = rendererFor(48);
  Viewport none = frame.viewport;
  none.rowOrigin = nullptr;
  frame.clear(3);
  renderer->draw(scene.level.world(), scene.camera, none, render_test::screenFrustum(scene.camera));
  EXPECT_EQ(frame.count(3), 64 * 48);
}

TEST(Renderer, AnEmptyWorldGivesAClearedFrameInEitherMode) {
  for (const size_t keepFrom : {size_t(0), size_t(1) << 40}) {
    Frame frame(64, 48);
    Scene scene(frame.viewport);
    scene.level.world().roomCount = 0;
    const auto renderer = rendererFor(48);
    renderer->keepFromBytes = keepFrom;
    frame.clear(3);
    renderer->draw(scene.level.world(), scene.camera, frame.viewport, render_test::screenFrustum(scene.camera));
    EXPECT_EQ(frame.count(0), 64 * 48) << "keeping from " << keepFrom << " bytes";
    EXPECT_TRUE(frame.guardIntact());
  }
}

// The frame the traversal paints span by span into a cleared frame is the reference;
// the renderer must give it in both modes, with every row writer this processor runs,
// whatever the frame held before, and twice in a row (the kept storage is emptied).
TEST(Renderer, EveryModeAndRowWriterGivesThePaintedFrame) {
  for (const bool bottomUp : {false, true}) {
    Frame reference(200, 150, bottomUp);
    Scene scene(reference.viewport);
    const World& world = scene.level.world();
    const Frustum frustum = render_test::screenFrustum(scene.camera);
    renderRoom(world, scene.camera, reference.viewport, reference.spans, 0, frustum);
    const std::vector<uint8_t> expected = pixels(reference);
    ASSERT_GT(reference.count(0), 0);
    ASSERT_LT(reference.count(0), 200 * 150 / 2) << "walls cover most of the frame";

    for (const RowWriter writer : AllRowWriters) {
      if (!rowWriterRuns(writer)) continue;
      for (const size_t keepFrom : {size_t(0), size_t(1) << 40}) {
        SCOPED_TRACE(testing::Message() << rowWriterName(writer) << ", keeping from " << keepFrom
                                        << (bottomUp ? ", bottom-up" : ", top-down"));
        Frame frame(200, 150, bottomUp);
        const auto renderer = rendererFor(150);
        renderer->setWriter(writer);
        renderer->keepFromBytes = keepFrom;
        for (int time = 0; time < 2; ++time) {
          frame.clear(uint8_t(77 + time));
          renderer->draw(world, scene.camera, frame.viewport, frustum);
          EXPECT_EQ(pixels(frame), expected);
          EXPECT_TRUE(frame.guardIntact());
          EXPECT_EQ(renderer->keptFrame()->count, 0);
        }
      }
    }
  }
}

TEST(RowWriters, NamesGoBothWaysAndOthersAreRefused) {
  for (const RowWriter writer : AllRowWriters) {
    RowWriter named = writer == RowWriter::Sse2 ? RowWriter::Avx2 : RowWriter::Sse2;
    ASSERT_TRUE(rowWriterNamed(rowWriterName(writer), named));
    EXPECT_EQ(named, writer);
  }
  RowWriter untouched = RowWriter::Avx2;
  for (const char* name : {"", "SSE2", "avx", "avx5120", "portable"}) {
    EXPECT_FALSE(rowWriterNamed(name, untouched)) << name;
  }
  EXPECT_FALSE(rowWriterNamed(nullptr, untouched));
  EXPECT_EQ(untouched, RowWriter::Avx2);
  EXPECT_TRUE(rowWriterRuns(RowWriter::Sse2)) << "every x86-64 processor runs it";
  EXPECT_TRUE(rowWriterRuns(fastestRowWriter()));
  if (rowWriterRuns(RowWriter::Avx512)) {
    EXPECT_EQ(fastestRowWriter(), RowWriter::Avx512);
  }
}

}  // namespace
