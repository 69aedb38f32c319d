#include "viewer/plan_panel.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plan/plan_sheet.h"
#include "viewer/palette.h"

namespace {

// The strip above the plan that says which room holds the eye.
constexpr int32_t HereStrip = 16;

// The same rooms and overview camera: the plan would be drawn the same.
bool sameLevel(const World& a, const World& b) {
  return a.roomCount == b.roomCount && std::memcmp(a.rooms, b.rooms, sizeof(Room) * size_t(a.roomCount)) == 0 &&
         std::memcmp(&a.overviewPosition, &b.overviewPosition, sizeof a.overviewPosition) == 0 &&
         std::memcmp(&a.overviewOrientation, &b.overviewOrientation, sizeof a.overviewOrientation) == 0;
}

}  // namespace

const PlanPalette& viewerPlanPalette() {
  static const PlanPalette table = [] {
    PlanPalette t{};
    for (int i = 0; i < PaletteSize; ++i) {
      t.rgb[i][0] = viewerPalette()[i].red;
      t.rgb[i][1] = viewerPalette()[i].green;
      t.rgb[i][2] = viewerPalette()[i].blue;
    }
    return t;
  }();
  return table;
}

bool PlanPanel::showing(const World& world, const std::string& title, int32_t width, int32_t height) const {
  return painted_ && width == width_ && height == height_ && title == level_.title && sameLevel(world, *level_.world);
}

void PlanPanel::paintLevel(const World& world, const std::string& title, int32_t width, int32_t height) {
  showWorld(level_, world, title);
  width_ = width;
  height_ = height;
  plan_.assign(size_t(width) * size_t(height), 0);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(plan_.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height, width * 4);
  cairo_t* cr = cairo_create(surface);
  PlanLayout layout;
  const PlanSheet sheet = measurePlan(level_, layout);
  // The whole page, as large as the panel lets it be below the strip, in the middle.
  const double below = std::max(height - HereStrip, 1);
  const double zoom = std::min(double(width) / layout.width, below / layout.height);
  const double dx = (width - layout.width * zoom) / 2, dy = HereStrip + (below - layout.height * zoom) / 2;
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, zoom, zoom);
  paintPlan(cr, level_, sheet, layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  map_ = planMappingOf(layout, zoom, dx, dy);
  painted_ = true;
}

void PlanPanel::paint(const World& world, const std::string& title, const Camera& camera, const Viewport& viewport,
                      const PassRecord& record, int32_t highlight, uint8_t* pixels, int32_t width, int32_t height,
                      int32_t pitch) {
  if (width <= 0 || height <= 0) return;
  if (!showing(world, title, width, height)) paintLevel(world, title, width, height);
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(pixels + size_t(y) * size_t(pitch), plan_.data() + size_t(y) * size_t(width), size_t(width) * 4);
  }
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, width, height, pitch);
  cairo_t* cr = cairo_create(surface);
  paintTraversal(cr, map_, PlanPass{world, camera, viewport, record, highlight}, viewerPlanPalette());
  // "you are here": the room holding the eye.
  char text[48];
  std::snprintf(text, sizeof text, "you are in room %d", int(world.currentRoom));
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 10);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_move_to(cr, 4, HereStrip - 4);
  cairo_show_text(cr, text);
  cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}
