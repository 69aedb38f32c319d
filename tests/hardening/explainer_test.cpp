// The explainer against the plain pass: the steps' pixels add up to the frame, the depth
// view covers the plain frame's pixels, the last step's picture is the plain frame with
// only the highlight added, a pixel's story names the wall the frame shows there, and none
// of it allocates or runs past the budget, on shipped levels and hostile topologies.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "explain/explainer.h"
#include "explain/frame_marks.h"
#include "explain/step_text.h"
#include "hardening_files.h"
#include "portal_topology.h"
#include "render/render_fixtures.h"
#include "support/heap_counter.h"

namespace {

using render_test::Frame;

std::vector<uint8_t> pixelsOf(const Frame& frame) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < frame.height(); ++y)
    for (int32_t x = 0; x < frame.width(); ++x) out.push_back(frame.at(x, y));
  return out;
}

struct Bench {
  Frame frame{160, 120, true};
  Renderer renderer;
  std::unique_ptr<Explainer> explainer = std::make_unique<Explainer>();
  Bench() { renderer.fitRows(120); }
};

// overlapFree: the level's walls never paint a pixel twice, so the steps' pixels add up
// to the covered pixels exactly (hostile topologies draw the same wall many times).
void checkView(Bench& b, const World& world, Vec3 eye, double yaw, bool overlapFree, const char* what) {
  SCOPED_TRACE(what);
  Camera camera;
  const Matrix3 turned{
      {{float(std::cos(yaw)), 0, float(-std::sin(yaw))}, {0, 1, 0}, {float(std::sin(yaw)), 0, float(std::cos(yaw))}}};
  render_test::placeCamera(camera, b.frame.viewport, eye, turned);
  const Frustum frustum = render_test::screenFrustum(camera);
  const PassScene scene{world, camera, b.frame.viewport, frustum};
  b.renderer.draw(world, camera, b.frame.viewport, frustum);
  const std::vector<uint8_t> plain = pixelsOf(b.frame);
  int64_t covered = 0;
  for (uint8_t p : plain) covered += p != 0;

  Explainer& e = *b.explainer;
  const int64_t heapBefore = heapAllocationCount();
  e.recordPass(b.renderer, scene, ExplainOptions{});
  EXPECT_EQ(heapAllocationCount(), heapBefore) << "recording allocates nothing";
  ASSERT_EQ(pixelsOf(b.frame), plain) << "a recorded pass draws the plain frame";
  const PassRecord& r = e.record();
  ASSERT_GE(r.stepCount, 1);
  ASSERT_LE(r.stepCount, MaxTraversalWork);
  EXPECT_EQ(r.stepCount, r.counts.work);
  int64_t stepPixels = 0;
  for (int32_t k = 1; k <= r.stepCount; ++k) stepPixels += r.steps[k].pixels;
  EXPECT_EQ(stepPixels, r.counts.pixelsFilled);
  if (overlapFree) {
    EXPECT_EQ(stepPixels, covered) << "the steps' pixels are the frame's covered pixels";
  }

  // The depth view: the same pixels covered, each in a depth's colour (or a portal's outline,
  // which is one too).
  e.recordPass(b.renderer, scene, ExplainOptions{true});
  const std::vector<uint8_t> depth = pixelsOf(b.frame);
  for (size_t i = 0; i < plain.size(); ++i) {
    ASSERT_EQ(plain[i] != 0, depth[i] != 0) << "pixel " << i;
    if (depth[i] != 0) {
      bool isDepthColour = false;
      for (uint8_t c : DepthColours) isDepthColour = isDepthColour || c == depth[i];
      ASSERT_TRUE(isDepthColour) << "pixel " << i << " is " << int(depth[i]);
    }
  }

  // The last step's picture: the plain frame, changed only where the highlight is drawn.
  e.recordPass(b.renderer, scene, ExplainOptions{});
  Frame marks(b.frame.width(), b.frame.height(), true);
  e.drawStepHighlight(marks.viewport, r.stepCount);
  const std::vector<uint8_t> mask = pixelsOf(marks);
  e.drawStep(b.renderer, scene, ExplainOptions{}, r.stepCount);
  const std::vector<uint8_t> last = pixelsOf(b.frame);
  int64_t highlighted = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (mask[i] != 0) {
      ++highlighted;
    } else {
      ASSERT_EQ(last[i], plain[i]) << "pixel " << i << " changed outside the highlight";
    }
  }
  // (A hostile pass may end on a sliver deep down whose outlines lie off the frame.)
  if (overlapFree) {
    EXPECT_GT(highlighted, 0);
  }
  // Stepping is exact both ways: step k's picture again after stepping on and back.
  const int32_t k = (r.stepCount + 1) / 2;
  e.drawStep(b.renderer, scene, ExplainOptions{}, k);
  const std::vector<uint8_t> atK = pixelsOf(b.frame);
  const int64_t beforeSteps = heapAllocationCount();
  for (int32_t s = 0; s <= r.stepCount; s += 1 + r.stepCount / 16) e.drawStep(b.renderer, scene, ExplainOptions{}, s);
  e.drawStep(b.renderer, scene, ExplainOptions{}, k);
  EXPECT_EQ(heapAllocationCount(), beforeSteps) << "stepping allocates nothing";
  EXPECT_EQ(pixelsOf(b.frame), atK);

  // A pixel's story names the wall whose colour the frame shows there, at its depth.
  Frame byDepth(b.frame.width(), b.frame.height(), true);
  uint8_t table[MaxTraversalDepth];
  for (int32_t d = 0; d < MaxTraversalDepth; ++d) table[d] = uint8_t(100 + d);
  PassWatch watch;
  watch.wallColourByDepth = table;
  b.renderer.draw(world, camera, byDepth.viewport, frustum, &watch);
  char text[MaxExplainText];
  const uint8_t rgb[3] = {1, 2, 3};
  for (int32_t y = 3; y < b.frame.height(); y += 29) {
    for (int32_t x = 5; x < b.frame.width(); x += 31) {
      const PixelStory story = e.pixelStory(b.renderer, scene, ExplainOptions{}, x, y);
      const uint8_t shown = plain[size_t(y) * size_t(b.frame.width()) + size_t(x)];
      ASSERT_TRUE(story.inFrame);
      ASSERT_EQ(story.painted, shown != 0) << x << "," << y;
      pixelStoryText(r, story, rgb, text, sizeof text);
      if (!story.painted) continue;
      EXPECT_EQ(story.colour, shown) << x << "," << y;
      EXPECT_EQ(byDepth.at(x, y), 100 + story.depth) << x << "," << y;
      EXPECT_LE(story.spanLeft, x);
      EXPECT_GT(story.spanRight, x);
      EXPECT_EQ(story.chainLength, story.depth) << "one portal a depth";
      EXPECT_EQ(r.steps[story.step].kind, StepKind::Wall);
    }
  }
  EXPECT_FALSE(e.pixelStory(b.renderer, scene, ExplainOptions{}, -1, 0).inFrame);
  EXPECT_FALSE(e.pixelStory(b.renderer, scene, ExplainOptions{}, 0, b.frame.height()).inFrame);
  for (int32_t s = 0; s <= r.stepCount + 1; ++s) {
    stepCaption(r, s, text, sizeof text);
    stepTableLine(r, s, text, sizeof text);
  }
  EXPECT_TRUE(b.frame.guardIntact());
}

