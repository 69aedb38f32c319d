#pragma once
#include <functional>
#include <string>
#include <vector>

#include "plan/plan_level.h"

enum class PlanFormat { Svg, Png, Pdf };

// The format an output name asks for, by its ending (.svg, .png, .pdf, any case).
bool planFormatOf(const std::string& path, PlanFormat& format);

// A rectangle of the page: page units (pixels for PNG, points for SVG and PDF), y downwards.
struct PlanBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// A text the plan shows and the part of the page it covers (its white backing, or its ink).
struct PlanText {
  std::string text;  // lines shown together are joined by '\n'
  PlanBox box;
};

// Where the plan put things, for its tests.
struct PlanLayout {
  int width = 0, height = 0;
  double scale = 0;          // page units per world unit
  double left = 0, top = 0;  // page position of world (minX, maxZ)
  double minX = 0, maxZ = 0;
  std::vector<std::string> roomLabels;  // "0 hall", one per room
  std::vector<PlanText> texts;          // every text shown, in the order drawn
  double pageX(double x) const { return left + (x - minX) * scale; }
  double pageY(double z) const { return top + (maxZ - z) * scale; }
};

// The tint a room's floor area is filled with (red, green, blue, 0 to 1).
void roomTint(int room, double rgb[3]);
// The start marker's colour.
constexpr double StartMarkerRgb[3] = {0.85, 0.1, 0.1};

// Draws the level from above, to scale: grid, scale bar, rooms with labels, walls,
// openings (side openings as heavy lines, openings in floors and ceilings hatched),
// doors, the start point with its view, the overview camera's footprint, a legend. No
// text covers another: a label whose place is taken moves to the nearest free one, and a
// grid number that has none is left out.
// The encoded file goes to bytes. False with a message when cairo fails.
// An overlay, when given, draws over the plan (inside its frame, after the labels): the
// viewer's explainer draws a pass's traversal so.
// (cairo's own declaration of its context, so that this header needs no cairo headers: the
// page's build reads it without cairo.)
typedef struct _cairo cairo_t;  // NOLINT(modernize-use-using): repeats cairo.h's own typedef
using PlanOverlay = std::function<void(cairo_t*, const PlanLayout&)>;
bool drawPlan(const PlanLevel& level, PlanFormat format, std::string& bytes, PlanLayout& layout, std::string& error,
              const PlanOverlay& overlay = nullptr);

// The same plan painted onto a context the caller made, in page units (the caller scales it
// to fit, as the viewer's plan panel does); sheet and layout come from measurePlan.
struct PlanSheet;
void paintPlan(cairo_t* cr, const PlanLevel& level, const PlanSheet& sheet, PlanLayout& layout,
               const PlanOverlay& overlay = nullptr);
