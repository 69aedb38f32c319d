#include "viewer/plan_panel.h"

#include <cairo.h>

#include <cstdio>

#include "plan/traversal_overlay.h"
#include "viewer/palette.h"

namespace {
struct Palette {
  PlanPalette table;
  Palette() {
    for (int i = 0; i < PaletteSize; ++i) {
      table.rgb[i][0] = viewerPalette()[i].red;
      table.rgb[i][1] = viewerPalette()[i].green;
      table.rgb[i][2] = viewerPalette()[i].blue;
    }
  }
};
const Palette palette;
}  // namespace

void paintPlanPanel(const World& world, const Camera& camera, const Viewport& viewport, const PassRecord& record,
                    int32_t highlight, uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, width, height, pitch);
  cairo_t* cr = cairo_create(surface);
  const PlanMapping map = fitPlan(world, width, height, 8);
  paintRoomsFromAbove(cr, map, world, world.currentRoom);
  paintTraversal(cr, map, PlanPass{world, camera, viewport, record, highlight}, palette.table);
  // "you are here": the room holding the eye.
  char text[48];
  std::snprintf(text, sizeof text, "you are in room %d", int(world.currentRoom));
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 10);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_move_to(cr, 4, 12);
  cairo_show_text(cr, text);
  cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}
