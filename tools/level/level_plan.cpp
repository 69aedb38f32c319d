#include "tools/level/level_plan.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// A face whose normal is at least this vertical is a floor or ceiling (or an opening in one).
constexpr double Horizontal = 0.7;
// The start view at the first window size (320 x 240): the tangents of the frustum's
// half-angles, right and left; how far forward the plan draws it.
constexpr double StartRightTangent = 159.5 / 120.0;
constexpr double StartLeftTangent = 159.0 / 120.0;
constexpr double StartViewLength = 3.0;
// The overview camera (world's fixed position, looking straight down), and how far its
// picture reaches sideways per unit of depth: screen x along world z, screen y along x.
constexpr double OverviewX = 10, OverviewY = 15, OverviewZ = 10;
constexpr double OverviewZRight = 159.5 / 120.0, OverviewZLeft = 159.0 / 120.0, OverviewXHalf = 1.0;

constexpr double HeaderHeight = 44, LegendHeight = 134, Margin = 24, MinPageWidth = 620;

struct P2 {
  double x, z;
};

struct Range {
  double low = INFINITY, high = -INFINITY;
  bool empty() const { return low > high; }
  void add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", std::fabs(v) < 5e-4 ? 0.0 : v);
  return text;
}

std::string rangeText(const Range& r) {
  if (r.empty()) return "-";
  if (r.high - r.low < 1e-3) return number(r.low);
  return number(r.low) + ".." + number(r.high);
}

double cross(const P2& o, const P2& a, const P2& b) { return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x); }

// Convex hull, counter-clockwise (monotone chain).
std::vector<P2> hull(std::vector<P2> points) {
  std::sort(points.begin(), points.end(),
            [](const P2& a, const P2& b) { return a.x < b.x || (a.x == b.x && a.z < b.z); });
  if (points.size() < 3) return points;
  std::vector<P2> h(points.size() * 2);
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], points[i]) <= 1e-9) --k;
    h[k++] = points[i];
  }
  for (size_t i = points.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(h[k - 2], h[k - 1], points[i]) <= 1e-9) --k;
    h[k++] = points[i];
  }
  h.resize(k - 1);
  return h;
}

bool insideConvex(const std::vector<P2>& poly, const P2& p) {
  if (poly.size() < 3) return false;
  for (size_t i = 0; i < poly.size(); ++i) {
    if (cross(poly[i], poly[(i + 1) % poly.size()], p) < -1e-9) return false;
  }
  return true;
}

// What the plan needs of each room.
struct RoomShape {
  std::vector<P2> footprint;
  Range floor, ceiling;
  int stack = 0;  // how many lower rooms it stands over in plan
};

std::vector<P2> planOf(const WorldPolygon& polygon) {
  std::vector<P2> points;
  for (int k = 0; k < polygon.outline.vertexCount; ++k)
    points.push_back({polygon.outline.vertices[k].x, polygon.outline.vertices[k].z});
  return points;
}

// The two ends of an upright polygon seen from above.
void segmentOf(const WorldPolygon& polygon, P2& a, P2& b) {
  const std::vector<P2> points = planOf(polygon);
  double best = -1;
  for (size_t i = 0; i < points.size(); ++i) {
    for (size_t j = i + 1; j < points.size(); ++j) {
      const double d = std::hypot(points[i].x - points[j].x, points[i].z - points[j].z);
      if (d > best) {
        best = d;
        a = points[i];
        b = points[j];
      }
    }
  }
}

