#include "plan/plan_sheet.h"

#include "geometry/start_view.h"

namespace {

// "+z" for a unit axis, else the direction's components.
std::string axisName(const Vec3& d) {
  const float c[3] = {d.x, d.y, d.z};
  for (int i = 0; i < 3; ++i) {
    if ((c[i] == 1 || c[i] == -1) && c[(i + 1) % 3] == 0 && c[(i + 2) % 3] == 0) {
      return std::string(c[i] > 0 ? "+" : "-") + "xyz"[i];
    }
  }
  return pointText(d, PlanDigits, NearZero::AsZero);
}

PlanStart startOf(const ScreenExtent& extent) {
  Camera camera;
  placeAtStart(camera);
  const Vec3& eye = camera.position;
  const Vec3& right = camera.orientation.rows[0];
  const Vec3& forward = camera.orientation.rows[2];
  // The point `ahead` units along the view and `side` units of tangent to its right.
  auto at = [&](double ahead, double side) {
    return Point2{eye.x + ahead * (forward.x + side * right.x), eye.z + ahead * (forward.z + side * right.z)};
  };
  PlanStart start;
  start.eye = eye;
  start.axis = axisName(forward);
  start.at = {eye.x, eye.z};
  start.tip = at(1.5, 0);
  start.right = at(StartViewLength, extent.right);
  start.left = at(StartViewLength, -extent.left);
  return start;
}

}  // namespace

std::string rangeText(const HeightRange& r) {
  if (r.empty()) return "-";
  if (r.high - r.low < 1e-3) return planNumber(r.low);
  return planNumber(r.low) + ".." + planNumber(r.high);
}

HeightRange heightsOf(const WorldPolygon& polygon) {
  HeightRange r;
  for (int k = 0; k < polygon.outline.vertexCount; ++k) r.add(polygon.outline.vertices[k].y);
  return r;
}

Polygon2 planOf(const WorldPolygon& polygon) {
  Polygon2 points;
  for (int k = 0; k < polygon.outline.vertexCount; ++k)
    points.push_back({polygon.outline.vertices[k].x, polygon.outline.vertices[k].z});
  return points;
}

void segmentOf(const WorldPolygon& polygon, Point2& a, Point2& b) {
  const Polygon2 points = planOf(polygon);
  double best = -1;
  for (size_t i = 0; i < points.size(); ++i) {
    for (size_t j = i + 1; j < points.size(); ++j) {
      const double d = std::hypot(points[i].u - points[j].u, points[i].v - points[j].v);
      if (d > best) {
        best = d;
        a = points[i];
        b = points[j];
      }
    }
  }
}

bool overviewFootprint(const World& world, const ScreenExtent& extent, double y, OverviewFootprint& footprint) {
  const Vec3& camera = world.overviewPosition;
  const Vec3& right = world.overviewOrientation.rows[0];
  const Vec3& up = world.overviewOrientation.rows[1];
  const Vec3& forward = world.overviewOrientation.rows[2];
  if (!(forward.y < 0)) return false;
  const double depth = (y - camera.y) / forward.y;
  if (depth <= 0) return false;
  HeightRange xs, zs;
  for (const double side : {-extent.left, extent.right}) {
    for (const double rise : {-extent.bottom, extent.top}) {
      xs.add(camera.x + depth * (forward.x + side * right.x + rise * up.x));
      zs.add(camera.z + depth * (forward.z + side * right.z + rise * up.z));
    }
  }
  footprint = {xs.low, xs.high, zs.low, zs.high};
  return true;
}

PlanSheet measurePlan(const PlanLevel& level, PlanLayout& layout) {
  const World& world = *level.world;
  PlanSheet sheet;
  sheet.extent = firstScreenExtent();
  sheet.start = startOf(sheet.extent);
  HeightRange xs, zs;
  for (int r = 0; r < world.roomCount; ++r) {
    PlanRoom shape;
    Polygon2 points;
    const Room& room = world.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      for (const Point2& q : planOf(polygon)) points.push_back(q);
      if (polygon.plane.normal.y >= HorizontalNormal)
        shape.floor.add(heightsOf(polygon).low), shape.floor.add(heightsOf(polygon).high);
      if (polygon.plane.normal.y <= -HorizontalNormal)
        shape.ceiling.add(heightsOf(polygon).low), shape.ceiling.add(heightsOf(polygon).high);
    }
    shape.footprint = convexHull(points);
    for (const Point2& q : shape.footprint) xs.add(q.u), zs.add(q.v);
    if (!shape.floor.empty()) sheet.lowestFloor = std::min(sheet.lowestFloor, shape.floor.low);
    sheet.rooms.push_back(shape);
  }
  // Rooms over other rooms: each centroid stacked above the rooms whose plan holds it.
  std::vector<PlanRoom>& rooms = sheet.rooms;
  for (size_t a = 0; a < rooms.size(); ++a) {
    const Point2 c = cornerAverage(rooms[a].footprint);
    for (size_t b = 0; b < rooms.size(); ++b) {
      if (a == b || !insideConvex(rooms[b].footprint, c)) continue;
      const double fa = rooms[a].floor.empty() ? 0 : rooms[a].floor.low;
      const double fb = rooms[b].floor.empty() ? 0 : rooms[b].floor.low;
      if (fb < fa || (fb == fa && b < a)) ++rooms[a].stack;
    }
  }
  // The start view, and room for the marker around the eye.
  const PlanStart& start = sheet.start;
  for (const Point2& q : {start.left, start.right, start.tip}) xs.add(q.u), zs.add(q.v);
  xs.add(start.at.u - 0.5), xs.add(start.at.u + 0.5);
  zs.add(start.at.v - 0.5), zs.add(start.at.v + 0.5);
  const double spanX = std::max(xs.high - xs.low, 4.0) + 4, spanZ = std::max(zs.high - zs.low, 4.0) + 4;
  const double scale = std::clamp(std::min(860.0 / spanX, 640.0 / spanZ), 6.0, 90.0);
  layout.scale = scale;
  layout.minX = xs.low - 2;
  layout.maxZ = zs.high + 2;
  const double drawingWidth = spanX * scale, drawingHeight = spanZ * scale;
  layout.width = int(std::ceil(std::max(drawingWidth + 2 * Margin, MinPageWidth)));
  layout.left = (layout.width - drawingWidth) / 2;
  layout.top = HeaderHeight;
  sheet.plotRight = layout.left + drawingWidth;
  sheet.plotBottom = layout.top + drawingHeight;
  layout.height = int(std::ceil(sheet.plotBottom + LegendHeight));
  for (int r = 0; r < world.roomCount; ++r) {
    const std::string& name = size_t(r) < level.roomNames.size() ? level.roomNames[size_t(r)] : std::string();
    layout.roomLabels.push_back(std::to_string(r) + (name.empty() ? "" : " " + name));
  }
  return sheet;
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
