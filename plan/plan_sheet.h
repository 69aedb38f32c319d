#pragma once
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/camera.h"
#include "geometry/face_kind.h"
#include "geometry/flat_polygon.h"
#include "plan/level_plan.h"
#include "plan/number_text.h"
#include "plan/plan_level.h"

// The plan's geometry, worked out before anything is drawn: each room seen from above, the
// start view and the overview camera as the viewer has them, the page and the scale.

// How far forward the plan draws the start view, in world units.
constexpr double StartViewLength = 3.0;
// The page around the drawing: the title above it, the scale bar and the legend below.
constexpr double HeaderHeight = 44, LegendHeight = 134, Margin = 24, MinPageWidth = 620;
// The plan's numbers: three significant digits, noise shown as 0.
constexpr int PlanDigits = 3;
inline std::string planNumber(double v) { return numberText(v, PlanDigits, NearZero::AsZero); }

struct HeightRange {
  double low = INFINITY, high = -INFINITY;
  bool empty() const { return low > high; }
  void add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};
// "-", "2" or "-5..1.5".
std::string rangeText(const HeightRange& range);
HeightRange heightsOf(const WorldPolygon& polygon);
// The polygon's corners seen from above.
Polygon2 planOf(const WorldPolygon& polygon);
// The two ends of an upright polygon seen from above.
void segmentOf(const WorldPolygon& polygon, Point2& a, Point2& b);

struct PlanRoom {
  Polygon2 footprint;  // the convex hull of its polygons from above
  HeightRange floor, ceiling;
  int stack = 0;  // how many lower rooms it stands over in plan
};

// The start as the plan shows it: the viewer's start camera, the arrow along its view and
// the first StartViewLength units of the view at the first window size.
struct PlanStart {
  Vec3 eye{};
  std::string axis;  // the view's direction: "+z"
  Point2 at, tip, right, left;
};

// What the overview camera's picture covers at one height, from above.
struct OverviewFootprint {
  double x0 = 0, x1 = 0, z0 = 0, z1 = 0;
};

struct PlanSheet {
  std::vector<PlanRoom> rooms;
  PlanStart start;
  ScreenExtent extent{};  // the first window's, for the start view and the overview
  double plotRight = 0, plotBottom = 0;
  double lowestFloor = INFINITY;
};

// Measures the level and lays out the page (layout's size, scale and room labels).
PlanSheet measurePlan(const PlanLevel& level, PlanLayout& layout);

// What the world's overview camera shows at height y: false when y is not below it. The
// camera looks straight down, so the picture is a rectangle in plan.
bool overviewFootprint(const World& world, const ScreenExtent& extent, double y, OverviewFootprint& footprint);