Range heightsOf(const WorldPolygon& polygon) {
  Range r;
  for (int k = 0; k < polygon.outline.vertexCount; ++k) r.add(polygon.outline.vertices[k].y);
  return r;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

class Painter {
 public:
  Painter(const PlanLevel& level, PlanLayout& layout) : level_(level), world_(*level.world), layout_(layout) {}

  void measure() {
    Range xs, zs;
    lowestFloor_ = INFINITY;
    highestCeiling_ = -INFINITY;
    for (int r = 0; r < world_.roomCount; ++r) {
      RoomShape shape;
      std::vector<P2> points;
      const Room& room = world_.rooms[r];
      for (int p = 0; p < room.polygonCount; ++p) {
        const WorldPolygon& polygon = room.polygons[p];
        for (const P2& q : planOf(polygon)) points.push_back(q);
        if (polygon.plane.normal.y >= Horizontal)
          shape.floor.add(heightsOf(polygon).low), shape.floor.add(heightsOf(polygon).high);
        if (polygon.plane.normal.y <= -Horizontal)
          shape.ceiling.add(heightsOf(polygon).low), shape.ceiling.add(heightsOf(polygon).high);
      }
      shape.footprint = hull(points);
      for (const P2& q : shape.footprint) xs.add(q.x), zs.add(q.z);
      if (!shape.floor.empty()) lowestFloor_ = std::min(lowestFloor_, shape.floor.low);
      if (!shape.ceiling.empty()) highestCeiling_ = std::max(highestCeiling_, shape.ceiling.high);
      rooms_.push_back(shape);
    }
    // Rooms over other rooms: each centroid stacked above the rooms whose plan holds it.
    for (size_t a = 0; a < rooms_.size(); ++a) {
      const P2 c = centre(rooms_[a].footprint);
      for (size_t b = 0; b < rooms_.size(); ++b) {
        if (a == b || !insideConvex(rooms_[b].footprint, c)) continue;
        const double fa = rooms_[a].floor.empty() ? 0 : rooms_[a].floor.low;
        const double fb = rooms_[b].floor.empty() ? 0 : rooms_[b].floor.low;
        if (fb < fa || (fb == fa && b < a)) ++rooms_[a].stack;
      }
    }
    xs.add(5 - StartLeftTangent * StartViewLength);
    xs.add(5 + StartRightTangent * StartViewLength);
    zs.add(-0.5);
    zs.add(StartViewLength);
    const double spanX = std::max(xs.high - xs.low, 4.0) + 4, spanZ = std::max(zs.high - zs.low, 4.0) + 4;
    const double scale = std::clamp(std::min(860.0 / spanX, 640.0 / spanZ), 6.0, 90.0);
    layout_.scale = scale;
    layout_.minX = xs.low - 2;
    layout_.maxZ = zs.high + 2;
    const double drawingWidth = spanX * scale, drawingHeight = spanZ * scale;
    layout_.width = int(std::ceil(std::max(drawingWidth + 2 * Margin, MinPageWidth)));
    layout_.left = (layout_.width - drawingWidth) / 2;
    layout_.top = HeaderHeight;
    plotRight_ = layout_.left + drawingWidth;
    plotBottom_ = layout_.top + drawingHeight;
    layout_.height = int(std::ceil(plotBottom_ + LegendHeight));
    for (int r = 0; r < world_.roomCount; ++r) {
      const std::string& name = size_t(r) < level_.roomNames.size() ? level_.roomNames[size_t(r)] : std::string();
      layout_.roomLabels.push_back(std::to_string(r) + (name.empty() ? "" : " " + name));
    }
  }

  void paint(cairo_t* cr) {
    cr_ = cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    header();
    cairo_save(cr);
    cairo_rectangle(cr, layout_.left, layout_.top, plotRight_ - layout_.left, plotBottom_ - layout_.top);
    cairo_clip(cr);
    grid();
    for (int r = 0; r < world_.roomCount; ++r) roomArea(r);
    for (int r = 0; r < world_.roomCount; ++r) horizontalOpenings(r);
    for (int r = 0; r < world_.roomCount; ++r) sides(r);
    doors();
    overview();
    start();
    for (int r = 0; r < world_.roomCount; ++r) roomLabel(r);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, layout_.left, layout_.top, plotRight_ - layout_.left, plotBottom_ - layout_.top);
    cairo_stroke(cr);
    scaleBar();
    legend();
  }

 private:
  static P2 centre(const std::vector<P2>& points) {
    P2 c{0, 0};
    for (const P2& p : points) c.x += p.x, c.z += p.z;
    if (!points.empty()) c.x /= double(points.size()), c.z /= double(points.size());
    return c;
  }

  void moveTo(const P2& p) { cairo_move_to(cr_, layout_.pageX(p.x), layout_.pageY(p.z)); }
  void lineTo(const P2& p) { cairo_line_to(cr_, layout_.pageX(p.x), layout_.pageY(p.z)); }
  void path(const std::vector<P2>& points) {
    cairo_new_path(cr_);
    for (size_t i = 0; i < points.size(); ++i) i == 0 ? moveTo(points[i]) : lineTo(points[i]);
    cairo_close_path(cr_);
  }

  void text(double x, double y, const std::string& s, double size, bool bold = false, bool centred = false) {
    cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, s.c_str(), &e);
    cairo_move_to(cr_, centred ? x - e.width / 2 - e.x_bearing : x, y);
    cairo_show_text(cr_, s.c_str());
  }

  // Text on a white backing, so it stays readable over lines and hatching.
  void boxedText(double x, double y, const std::string& s, double size, bool bold) {
    cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, s.c_str(), &e);
    cairo_set_source_rgba(cr_, 1, 1, 1, 0.8);
    cairo_rectangle(cr_, x - e.width / 2 - 2, y - size - 1, e.width + 4, size + 5);
    cairo_fill(cr_);
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    text(x, y, s, size, bold, true);
  }

  void header() {
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    text(Margin, 20, "Plan of " + level_.title, 15, true);
    text(Margin, 37,
         std::to_string(world_.roomCount) + " rooms; seen from above, x to the right, z up the page; world units", 11);
  }

  double gridStep() const {
    for (double step : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0}) {
      if (step * layout_.scale >= 14) return step;
    }
    return 100.0;
  }

  void grid() {
    const double step = gridStep();
    double labelStep = step;
    while (labelStep * layout_.scale < 28) labelStep *= labelStep == step ? 5 : 2;
    auto labelled = [&](double v) { return std::fabs(std::remainder(v, labelStep)) < 1e-9; };
    const double minX = layout_.minX, maxX = minX + (plotRight_ - layout_.left) / layout_.scale;
    const double maxZ = layout_.maxZ, minZ = maxZ - (plotBottom_ - layout_.top) / layout_.scale;
    cairo_set_line_width(cr_, 0.5);
    // Counted in whole steps: a sum of steps would drift off the grid's lines.
    for (int64_t i = int64_t(std::ceil(minX / step));; ++i) {
      const double x = double(i) * step;
      if (x > maxX) break;
      const bool major = std::fmod(std::fabs(x), step * 5) < 1e-9;
      cairo_set_source_rgb(cr_, major ? 0.7 : 0.88, major ? 0.7 : 0.88, major ? 0.7 : 0.88);
      moveTo({x, minZ});
      lineTo({x, maxZ});
      cairo_stroke(cr_);
      cairo_set_source_rgb(cr_, 0.45, 0.45, 0.45);
      if (labelled(x)) text(layout_.pageX(x) + 2, plotBottom_ - 3, number(x), 9);
    }
    for (int64_t i = int64_t(std::ceil(minZ / step));; ++i) {
      const double z = double(i) * step;
      if (z > maxZ) break;
      const bool major = std::fmod(std::fabs(z), step * 5) < 1e-9;
      cairo_set_source_rgb(cr_, major ? 0.7 : 0.88, major ? 0.7 : 0.88, major ? 0.7 : 0.88);
      moveTo({minX, z});
      lineTo({maxX, z});
      cairo_stroke(cr_);
      cairo_set_source_rgb(cr_, 0.45, 0.45, 0.45);
      if (labelled(z)) text(layout_.left + 2, layout_.pageY(z) - 2, number(z), 9);
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
    path(rooms_[size_t(r)].footprint);
    cairo_set_source_rgba(cr_, tint[0], tint[1], tint[2], rooms_[size_t(r)].stack > 0 ? 0.45 : 1.0);
    cairo_fill(cr_);
  }

  void horizontalOpenings(int r) {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      // Each opening once, from its lower room.
      if (polygon.targetRoom < r || std::fabs(polygon.plane.normal.y) < Horizontal) continue;
      const std::vector<P2> points = planOf(polygon);
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
      const P2 c = centre(points);
      cairo_set_source_rgb(cr_, 0.15, 0.35, 0.8);
      boxedText(layout_.pageX(c.x), layout_.pageY(c.z) + 26,
                "opening " + std::to_string(r) + "-" + std::to_string(polygon.targetRoom) + " at y " +
                    rangeText(heightsOf(polygon)),
                9, false);
    }
  }

  void sides(int r) {
    const Room& room = world_.rooms[r];
    const int stack = rooms_[size_t(r)].stack;
    // Walls first, then the openings over them: an opening shows as its part of the side.
    for (int pass = 0; pass < 2; ++pass) {
      for (int p = 0; p < room.polygonCount; ++p) {
        const WorldPolygon& polygon = room.polygons[p];
        if (std::fabs(polygon.plane.normal.y) >= Horizontal) continue;
        const bool portal = polygon.targetRoom >= 0;
        if (portal != (pass == 1)) continue;
        P2 a{0, 0}, b{0, 0};
        segmentOf(polygon, a, b);
        moveTo(a);
        lineTo(b);
        if (portal) {
          cairo_set_dash(cr_, nullptr, 0, 0);
          cairo_set_source_rgb(cr_, 0.1, 0.65, 0.2);
          cairo_set_line_width(cr_, 5);
          cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
          cairo_stroke(cr_);
          if (polygon.targetRoom > r) {
            const P2 m{(a.x + b.x) / 2, (a.z + b.z) / 2};
            cairo_set_source_rgb(cr_, 0.05, 0.4, 0.1);
            const std::string label = "y " + rangeText(heightsOf(polygon));
            // Beside a line that runs up the page, above one that runs across it.
            const bool upright = std::fabs(b.z - a.z) > std::fabs(b.x - a.x);
            cairo_set_font_size(cr_, 9);
            cairo_text_extents_t e;
            cairo_text_extents(cr_, label.c_str(), &e);
            boxedText(layout_.pageX(m.x) + (upright ? e.width / 2 + 8 : 0), layout_.pageY(m.z) + (upright ? 4 : -7),
                      label, 9, false);
          }
        } else {
          dashFor(stack);
          cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
          cairo_set_line_width(cr_, 2);
          cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
          cairo_stroke(cr_);
        }
      }
    }
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  void doors() {
    const double half = 4 / layout_.scale;
    for (const LevelSourceDoor& door : level_.doors) {
      if (door.closed) continue;
      const double x0 = door.min.x - (door.max.x - door.min.x < 1e-9 ? half : 0);
      const double x1 = door.max.x + (door.max.x - door.min.x < 1e-9 ? half : 0);
      const double z0 = door.min.z - (door.max.z - door.min.z < 1e-9 ? half : 0);
      const double z1 = door.max.z + (door.max.z - door.min.z < 1e-9 ? half : 0);
      path({{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}});
      cairo_set_source_rgb(cr_, 0.85, 0.5, 0.05);
      cairo_set_line_width(cr_, 1.5);
      cairo_stroke(cr_);
    }
  }

  // What the overview camera can show at height y: a rectangle centred under it.
  void overviewAt(double y, const char* what) {
    const double depth = OverviewY - y;
    if (depth <= 0) return;
    const double x0 = OverviewX - OverviewXHalf * depth, x1 = OverviewX + OverviewXHalf * depth;
    const double z0 = OverviewZ - OverviewZLeft * depth, z1 = OverviewZ + OverviewZRight * depth;
    path({{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}});
    const double dash[] = {10, 4, 2, 4};
    cairo_set_dash(cr_, dash, 4, 0);
    cairo_set_source_rgb(cr_, 0.55, 0.2, 0.7);
    cairo_set_line_width(cr_, 1.5);
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
    // The rectangle is often larger than the level: the legend says where it lies.
    if (!overviewNote_.empty()) overviewNote_ += "; ";
    overviewNote_ += std::string("at ") + what + " y = " + number(y) + ": x " + number(x0) + ".." + number(x1) +
                     ", z " + number(z0) + ".." + number(z1);
  }

  void overview() {
    // Marks the camera itself, then what it shows at the eye's height and at the lowest floor.
    const P2 camera{OverviewX, OverviewZ};
    cairo_set_source_rgb(cr_, 0.55, 0.2, 0.7);
    const double cx = layout_.pageX(camera.x), cy = layout_.pageY(camera.z);
    cairo_move_to(cr_, cx - 6, cy);
    cairo_line_to(cr_, cx + 6, cy);
    cairo_move_to(cr_, cx, cy - 6);
    cairo_line_to(cr_, cx, cy + 6);
    cairo_set_line_width(cr_, 1.5);
    cairo_stroke(cr_);
    text(cx + 5, cy + 13, "overview camera (10, 15, 10)", 9);
    overviewAt(0, "eye height");
    if (lowestFloor_ < 0 && std::isfinite(lowestFloor_)) overviewAt(lowestFloor_, "lowest floor");
  }

  void start() {
    const P2 eye{5, 0};
    const P2 right{5 + StartRightTangent * StartViewLength, StartViewLength};
    const P2 left{5 - StartLeftTangent * StartViewLength, StartViewLength};
    path({eye, right, left});
    cairo_set_source_rgba(cr_, 1.0, 0.85, 0.1, 0.35);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgba(cr_, 0.8, 0.5, 0.0, 0.9);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
    // The view direction, +z.
    cairo_set_source_rgb(cr_, StartMarkerRgb[0], StartMarkerRgb[1], StartMarkerRgb[2]);
    cairo_set_line_width(cr_, 2);
    moveTo(eye);
    lineTo({5, 1.5});
    cairo_stroke(cr_);
    const double tipX = layout_.pageX(5), tipY = layout_.pageY(1.5);
    cairo_move_to(cr_, tipX, tipY - 7);
    cairo_line_to(cr_, tipX - 5, tipY + 3);
    cairo_line_to(cr_, tipX + 5, tipY + 3);
    cairo_close_path(cr_);
    cairo_fill(cr_);
    cairo_arc(cr_, layout_.pageX(eye.x), layout_.pageY(eye.z), 5, 0, 2 * M_PI);
    cairo_fill(cr_);
    text(layout_.pageX(eye.x) + 8, layout_.pageY(eye.z) + 14, "start (5, 0, 0)", 10, true);
  }

  void roomLabel(int r) {
    const RoomShape& shape = rooms_[size_t(r)];
    const P2 c = centre(shape.footprint);
    const double x = layout_.pageX(c.x);
    // Stacked rooms put their labels one block lower per room beneath them.
    double y = layout_.pageY(c.z) - 8 + shape.stack * 30;
    // Clear of the start marker and its label: below them.
    const double startX = layout_.pageX(5), startY = layout_.pageY(0);
    if (std::fabs(x - startX) < 90 && y > startY - 75 && y < startY + 40) y = startY + 38;
    boxedText(x, y, layout_.roomLabels[size_t(r)], 13, true);
    boxedText(x, y + 14, "floor " + rangeText(shape.floor) + ", ceiling " + rangeText(shape.ceiling), 10, false);
  }

  void scaleBar() {
    double units = 1;
    for (double u : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
      if (u * layout_.scale <= 160) units = u;
    }
    const double x = layout_.left, y = plotBottom_ + 22, w = units * layout_.scale;
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    cairo_rectangle(cr_, x, y - 4, w, 5);
    cairo_fill(cr_);
    cairo_set_line_width(cr_, 1);
    cairo_move_to(cr_, x, y - 9);
    cairo_line_to(cr_, x, y + 5);
    cairo_move_to(cr_, x + w, y - 9);
    cairo_line_to(cr_, x + w, y + 5);
    cairo_stroke(cr_);
    text(x + w + 8, y + 1, number(units) + (units == 1 ? " unit" : " units") + " (grid: " + number(gridStep()) + ")",
         10);
  }

  void legendSwatch(double x, double y, int kind) {
    cairo_set_dash(cr_, nullptr, 0, 0);
    switch (kind) {
      case 0:  // wall
        cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
        cairo_set_line_width(cr_, 2);
        cairo_move_to(cr_, x, y);
        cairo_line_to(cr_, x + 24, y);
        cairo_stroke(cr_);
        break;
      case 1:  // side opening
        cairo_set_source_rgb(cr_, 0.1, 0.65, 0.2);
        cairo_set_line_width(cr_, 5);
        cairo_move_to(cr_, x, y);
        cairo_line_to(cr_, x + 24, y);
        cairo_stroke(cr_);
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
        cairo_set_line_width(cr_, 1.5);
        cairo_move_to(cr_, x, y);
        cairo_line_to(cr_, x + 24, y);
        cairo_stroke(cr_);
        cairo_set_dash(cr_, nullptr, 0, 0);
        break;
      }
      default:  // a room over another
        cairo_set_source_rgb(cr_, 0.15, 0.15, 0.15);
        dashFor(1);
        cairo_set_line_width(cr_, 2);
        cairo_move_to(cr_, x, y);
        cairo_line_to(cr_, x + 24, y);
        cairo_stroke(cr_);
        cairo_set_dash(cr_, nullptr, 0, 0);
        break;
    }
  }

  void legend() {
    static const char* const items[] = {
        "wall",
        "opening between rooms (label: its heights)",
        "opening in a floor or ceiling",
        "door (from the source)",
        "start (5, 0, 0), looking along +z, first units of the view",
        "overview camera's picture (Z key) at a height",
        "walls of a room standing over another",
    };
    const double top = plotBottom_ + 44;
    for (int i = 0; i < 7; ++i) {
      const double x = Margin + (i % 2) * 300, y = top + 18.0 * (i >> 1);
      legendSwatch(x, y, i);
      cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
      text(x + 32, y + 4, items[i], 10);
    }
    text(Margin, top + 4 * 18 + 4, "overview picture " + overviewNote_, 9);
  }

  std::string overviewNote_;
  const PlanLevel& level_;
  const World& world_;
  PlanLayout& layout_;
  cairo_t* cr_ = nullptr;
  std::vector<RoomShape> rooms_;
  double plotRight_ = 0, plotBottom_ = 0;
  double lowestFloor_ = INFINITY, highestCeiling_ = -INFINITY;
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

void roomTint(int room, double rgb[3]) {
  // Eight light tints far enough apart to tell neighbours from each other.
  static const double tints[8][3] = {
      {0.99, 0.93, 0.78}, {0.82, 0.92, 0.99}, {0.86, 0.96, 0.84}, {0.97, 0.86, 0.92},
      {0.91, 0.88, 0.99}, {0.99, 0.89, 0.82}, {0.84, 0.96, 0.95}, {0.95, 0.95, 0.84},
  };
  const int i = ((room % 8) + 8) % 8;
  for (int k = 0; k < 3; ++k) rgb[k] = tints[i][k];
}

bool drawPlan(const PlanLevel& level, PlanFormat format, std::string& bytes, PlanLayout& layout, std::string& error) {
  layout = PlanLayout{};
  Painter painter(level, layout);
  painter.measure();
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
  painter.paint(cr);
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
