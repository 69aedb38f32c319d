#include "tools/replay/traversal_plan.h"

#include "plan/level_plan.h"
#include "plan/traversal_overlay.h"
#include "viewer/palette.h"

bool drawTraversalPlan(const World& world, const std::string& title, const Camera& camera, const Viewport& viewport,
                       const PassRecord& record, int32_t highlight, std::string& bytes, std::string& error) {
  PlanLevel level;
  level.title = title;
  *level.world = world;
  level.roomNames.assign(size_t(world.roomCount), std::string());
  PlanPalette palette;
  for (int i = 0; i < PaletteSize; ++i) {
    palette.rgb[i][0] = viewerPalette()[i].red;
    palette.rgb[i][1] = viewerPalette()[i].green;
    palette.rgb[i][2] = viewerPalette()[i].blue;
  }
  PlanLayout layout;
  return drawPlan(level, PlanFormat::Svg, bytes, layout, error, [&](cairo_t* cr, const PlanLayout& plan) {
    paintTraversal(cr, planMappingOf(plan), PlanPass{world, camera, viewport, record, highlight}, palette);
  });
}
