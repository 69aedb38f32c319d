// The F4 panel shows the level tool's own plan: at the page's size its pixels are the
// plan's, and a changed level is painted again rather than shown stale.
#include "viewer/plan_panel.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "plan/plan_sheet.h"
#include "world/level_loader.h"

namespace {

constexpr int32_t Strip = 16;  // the panel's "you are in room" line above the plan

// The plan as quellor-level plan paints it, width x height pixels.
std::vector<uint32_t> toolPlan(const World& world, int32_t& width, int32_t& height) {
  PlanLevel level;
  showWorld(level, world, "3rooms.b2");
  PlanLayout layout;
  const PlanSheet sheet = measurePlan(level, layout);
  width = layout.width;
  height = layout.height;
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height, width * 4);
  cairo_t* cr = cairo_create(surface);
  paintPlan(cr, level, sheet, layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return pixels;
}

// Pixels inside the panel's frame that differ from the plan's (the plan below the strip).
int64_t differing(const std::vector<uint32_t>& panel, const std::vector<uint32_t>& plan, int32_t width,
                  int32_t height) {
  int64_t count = 0;
  for (int32_t y = 1; y < height - 1; ++y) {
    for (int32_t x = 1; x < width - 1; ++x) {
      const uint32_t a = panel[size_t(y + Strip) * size_t(width) + size_t(x)] & 0xffffffu;
      const uint32_t b = plan[size_t(y) * size_t(width) + size_t(x)] & 0xffffffu;
      count += a != b;
    }
  }
  return count;
}

TEST(PlanPanel, ShowsTheLevelToolsPlanAndPaintsAChangedLevelAgain) {
  auto world = std::make_unique<World>();
  ASSERT_TRUE(loadLevel(*world, QUELLOR_BINARY_DIR "/3rooms.b2").ok);
  int32_t width = 0, height = 0;
  const std::vector<uint32_t> plan = toolPlan(*world, width, height);
  ASSERT_GT(width, 100);

  // A pass that entered nothing, the eye far off the page: the panel adds only its frame
  // and the strip above the plan.
  Camera camera;
  camera.setPosition(1e5f, 0, 1e5f);
  Viewport viewport{};
  viewport.width = 320;
  viewport.height = 240;
  updateViewport(viewport);
  auto record = std::make_unique<PassRecord>();
  PlanPanel panel;
  std::vector<uint32_t> shown(size_t(width) * size_t(height + Strip));
  const auto paint = [&](const World& w) {
    panel.paint(w, "3rooms.b2", camera, viewport, *record, 0, reinterpret_cast<uint8_t*>(shown.data()), width,
                height + Strip, width * 4);
  };
  paint(*world);
  EXPECT_EQ(differing(shown, plan, width, height), 0);

  // The same level again (kept plan), then one with a room less: the plan follows it.
  paint(*world);
  EXPECT_EQ(differing(shown, plan, width, height), 0);
  auto smaller = std::make_unique<World>(*world);
  smaller->roomCount -= 1;
  paint(*smaller);
  EXPECT_GT(differing(shown, plan, width, height), 1000);
}

}  // namespace
