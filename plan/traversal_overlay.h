#pragma once
// One pass's traversal drawn from above with cairo, over a plan of the level: the rooms
// entered with their depth, the portals passed, each portal's frustum as a wedge from the
// eye, the walking camera with its view, and one step highlighted. quellor-replay and the
// viewer's F4 panel draw it over the level tool's plan.
#include <cairo.h>

#include <cstdint>

#include "explain/pass_record.h"
#include "geometry/camera.h"
#include "geometry/viewport.h"
#include "plan/level_plan.h"
#include "world/world.h"

// World (x, z) to the page: x to the right, z up the page.
struct PlanMapping {
  double scale = 1;          // page units per world unit
  double left = 0, top = 0;  // page position of world (minX, maxZ)
  double minX = 0, maxZ = 0;
  double pageX(double x) const { return left + (x - minX) * scale; }
  double pageY(double z) const { return top + (maxZ - z) * scale; }
};

// The colours of the palette's indices, red, green, blue from 0 to 255, 256 of them.
struct PlanPalette {
  uint8_t rgb[256][3];
};

struct PlanPass {
  const World& world;
  const Camera& camera;
  const Viewport& viewport;
  const PassRecord& record;
  int32_t highlight;  // a step to highlight, 0 for none
};

void paintTraversal(cairo_t* cr, const PlanMapping& map, const PlanPass& pass, const PlanPalette& palette);

// The plan's own mapping (a page of drawPlan or paintPlan), drawn zoom times as large with
// its page's corner at (dx, dy).
PlanMapping planMappingOf(const PlanLayout& layout, double zoom = 1, double dx = 0, double dy = 0);
