#include "plan/level_plan.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "plan/plan_labels.h"
#include "plan/plan_sheet.h"

namespace {

// Labels attached to a thing (the start, a camera, an opening) move at most this far from
// their own place, in page units; farther off they would seem to name something else.
constexpr double AttachedReach = 60;

// One line of text as the plan shows it.
struct TextLine {
  std::string text;
  double size = 10;
  bool bold = false;
  bool boxed = false;   // centred on x, dark on a white backing
  double x = 0, y = 0;  // the baseline's start (its middle when boxed)
  double rgb[3] = {0, 0, 0};
};

// Lines that are placed together, and how far they may be moved to a free place.
struct Label {
  std::vector<TextLine> lines;
  double reach = 0;  // 0: only its own place, else it is left out
};

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

PlanBox unionOf(const PlanBox& a, const PlanBox& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Paints a measured sheet on a cairo surface, and reports every text it shows.
class Painter {
 public:
  Painter(const PlanLevel& level, const PlanSheet& sheet, PlanLayout& layout, cairo_t* cr, const PlanOverlay& overlay)
      : level_(level), world_(*level.world), sheet_(sheet), layout_(layout), cr_(cr), overlay_(overlay) {}

  void paint() {
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_paint(cr_);
    header();
    cairo_save(cr_);
    cairo_rectangle(cr_, layout_.left, layout_.top, plotWidth(), plotHeight());
    cairo_clip(cr_);
    grid();
    for (int r = 0; r < world_.roomCount; ++r) roomArea(r);
    for (int r = 0; r < world_.roomCount; ++r) horizontalOpenings(r);
    for (int r = 0; r < world_.roomCount; ++r) sides(r);
    doors();
    overview();
    start();
    labels();
    if (overlay_) {
      cairo_save(cr_);
      overlay_(cr_, layout_);
      cairo_restore(cr_);
    }
    cairo_restore(cr_);
    cairo_set_source_rgb(cr_, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr_, 1);
    cairo_rectangle(cr_, layout_.left, layout_.top, plotWidth(), plotHeight());
    cairo_stroke(cr_);
    scaleBar();
    legend();
  }

 private:
  double plotWidth() const { return sheet_.plotRight - layout_.left; }
  double plotHeight() const { return sheet_.plotBottom - layout_.top; }
  double pageX(const Point2& p) const { return layout_.pageX(p.u); }
  double pageY(const Point2& p) const { return layout_.pageY(p.v); }

  void moveTo(const Point2& p) { cairo_move_to(cr_, pageX(p), pageY(p)); }
  void lineTo(const Point2& p) { cairo_line_to(cr_, pageX(p), pageY(p)); }
  void path(const Polygon2& points) {
    cairo_new_path(cr_);
    for (size_t i = 0; i < points.size(); ++i) i == 0 ? moveTo(points[i]) : lineTo(points[i]);
    cairo_close_path(cr_);
  }

  cairo_text_extents_t extentsOf(const TextLine& line) {
    cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           line.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, line.size);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, line.text.c_str(), &e);
    return e;
  }

  // What the line covers: its backing, or its ink.
  PlanBox boxOf(const TextLine& line) {
    const cairo_text_extents_t e = extentsOf(line);
    if (line.boxed) return {line.x - e.width / 2 - 2, line.y - line.size - 1, line.x + e.width / 2 + 2, line.y + 4};
    return {line.x + e.x_bearing, line.y + e.y_bearing, line.x + e.x_bearing + e.width,
            line.y + e.y_bearing + e.height};
  }

  PlanBox boxOf(const Label& label) {
    PlanBox box = boxOf(label.lines[0]);
    for (const TextLine& line : label.lines) box = unionOf(box, boxOf(line));
    return box;
  }

  void draw(const TextLine& line, double dx, double dy) {
    const cairo_text_extents_t e = extentsOf(line);
    const double x = line.x + dx, y = line.y + dy;
    if (line.boxed) {
      // On a white backing, so it stays readable over lines and hatching.
      cairo_set_source_rgba(cr_, 1, 1, 1, 0.8);
      cairo_rectangle(cr_, x - e.width / 2 - 2, y - line.size - 1, e.width + 4, line.size + 5);
      cairo_fill(cr_);
    }
    cairo_set_source_rgb(cr_, line.rgb[0], line.rgb[1], line.rgb[2]);
    cairo_move_to(cr_, line.boxed ? x - e.width / 2 - e.x_bearing : x, y);
    cairo_show_text(cr_, line.text.c_str());
  }

