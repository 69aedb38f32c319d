#pragma once
// The F4 panel: the level's plan as quellor-level plan draws it, fitted into the panel,
// with the pass's traversal and the live camera over it, painted by cairo into 32-bit
// pixels (a window's texture). The plan itself is painted again only when the level or
// the panel's size changes; the traversal every pass.
#include <cstdint>
#include <string>
#include <vector>

#include "explain/pass_record.h"
#include "plan/level_plan.h"
#include "plan/traversal_overlay.h"
#include "viewer/viewer_state.h"

// The viewer's palette as the traversal's painter takes it.
const PlanPalette& viewerPlanPalette();

class PlanPanel {
 public:
  // highlight: the step shown in step mode, 0 for none. pixels: width x height, xRGB, pitch
  // bytes a row. title: the level's name, as the plan's heading shows it.
  void paint(const World& world, const std::string& title, const Camera& camera, const Viewport& viewport,
             const PassRecord& record, int32_t highlight, uint8_t* pixels, int32_t width, int32_t height,
             int32_t pitch);

 private:
  bool showing(const World& world, const std::string& title, int32_t width, int32_t height) const;
  void paintLevel(const World& world, const std::string& title, int32_t width, int32_t height);

  PlanLevel level_;  // the level the kept plan shows
  bool painted_ = false;
  int32_t width_ = 0, height_ = 0;
  std::vector<uint32_t> plan_;  // width_ x height_, row after row
  PlanMapping map_;             // world to the panel's pixels
};
