#pragma once
// One pass's traversal drawn from above with cairo, over a plan of the level: the rooms
// entered with their depth, the portals passed, each portal's frustum as a wedge from the
// eye, the walking camera with its view, and one step highlighted. quellor-replay draws
// it over the level tool's plan, the viewer's F4 panel over the rooms' outlines.
#include <cairo.h>

#include <cstdint>

#include "explain/pass_record.h"
#include "geometry/camera.h"
#include "geometry/viewport.h"
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

// The level's rooms fitted into width x height page units with a margin, and drawn: walls
// as lines, portals as thin lines, the room holding the camera tinted, its index named.
PlanMapping fitPlan(const World& world, double width, double height, double margin);
void paintRoomsFromAbove(cairo_t* cr, const PlanMapping& map, const World& world, int32_t cameraRoom);
