#include "plan/traversal_overlay.h"

#include <cmath>
#include <cstdio>

#include "explain/explainer.h"

namespace {

void depthRgb(const PlanPalette& palette, int32_t depth, double rgb[3]) {
  const uint8_t* e = palette.rgb[depthColour(depth)];
  rgb[0] = e[0] / 255.0;
  rgb[1] = e[1] / 255.0;
  rgb[2] = e[2] / 255.0;
}

// The ends of a portal seen from above: its two corners furthest apart.
void planEnds(const WorldPolygon& polygon, Vec3& a, Vec3& b) {
  const ClipPolygon& o = polygon.outline;
  double best = -1;
  a = b = o.vertices[0];
  for (int32_t i = 0; i < o.vertexCount; ++i) {
    for (int32_t j = i + 1; j < o.vertexCount; ++j) {
      const double dx = o.vertices[i].x - o.vertices[j].x, dz = o.vertices[i].z - o.vertices[j].z;
      if (dx * dx + dz * dz > best) {
        best = dx * dx + dz * dz;
        a = o.vertices[i];
        b = o.vertices[j];
      }
    }
  }
}

class TraversalPainter {
 public:
  TraversalPainter(const PlanPass& pass, const PlanPalette& palette, cairo_t* cr, const PlanMapping& layout)
      : world_(pass.world),
        camera_(pass.camera),
        viewport_(pass.viewport),
        record_(pass.record),
        highlight_(pass.highlight),
        palette_(palette),
        cr_(cr),
        layout_(layout) {}

  void paint() {
    for (int32_t k = 1; k <= record_.stepCount; ++k) {
      const StepRecord& s = record_.steps[k];
      if (s.kind == StepKind::Portal && s.result == ClipVisible) wedge(s, 0.18, 0.8);
    }
    for (int32_t k = 1; k <= record_.stepCount; ++k) {
      const StepRecord& s = record_.steps[k];
      if (s.kind == StepKind::Portal && s.result == ClipVisible) portal(s, 3);
    }
    camera();
    for (int32_t k = 1; k <= record_.stepCount; ++k) {
      if (record_.steps[k].kind == StepKind::Room) roomDepth(record_.steps[k]);
    }
    if (highlight_ > 0 && highlight_ <= record_.stepCount) highlightStep(record_.steps[highlight_]);
  }

 private:
  double x(double wx) const { return layout_.pageX(wx); }
  double y(double wz) const { return layout_.pageY(wz); }

  void wedge(const StepRecord& s, double fill, double line) {
    double rgb[3];
    depthRgb(palette_, s.depth + 1, rgb);
    const Vec3& eye = camera_.position;
    cairo_move_to(cr_, x(eye.x), y(eye.z));
    cairo_line_to(cr_, x(s.planLeft.x), y(s.planLeft.z));
    cairo_line_to(cr_, x(s.planRight.x), y(s.planRight.z));
    cairo_close_path(cr_);
    cairo_set_source_rgba(cr_, rgb[0], rgb[1], rgb[2], fill);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgba(cr_, rgb[0] * 0.6, rgb[1] * 0.6, rgb[2] * 0.6, line);
    cairo_set_line_width(cr_, 0.75);
    cairo_stroke(cr_);
  }

  void portal(const StepRecord& s, double width) {
    if (s.room < 0 || s.room >= world_.roomCount || s.polygon < 0 || s.polygon >= world_.rooms[s.room].polygonCount)
      return;
    Vec3 a, b;
    planEnds(world_.rooms[s.room].polygons[s.polygon], a, b);
    double rgb[3];
    depthRgb(palette_, s.depth, rgb);
    cairo_set_source_rgb(cr_, rgb[0] * 0.7, rgb[1] * 0.7, rgb[2] * 0.7);
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, x(a.x), y(a.z));
    cairo_line_to(cr_, x(b.x), y(b.z));
    cairo_stroke(cr_);
  }