  void show(const Label& label, double dx, double dy) {
    std::string text;
    for (const TextLine& line : label.lines) {
      draw(line, dx, dy);
      text += (text.empty() ? "" : "\n") + line.text;
    }
    PlanBox box = boxOf(label);
    box = {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
    layout_.texts.push_back({text, box});
  }

  static constexpr double Ink[3] = {0.1, 0.1, 0.1};

  static TextLine plainLine(const std::string& s, double x, double y, double size, const double rgb[3] = Ink,
                            bool bold = false) {
    TextLine line;
    line.text = s;
    line.x = x;
    line.y = y;
    line.size = size;
    line.bold = bold;
    std::copy(rgb, rgb + 3, line.rgb);
    return line;
  }

  static TextLine boxedLine(const std::string& s, double x, double y, double size, bool bold = false) {
    TextLine line = plainLine(s, x, y, size, Ink, bold);
    line.boxed = true;
    return line;
  }

  // A text outside the drawing, where nothing moves.
  void fixedText(double x, double y, const std::string& s, double size, bool bold = false) {
    show({{plainLine(s, x, y, size, Ink, bold)}, 0}, 0, 0);
  }

  void header() {
    fixedText(Margin, 20, "Plan of " + level_.title, 15, true);
    fixedText(Margin, 37,
              std::to_string(world_.roomCount) + " rooms; seen from above, x to the right, z up the page; world units",
              11);
  }

  double gridStep() const {
    for (double step : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0}) {
      if (step * layout_.scale >= 14) return step;
    }
    return 100.0;
  }

  double labelStep() const {
    const double step = gridStep();
    double labelStep = step;
    while (labelStep * layout_.scale < 28) labelStep *= labelStep == step ? 5 : 2;
    return labelStep;
  }

  // The grid's lines along one axis (x across the page, or z up it), counted in whole
  // steps: a sum of steps would drift off the lines.
  template <class Line>
  void gridLines(double from, double to, const Line& line) {
    const double step = gridStep();
    cairo_set_line_width(cr_, 0.5);
    for (int64_t i = int64_t(std::ceil(from / step));; ++i) {
      const double v = double(i) * step;
      if (v > to) break;
      const bool major = std::fmod(std::fabs(v), step * 5) < 1e-9;
      const double grey = major ? 0.7 : 0.88;
      cairo_set_source_rgb(cr_, grey, grey, grey);
      line(v);
      cairo_stroke(cr_);
    }
  }

  double maxX() const { return layout_.minX + plotWidth() / layout_.scale; }
  double minZ() const { return layout_.maxZ - plotHeight() / layout_.scale; }

  void grid() {
    gridLines(layout_.minX, maxX(), [&](double x) { moveTo({x, minZ()}), lineTo({x, layout_.maxZ}); });
    gridLines(minZ(), layout_.maxZ, [&](double z) { moveTo({layout_.minX, z}), lineTo({maxX(), z}); });
  }

  // The numbers along the drawing's bottom and left edges, on every labelled line.
  void gridLabels(std::vector<Label>& labels) const {
    static const double grey[3] = {0.45, 0.45, 0.45};
    const double every = labelStep(), step = gridStep();
    auto labelled = [&](double v) { return std::fabs(std::remainder(v, every)) < 1e-9; };
    for (int64_t i = int64_t(std::ceil(layout_.minX / step)); double(i) * step <= maxX(); ++i) {
      const double x = double(i) * step;
      if (labelled(x))
        labels.push_back({{plainLine(planNumber(x), layout_.pageX(x) + 2, sheet_.plotBottom - 3, 9, grey)}, 0});
    }
    for (int64_t i = int64_t(std::ceil(minZ() / step)); double(i) * step <= layout_.maxZ; ++i) {
      const double z = double(i) * step;
      if (labelled(z))
        labels.push_back({{plainLine(planNumber(z), layout_.left + 2, layout_.pageY(z) - 2, 9, grey)}, 0});
    }
  }

  void dashFor(int stack) {
    static const double dashes[][2] = {{8, 4}, {2, 3}};
    if (stack <= 0)
      cairo_set_dash(cr_, nullptr, 0, 0);
    else
      cairo_set_dash(cr_, dashes[(stack - 1) % 2], 2, 0);
  }

