#pragma once
#include <vector>

#include "plan/level_plan.h"

// Places the plan's labels so that none covers another. Labels are placed one at a time,
// the most important first; each keeps its own place when that is free and otherwise takes
// the nearest free place within its reach, or is left out.
class LabelPlacer {
 public:
  // Labels stay inside area (the drawing, which clips them).
  explicit LabelPlacer(const PlanBox& area) : area_(area) {}

  // Something labels keep clear of that is not itself placed: a marker, a fixed text.
  void keepClear(const PlanBox& box) { taken_.push_back(box); }

  // Finds the offset (dx, dy) that moves box to a free place at most reach page units away
  // (0: only its own place). False when there is none: the label is left out.
  bool place(const PlanBox& box, double reach, double& dx, double& dy);

 private:
  bool isFree(const PlanBox& box) const;

  PlanBox area_;
  std::vector<PlanBox> taken_;
};

// True when the two boxes share more than an edge.
bool boxesOverlap(const PlanBox& a, const PlanBox& b);
