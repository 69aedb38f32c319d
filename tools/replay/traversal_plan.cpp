#include "tools/replay/traversal_plan.h"

#include "plan/level_plan.h"
#include "plan/traversal_overlay.h"
#include "viewer/plan_panel.h"

bool drawTraversalPlan(const World& world, const std::string& title, const Camera& camera, const Viewport& viewport,
                       const PassRecord& record, int32_t highlight, std::string& bytes, std::string& error) {
  PlanLevel level;
  showWorld(level, world, title);
  PlanLayout layout;
  return drawPlan(level, PlanFormat::Svg, bytes, layout, error, [&](cairo_t* cr, const PlanLayout& plan) {
    paintTraversal(cr, planMappingOf(plan), PlanPass{world, camera, viewport, record, highlight}, viewerPlanPalette());
  });
}