  void roomArea(int r) {
    double tint[3];
    roomTint(r, tint);
    path(sheet_.rooms[size_t(r)].footprint);
    cairo_set_source_rgba(cr_, tint[0], tint[1], tint[2], sheet_.rooms[size_t(r)].stack > 0 ? 0.45 : 1.0);
    cairo_fill(cr_);
  }

  // Each opening in a floor or ceiling once, from its lower room.
  static bool isHorizontalOpening(const WorldPolygon& polygon, int r) {
    return polygon.targetRoom >= r && std::fabs(polygon.plane.normal.y) >= HorizontalNormal;
  }

  void horizontalOpenings(int r) {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (!isHorizontalOpening(polygon, r)) continue;
      const Polygon2 points = planOf(polygon);
      cairo_save(cr_);
      path(points);
      cairo_clip_preserve(cr_);
      cairo_set_source_rgb(cr_, 0.15, 0.35, 0.8);
      cairo_set_line_width(cr_, 1.5);
      cairo_set_dash(cr_, nullptr, 0, 0);
      cairo_stroke(cr_);
      double x0, y0, x1, y1;
      path(points);
      cairo_path_extents(cr_, &x0, &y0, &x1, &y1);
      cairo_new_path(cr_);
      cairo_set_line_width(cr_, 1);
      for (int32_t k = 0;; ++k) {
        const double d = x0 - (y1 - y0) + 7.0 * k;
        if (d >= x1) break;
        cairo_move_to(cr_, d, y1);
        cairo_line_to(cr_, d + (y1 - y0), y0);
      }
      cairo_stroke(cr_);
      cairo_restore(cr_);
    }
  }

  void openingLabels(int r, std::vector<Label>& labels) const {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (!isHorizontalOpening(polygon, r)) continue;
      const Point2 c = cornerAverage(planOf(polygon));
      labels.push_back({{boxedLine("opening " + std::to_string(r) + "-" + std::to_string(polygon.targetRoom) +
                                       " at y " + rangeText(heightsOf(polygon)),
                                   pageX(c), pageY(c) + 26, 9)},
                        AttachedReach});
    }
  }

  static bool isSide(const WorldPolygon& polygon) { return std::fabs(polygon.plane.normal.y) < HorizontalNormal; }

  void sides(int r) {
    const Room& room = world_.rooms[r];
    const int stack = sheet_.rooms[size_t(r)].stack;
    // Walls first, then the openings over them: an opening shows as its part of the side.
    for (int pass = 0; pass < 2; ++pass) {
      for (int p = 0; p < room.polygonCount; ++p) {
        const WorldPolygon& polygon = room.polygons[p];
        const bool portal = polygon.targetRoom >= 0;
        if (!isSide(polygon) || portal != (pass == 1)) continue;
        Point2 a, b;
        segmentOf(polygon, a, b);
        moveTo(a);
        lineTo(b);
        if (portal) {
          cairo_set_dash(cr_, nullptr, 0, 0);
          cairo_set_source_rgb(cr_, 0.1, 0.65, 0.2);
          cairo_set_line_width(cr_, 5);
          cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
        } else {
          dashFor(stack);
          cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
          cairo_set_line_width(cr_, 2);
          cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        }
        cairo_stroke(cr_);
      }
    }
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  // Each side opening's heights once, from its lower room: beside a line that runs up the
  // page, above one that runs across it.
  void sideOpeningLabels(int r, std::vector<Label>& labels) {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (!isSide(polygon) || polygon.targetRoom <= r) continue;
      Point2 a, b;
      segmentOf(polygon, a, b);
      const Point2 m{(a.u + b.u) / 2, (a.v + b.v) / 2};
      const bool upright = std::fabs(b.v - a.v) > std::fabs(b.u - a.u);
      TextLine line = boxedLine("y " + rangeText(heightsOf(polygon)), 0, 0, 9);
      const double width = extentsOf(line).width;
      line.x = pageX(m) + (upright ? width / 2 + 8 : 0);
      line.y = pageY(m) + (upright ? 4 : -7);
      labels.push_back({{line}, AttachedReach});
    }
  }

  void doors() {
    const double half = 4 / layout_.scale;
    for (const PlanDoor& door : level_.doors) {
      const double x0 = door.minX - (door.maxX - door.minX < 1e-9 ? half : 0);
      const double x1 = door.maxX + (door.maxX - door.minX < 1e-9 ? half : 0);
      const double z0 = door.minZ - (door.maxZ - door.minZ < 1e-9 ? half : 0);
      const double z1 = door.maxZ + (door.maxZ - door.minZ < 1e-9 ? half : 0);
      path({{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}});
      cairo_set_source_rgb(cr_, 0.85, 0.5, 0.05);
      cairo_set_line_width(cr_, 1.5);
      cairo_stroke(cr_);
    }
  }

  // What the overview camera can show at height y: a rectangle centred under it.
  void overviewAt(double y, const char* what) {
    OverviewFootprint f;
    if (!overviewFootprint(world_, sheet_.extent, y, f)) return;
    path({{f.x0, f.z0}, {f.x1, f.z0}, {f.x1, f.z1}, {f.x0, f.z1}});
    const double dash[] = {10, 4, 2, 4};
    cairo_set_dash(cr_, dash, 4, 0);
    cairo_set_source_rgb(cr_, 0.55, 0.2, 0.7);
    cairo_set_line_width(cr_, 1.5);
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
    // The rectangle is often larger than the level: the legend says where it lies.
    if (!overviewNote_.empty()) overviewNote_ += "; ";
    overviewNote_ += std::string("at ") + what + " y = " + planNumber(y) + ": x " + planNumber(f.x0) + ".." +
                     planNumber(f.x1) + ", z " + planNumber(f.z0) + ".." + planNumber(f.z1);
  }

  Point2 overviewCamera() const { return {world_.overviewPosition.x, world_.overviewPosition.z}; }

  void overview() {
    // Marks the camera itself, then what it shows at the eye's height and at the lowest floor.
    cairo_set_source_rgb(cr_, 0.55, 0.2, 0.7);
    const double cx = pageX(overviewCamera()), cy = pageY(overviewCamera());
    cairo_move_to(cr_, cx - 6, cy);
    cairo_line_to(cr_, cx + 6, cy);
    cairo_move_to(cr_, cx, cy - 6);
    cairo_line_to(cr_, cx, cy + 6);
    cairo_set_line_width(cr_, 1.5);
    cairo_stroke(cr_);
    overviewAt(sheet_.start.eye.y, "eye height");
    if (sheet_.lowestFloor < 0 && std::isfinite(sheet_.lowestFloor)) overviewAt(sheet_.lowestFloor, "lowest floor");
  }

  std::string startName() const { return "start " + pointText(sheet_.start.eye, PlanDigits, NearZero::AsZero); }

  void start() {
    const PlanStart& s = sheet_.start;
    path({s.at, s.right, s.left});
    cairo_set_source_rgba(cr_, 1.0, 0.85, 0.1, 0.35);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgba(cr_, 0.8, 0.5, 0.0, 0.9);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
    // The view direction.
    cairo_set_source_rgb(cr_, StartMarkerRgb[0], StartMarkerRgb[1], StartMarkerRgb[2]);
    cairo_set_line_width(cr_, 2);
    moveTo(s.at);
    lineTo(s.tip);
    cairo_stroke(cr_);
    const double tipX = pageX(s.tip), tipY = pageY(s.tip);
    cairo_move_to(cr_, tipX, tipY - 7);
    cairo_line_to(cr_, tipX - 5, tipY + 3);
    cairo_line_to(cr_, tipX + 5, tipY + 3);
    cairo_close_path(cr_);
    cairo_fill(cr_);
    cairo_arc(cr_, pageX(s.at), pageY(s.at), 5, 0, 2 * M_PI);
    cairo_fill(cr_);
  }

  // The markers labels keep clear of: the start's dot and arrow, the overview camera's cross.
  void keepMarkersClear(LabelPlacer& placer) const {
    const PlanStart& s = sheet_.start;
    const double ex = pageX(s.at), ey = pageY(s.at), tx = pageX(s.tip), ty = pageY(s.tip);
    placer.keepClear({ex - 5, ey - 5, ex + 5, ey + 5});
    placer.keepClear({tx - 5, ty - 7, tx + 5, ty + 3});
    placer.keepClear({std::min(ex, tx) - 1, std::min(ey, ty) - 1, std::max(ex, tx) + 1, std::max(ey, ty) + 1});
    const double cx = pageX(overviewCamera()), cy = pageY(overviewCamera());
    placer.keepClear({cx - 6, cy - 0.75, cx + 6, cy + 0.75});
    placer.keepClear({cx - 0.75, cy - 6, cx + 0.75, cy + 6});
  }

  Label roomLabel(int r) const {
    const PlanRoom& shape = sheet_.rooms[size_t(r)];
    const Point2 c = cornerAverage(shape.footprint);
    const double x = pageX(c);
    // Stacked rooms put their labels one block lower per room beneath them.
    double y = pageY(c) - 8 + shape.stack * 30;
    // Clear of the start marker and its label: below them.
    const double startX = pageX(sheet_.start.at), startY = pageY(sheet_.start.at);
    if (std::fabs(x - startX) < 90 && y > startY - 75 && y < startY + 40) y = startY + 38;
    // A room's label may go anywhere in the drawing rather than be left out.
    return {{boxedLine(layout_.roomLabels[size_t(r)], x, y, 13, true),
             boxedLine("floor " + rangeText(shape.floor) + ", ceiling " + rangeText(shape.ceiling), x, y + 14, 10)},
            std::hypot(plotWidth(), plotHeight())};
  }

  bool insidePlot(const Point2& p) const {
    const double x = pageX(p), y = pageY(p);
    return x >= layout_.left && x <= sheet_.plotRight && y >= layout_.top && y <= sheet_.plotBottom;
  }

  // Every label of the drawing, the most important first.
  void labels() {
    std::vector<Label> labels;
    for (int r = 0; r < world_.roomCount; ++r) labels.push_back(roomLabel(r));
    if (insidePlot(sheet_.start.at)) {
      labels.push_back(
          {{plainLine(startName(), pageX(sheet_.start.at) + 8, pageY(sheet_.start.at) + 14, 10, StartMarkerRgb, true)},
           AttachedReach});
    }
    if (insidePlot(overviewCamera())) {
      static const double purple[3] = {0.55, 0.2, 0.7};
      labels.push_back(
          {{plainLine("overview camera " + pointText(world_.overviewPosition, PlanDigits, NearZero::AsZero),
                      pageX(overviewCamera()) + 5, pageY(overviewCamera()) + 13, 9, purple)},
           AttachedReach});
    }
    for (int r = 0; r < world_.roomCount; ++r) openingLabels(r, labels);
    for (int r = 0; r < world_.roomCount; ++r) sideOpeningLabels(r, labels);
    gridLabels(labels);

    LabelPlacer placer({layout_.left, layout_.top, sheet_.plotRight, sheet_.plotBottom});
    keepMarkersClear(placer);
    for (const Label& label : labels) {
      double dx = 0, dy = 0;
      if (placer.place(boxOf(label), label.reach, dx, dy)) show(label, dx, dy);
    }
  }

  void scaleBar() {
    double units = 1;
    for (double u : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
      if (u * layout_.scale <= 160) units = u;
    }
    const double x = layout_.left, y = sheet_.plotBottom + 22, w = units * layout_.scale;
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    cairo_rectangle(cr_, x, y - 4, w, 5);
    cairo_fill(cr_);
    cairo_set_line_width(cr_, 1);
    cairo_move_to(cr_, x, y - 9);
    cairo_line_to(cr_, x, y + 5);
    cairo_move_to(cr_, x + w, y - 9);
    cairo_line_to(cr_, x + w, y + 5);
    cairo_stroke(cr_);
    fixedText(x + w + 8, y + 1,
              planNumber(units) + (units == 1 ? " unit" : " units") + " (grid: " + planNumber(gridStep()) + ")", 10);
  }

  void swatchLine(double x, double y, double width) {
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, x, y);
    cairo_line_to(cr_, x + 24, y);
    cairo_stroke(cr_);
  }

  void legendSwatch(double x, double y, int kind) {
    cairo_set_dash(cr_, nullptr, 0, 0);
    switch (kind) {
      case 0:  // wall
        cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
        swatchLine(x, y, 2);
        break;
      case 1:  // side opening
        cairo_set_source_rgb(cr_, 0.1, 0.65, 0.2);
        swatchLine(x, y, 5);
        break;
      case 2:  // floor / ceiling opening
        cairo_set_source_rgb(cr_, 0.15, 0.35, 0.8);
        cairo_set_line_width(cr_, 1);
        cairo_rectangle(cr_, x, y - 5, 24, 10);
        cairo_stroke(cr_);
        for (int32_t k = 0; k < 4; ++k) {
          const double d = x + 6.0 * k;
          cairo_move_to(cr_, d, y + 5);
          cairo_line_to(cr_, d + 6, y - 5);
        }
        cairo_stroke(cr_);
        break;
      case 3:  // door
        cairo_set_source_rgb(cr_, 0.85, 0.5, 0.05);
        cairo_set_line_width(cr_, 1.5);
        cairo_rectangle(cr_, x, y - 3, 24, 6);
        cairo_stroke(cr_);
        break;
      case 4:  // start
        cairo_set_source_rgba(cr_, 1.0, 0.85, 0.1, 0.5);
        cairo_move_to(cr_, x + 4, y + 5);
        cairo_line_to(cr_, x + 24, y - 6);
        cairo_line_to(cr_, x + 24, y + 6);
        cairo_close_path(cr_);
        cairo_fill(cr_);
        cairo_set_source_rgb(cr_, StartMarkerRgb[0], StartMarkerRgb[1], StartMarkerRgb[2]);
        cairo_arc(cr_, x + 4, y, 4, 0, 2 * M_PI);
        cairo_fill(cr_);
        break;
      case 5: {  // overview
        const double dash[] = {10, 4, 2, 4};
        cairo_set_dash(cr_, dash, 4, 0);
        cairo_set_source_rgb(cr_, 0.55, 0.2, 0.7);
        swatchLine(x, y, 1.5);
        cairo_set_dash(cr_, nullptr, 0, 0);
        break;
      }
      default:  // a room over another
        cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
        dashFor(1);
        swatchLine(x, y, 2);
        cairo_set_dash(cr_, nullptr, 0, 0);
        break;
    }
  }

  void legend() {
    const std::string items[] = {
        "wall",
        "opening between rooms (label: its heights)",
        "opening in a floor or ceiling",
        "door (from the source)",
        startName() + ", looking along " + sheet_.start.axis + ", first units of the view",
        "overview camera's picture (Z key) at a height",
        "walls of a room standing over another",
    };
    const double top = sheet_.plotBottom + 44;
    for (int i = 0; i < 7; ++i) {
      const double x = Margin + (i % 2) * 300, y = top + 18.0 * (i >> 1);
      legendSwatch(x, y, i);
      fixedText(x + 32, y + 4, items[i], 10);
    }
    fixedText(Margin, top + 4 * 18 + 4, "overview picture " + overviewNote_, 9);
  }

  const PlanLevel& level_;
  const World& world_;
  const PlanSheet& sheet_;
  PlanLayout& layout_;
  cairo_t* cr_;
  const PlanOverlay& overlay_;
  std::string overviewNote_;
};

}  // namespace

