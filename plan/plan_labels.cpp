#include "plan/plan_labels.h"

#include <algorithm>
#include <cmath>

namespace {

// Page units between the places tried, and kept between two labels.
constexpr double Step = 3;
constexpr double Gap = 1;

PlanBox moved(const PlanBox& b, double dx, double dy) { return {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy}; }

}  // namespace

bool boxesOverlap(const PlanBox& a, const PlanBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool LabelPlacer::isFree(const PlanBox& box) const {
  if (box.left < area_.left || box.top < area_.top || box.right > area_.right || box.bottom > area_.bottom) {
    return false;
  }
  const PlanBox wide{box.left - Gap, box.top - Gap, box.right + Gap, box.bottom + Gap};
  for (const PlanBox& t : taken_) {
    if (boxesOverlap(wide, t)) return false;
  }
  return true;
}

bool LabelPlacer::place(const PlanBox& box, double reach, double& dx, double& dy) {
  // Rings of places round the label's own, nearest first within each ring.
  std::vector<std::pair<int, int>> ring;
  for (int k = 0; k * Step <= reach; ++k) {
    ring.clear();
    for (int i = -k; i <= k; ++i) {
      ring.emplace_back(i, -k);
      if (k > 0) ring.emplace_back(i, k);
    }
    for (int j = 1 - k; j < k; ++j) ring.emplace_back(-k, j), ring.emplace_back(k, j);
    std::stable_sort(ring.begin(), ring.end(), [](const std::pair<int, int>& a, const std::pair<int, int>& b) {
      return a.first * a.first + a.second * a.second < b.first * b.first + b.second * b.second;
    });
    for (const auto& [i, j] : ring) {
      const PlanBox there = moved(box, i * Step, j * Step);
      if (std::hypot(i * Step, j * Step) > reach || !isFree(there)) continue;
      dx = i * Step;
      dy = j * Step;
      taken_.push_back(there);
      return true;
    }
  }
  return false;
}