  // The eye and the walking camera's view across the frame's width, a few units long.
  void camera() {
    const Vec3& eye = camera_.position;
    const Vec3& f = camera_.orientation.rows[2];
    const Vec3& r = camera_.orientation.rows[0];
    const double half = viewport_.projectionScale > 0 ? (viewport_.width / 2.0) / viewport_.projectionScale : 1.0;
    const double length = 3.0;
    const double lx = eye.x + length * (f.x - half * r.x), lz = eye.z + length * (f.z - half * r.z);
    const double rx = eye.x + length * (f.x + half * r.x), rz = eye.z + length * (f.z + half * r.z);
    cairo_move_to(cr_, x(eye.x), y(eye.z));
    cairo_line_to(cr_, x(lx), y(lz));
    cairo_line_to(cr_, x(rx), y(rz));
    cairo_close_path(cr_);
    cairo_set_source_rgba(cr_, 0.1, 0.1, 0.1, 0.25);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr_, 1.25);
    cairo_stroke(cr_);
    cairo_new_path(cr_);
    cairo_arc(cr_, x(eye.x), y(eye.z), 4, 0, 2 * M_PI);
    cairo_set_source_rgb(cr_, 0.85, 0.1, 0.1);
    cairo_fill(cr_);
  }

  // A disc with the depth in it, at the middle of the room's corners seen from above; a
  // room entered again at another depth gets its disc beside the first.
  void roomDepth(const StepRecord& s) {
    if (s.room < 0 || s.room >= world_.roomCount) return;
    const Room& room = world_.rooms[s.room];
    double sx = 0, sz = 0;
    int32_t n = 0;
    for (int32_t p = 0; p < room.polygonCount; ++p) {
      for (int32_t v = 0; v < room.polygons[p].outline.vertexCount; ++v) {
        sx += room.polygons[p].outline.vertices[v].x;
        sz += room.polygons[p].outline.vertices[v].z;
        ++n;
      }
    }
    if (n == 0) return;
    int32_t before = 0;
    for (int32_t k = 1; k <= record_.stepCount && &record_.steps[k] != &s; ++k) {
      before += record_.steps[k].kind == StepKind::Room && record_.steps[k].room == s.room;
    }
    if (before > 6) return;  // a hostile pass enters a room hundreds of times: a few discs say so
    const double cx = x(sx / n) + 16 * before, cy = y(sz / n) + 14;
    double rgb[3];
    depthRgb(palette_, s.depth, rgb);
    cairo_new_path(cr_);
    cairo_arc(cr_, cx, cy, 7, 0, 2 * M_PI);
    cairo_set_source_rgb(cr_, rgb[0], rgb[1], rgb[2]);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr_, 0.75);
    cairo_stroke(cr_);
    char text[16];
    std::snprintf(text, sizeof text, "%d", int(s.depth));
    cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr_, 9);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, text, &e);
    cairo_move_to(cr_, cx - e.width / 2 - e.x_bearing, cy - e.height / 2 - e.y_bearing);
    cairo_show_text(cr_, text);
  }

  void highlightStep(const StepRecord& s) {
    if (s.kind == StepKind::Portal && s.result == ClipVisible) wedge(s, 0.45, 1);
    if (s.kind != StepKind::Room && s.room >= 0 && s.room < world_.roomCount && s.polygon >= 0 &&
        s.polygon < world_.rooms[s.room].polygonCount) {
      Vec3 a, b;
      planEnds(world_.rooms[s.room].polygons[s.polygon], a, b);
      cairo_set_source_rgb(cr_, 1.0, 0.45, 0.0);
      cairo_set_line_width(cr_, 4);
      cairo_move_to(cr_, x(a.x), y(a.z));
      cairo_line_to(cr_, x(b.x), y(b.z));
      cairo_stroke(cr_);
    }
  }

  const World& world_;
  const Camera& camera_;
  const Viewport& viewport_;
  const PassRecord& record_;
  int32_t highlight_;
  const PlanPalette& palette_;
  cairo_t* cr_;
  const PlanMapping& layout_;
};

}  // namespace

void paintTraversal(cairo_t* cr, const PlanMapping& map, const PlanPass& pass, const PlanPalette& palette) {
  cairo_save(cr);
  TraversalPainter(pass, palette, cr, map).paint();
  cairo_restore(cr);
}

PlanMapping planMappingOf(const PlanLayout& layout, double zoom, double dx, double dy) {
  PlanMapping map;
  map.scale = layout.scale * zoom;
  map.left = dx + layout.left * zoom;
  map.top = dy + layout.top * zoom;
  map.minX = layout.minX;
  map.maxZ = layout.maxZ;
  return map;
}
