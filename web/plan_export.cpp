// The plan beside the page's editor: the level tool's own measure of a plan (the rooms
// from above, their sides and openings, the doors, the start view and the overview
// camera's picture, as quellor-level plan lays them out), handed to the page as JSON in
// world units for web/plan.js to draw on a canvas.
#include <emscripten/emscripten.h>

#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "geometry/face_kind.h"
#include "plan/plan_sheet.h"
#include "tools/level/level_source.h"
#include "tools/level/plan_input.h"
#include "world/level_loader.h"

namespace {

using nlohmann::json;

json point(const Point2& p) { return json::array({p.u, p.v}); }

json points(const Polygon2& polygon) {
  json out = json::array();
  for (const Point2& p : polygon) out.push_back(point(p));
  return out;
}

json rgb(const double c[3]) { return json::array({c[0], c[1], c[2]}); }

json planOfLevel(const PlanLevel& level) {
  PlanLayout layout;
  const PlanSheet sheet = measurePlan(level, layout);
  const World& world = *level.world;
  json plan;
  plan["title"] = level.title;
  plan["bounds"] = {{"minX", layout.minX},
                    {"maxX", layout.minX + (sheet.plotRight - layout.left) / layout.scale},
                    {"minZ", layout.maxZ - (sheet.plotBottom - layout.top) / layout.scale},
                    {"maxZ", layout.maxZ}};
  json rooms = json::array(), sides = json::array(), holes = json::array();
  for (int r = 0; r < world.roomCount; ++r) {
    const PlanRoom& shape = sheet.rooms[size_t(r)];
    double tint[3];
    roomTint(r, tint);
    rooms.push_back({{"footprint", points(shape.footprint)},
                     {"tint", rgb(tint)},
                     {"label", layout.roomLabels[size_t(r)]},
                     {"heights", "floor " + rangeText(shape.floor) + ", ceiling " + rangeText(shape.ceiling)},
                     {"stack", shape.stack}});
    const Room& room = world.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      const bool portal = polygon.targetRoom >= 0;
      if (std::fabs(polygon.plane.normal.y) >= HorizontalNormal) {
        // Each opening in a floor or ceiling once, from its lower room.
        if (portal && polygon.targetRoom >= r) {
          holes.push_back({{"points", points(planOf(polygon))},
                           {"label", "opening " + std::to_string(r) + "-" + std::to_string(polygon.targetRoom) +
                                         " at y " + rangeText(heightsOf(polygon))}});
        }
        continue;
      }
      Point2 a, b;
      segmentOf(polygon, a, b);
      json side = {{"a", point(a)}, {"b", point(b)}, {"portal", portal}, {"stack", shape.stack}};
      // Each side opening's heights once, from its lower room.
      if (portal && polygon.targetRoom > r) side["label"] = "y " + rangeText(heightsOf(polygon));
      sides.push_back(side);
    }
  }
  plan["rooms"] = rooms;
  plan["sides"] = sides;
  plan["holes"] = holes;
  json doors = json::array();
  for (const PlanDoor& door : level.doors) doors.push_back({door.minX, door.minZ, door.maxX, door.maxZ});
  plan["doors"] = doors;
  const PlanStart& s = sheet.start;
  plan["start"] = {{"at", point(s.at)},
                   {"tip", point(s.tip)},
                   {"left", point(s.left)},
                   {"right", point(s.right)},
                   {"name", "start " + pointText(s.eye, PlanDigits, NearZero::AsZero)},
                   {"axis", s.axis}};
  json footprints = json::array();
  const auto footprintAt = [&](double y, const char* what) {
    OverviewFootprint f;
    if (overviewFootprint(world, sheet.extent, y, f)) {
      footprints.push_back({{"x0", f.x0}, {"x1", f.x1}, {"z0", f.z0}, {"z1", f.z1}, {"y", y}, {"what", what}});
    }
  };
  footprintAt(s.eye.y, "eye height");
  if (sheet.lowestFloor < 0 && std::isfinite(sheet.lowestFloor)) footprintAt(sheet.lowestFloor, "lowest floor");
  plan["overview"] = {{"camera", json::array({world.overviewPosition.x, world.overviewPosition.z})},
                      {"name", "overview camera " + pointText(world.overviewPosition, PlanDigits, NearZero::AsZero)},
                      {"footprints", footprints}};
  return plan;
}

}  // namespace

extern "C" {

// The plan of a level file's bytes, with the room names and doors of its source when it
// came from one (sourceSize 0: none), as JSON; {"error": ...} when there is none to draw.
// The text lives until the next call.
EMSCRIPTEN_KEEPALIVE const char* quellor_plan(const char* title, const uint8_t* bytes, int32_t size, const char* source,
                                              int32_t sourceSize) {
  static std::string text;
  json out;
  try {
    PlanLevel level;
    level.title = title;
    const LevelLoadResult loaded = parseLevel(*level.world, title, bytes, size < 0 ? 0 : size_t(size));
    if (!loaded.ok) {
      out = {{"error", loaded.message}};
    } else {
      if (sourceSize > 0) {
        LevelSource parsed;
        std::vector<std::string> errors;
        if (readLevelSource(std::string(source, size_t(sourceSize)), title, parsed, errors)) {
          for (const LevelSourceRoom& room : parsed.rooms) level.roomNames.push_back(room.name);
          level.doors = planDoorsOf(parsed.doors);
        }
      }
      out = planOfLevel(level);
    }
  } catch (const std::exception& e) {
    out = {{"error", std::string("the plan cannot be drawn here (") + e.what() + ")"}};
  }
  text = out.dump(-1, ' ', false, json::error_handler_t::replace);
  return text.c_str();
}

}  // extern "C"