TEST(Explainer, ShippedLevels) {
  const std::vector<std::string> levels = hardening_test::shippedLevels();
  ASSERT_FALSE(levels.empty());
  auto world = std::make_unique<World>();
  auto bench = std::make_unique<Bench>();
  for (const std::string& path : levels) {
    ASSERT_TRUE(loadLevel(*world, path.c_str()).ok) << path;
    world->currentRoom = 0;
    for (int turn = 0; turn < 4; ++turn) checkView(*bench, *world, {5, 0, 0}, turn * 1.57, true, path.c_str());
  }
}

TEST(Explainer, HostileTopologiesStayBounded) {
  auto world = std::make_unique<World>();
  auto bench = std::make_unique<Bench>();
  for (PortalTopology kind : PortalTopologies) {
    buildPortalTopology(*world, kind);
    checkView(*bench, *world, pointInRoom(0, false, 0.5f, 0.5f, 0.5f), 0.61, false, topologyName(kind));
  }
}

TEST(Explainer, CaptionsSayWhatTheStepDid) {
  auto world = std::make_unique<World>();
  auto bench = std::make_unique<Bench>();
  const std::vector<std::string> levels = hardening_test::shippedLevels();
  ASSERT_TRUE(loadLevel(*world, levels.front().c_str()).ok);
  world->currentRoom = 0;
  Camera camera;
  render_test::placeCamera(camera, bench->frame.viewport, {5, 0, 0});
  const Frustum frustum = render_test::screenFrustum(camera);
  bench->explainer->recordPass(bench->renderer, {*world, camera, bench->frame.viewport, frustum}, {});
  char text[MaxExplainText];
  stepCaption(bench->explainer->record(), 1, text, sizeof text);
  EXPECT_NE(std::string(text).find("room 0 entered at depth 0, seen through a frustum of 4 planes"), std::string::npos)
      << text;
  passCountersText(bench->explainer->record().counts, text, sizeof text);
  EXPECT_NE(std::string(text).find("of 1024"), std::string::npos) << text;
}

}  // namespace