bool planFormatOf(const std::string& path, PlanFormat& format) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  std::string ending = path.substr(dot + 1);
  for (char& c : ending) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ending == "svg")
    format = PlanFormat::Svg;
  else if (ending == "png")
    format = PlanFormat::Png;
  else if (ending == "pdf")
    format = PlanFormat::Pdf;
  else
    return false;
  return true;
}

void paintPlan(cairo_t* cr, const PlanLevel& level, const PlanSheet& sheet, PlanLayout& layout,
               const PlanOverlay& overlay) {
  Painter(level, sheet, layout, cr, overlay).paint();
}

bool drawPlan(const PlanLevel& level, PlanFormat format, std::string& bytes, PlanLayout& layout, std::string& error,
              const PlanOverlay& overlay) {
  layout = PlanLayout{};
  const PlanSheet sheet = measurePlan(level, layout);
  bytes.clear();
  cairo_surface_t* surface = nullptr;
  switch (format) {
    case PlanFormat::Svg:
      surface = cairo_svg_surface_create_for_stream(appendBytes, &bytes, layout.width, layout.height);
      break;
    case PlanFormat::Pdf:
      surface = cairo_pdf_surface_create_for_stream(appendBytes, &bytes, layout.width, layout.height);
      break;
    case PlanFormat::Png:
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, layout.height);
      break;
  }
  cairo_t* cr = cairo_create(surface);
  paintPlan(cr, level, sheet, layout, overlay);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && format == PlanFormat::Png) {
    status = cairo_surface_write_to_png_stream(surface, appendBytes, &bytes);
  }
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = std::string("the plan could not be drawn: ") + cairo_status_to_string(status);
    bytes.clear();
    return false;
  }
  return true;
}
