#include "tools/level/level_warnings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/face_kind.h"
#include "geometry/flat_polygon.h"
#include "geometry/start_view.h"
#include "plan/number_text.h"
#include "tools/level/world_in_double.h"
#include "world/room_tracking.h"

namespace {

// Faces closer than the viewer's side test tells apart touch.
constexpr double TouchDistance = SideEpsilon;

// Measured lengths are written with this many significant digits.
constexpr int Digits = 4;

// The polygon's corners in two axes of the plane with normal n.
Polygon2 inPlane(const std::vector<DVec3>& corners, const DVec3& n) {
  const DVec3 helper = std::fabs(n.x) < 0.9 ? DVec3{1, 0, 0} : DVec3{0, 1, 0};
  const DVec3 u = normalizedD(crossD(n, helper));
  const DVec3 v = crossD(n, u);
  Polygon2 out;
  for (const DVec3& c : corners) out.push_back({dotD(c, u), dotD(c, v)});
  return out;
}

// The narrowest extent of a flat convex polygon: for some edge, the farthest corner from
// its line.
double narrowestWidth(const std::vector<DVec3>& corners, const DVec3& normal) {
  double narrowest = INFINITY;
  for (size_t i = 0; i < corners.size(); ++i) {
    const DVec3 edge = corners[(i + 1) % corners.size()] - corners[i];
    if (lengthD(edge) < 1e-9) continue;
    const DVec3 across = normalizedD(crossD(normal, edge));
    double widest = 0;
    for (const DVec3& c : corners) widest = std::max(widest, std::fabs(dotD(c - corners[i], across)));
    narrowest = std::min(narrowest, widest);
  }
  return narrowest;
}

class Finder {
 public:
  explicit Finder(const World& world) : world_(world) {}

  std::vector<LevelWarning> run() {
    if (world_.roomCount <= 0 || world_.roomCount > MaxRooms) return warnings_;
    startPoint();
    for (int r = 0; r < world_.roomCount; ++r) {
      unreachable(r);
      eyeHeight(r);
      narrowPortals(r);
    }
    nearMisses();
    std::stable_sort(warnings_.begin(), warnings_.end(),
                     [](const LevelWarning& a, const LevelWarning& b) { return a.room < b.room; });
    return warnings_;
  }

 private:
  void warn(int room, const std::string& text) { warnings_.push_back({room, text}); }

  bool holds(int r, const Vec3& eye) const {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      if (classifyPoint(room.polygons[p].plane, eye) == SideBehind) return false;
    }
    return true;
  }

  void startPoint() {
    const Vec3& eye = StartEye;
    if (holds(0, eye)) return;
    // Behind only floors or ceilings: right place in plan, wrong height.
    bool belowFloor = false, aboveCeiling = false, outsideSides = false;
    const Room& room = world_.rooms[0];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      if (classifyPoint(polygon.plane, eye) != SideBehind) continue;
      if (polygon.plane.normal.y >= HorizontalNormal)
        belowFloor = true;
      else if (polygon.plane.normal.y <= -HorizontalNormal)
        aboveCeiling = true;
      else
        outsideSides = true;
    }
    int holder = -1;
    for (int r = 0; r < world_.roomCount; ++r) {
      if (holds(r, eye)) holder = r;
    }
    std::string text = "the start point " + pointText(eye, Digits, NearZero::AsZero) + " ";
    if (outsideSides) {
      text += "is not inside room 0";
    } else {
      text += std::string("lies inside room 0's outline but ") +
              (belowFloor     ? "below its floor"
               : aboveCeiling ? "above its ceiling"
                              : "outside it") +
              " (the eye stays at y = " + numberText(eye.y, Digits, NearZero::AsZero) + " until a wall pushes it)";
    }
    text += holder >= 0 ? "; the viewer will start in room " + std::to_string(holder)
                        : "; no room holds it, so the first steps push the eye about";
    warn(0, text);
  }

  void unreachable(int r) {
    if (reached_.empty()) {
      reached_.assign(size_t(world_.roomCount), false);
      std::vector<int> queue{0};
      reached_[0] = true;
      while (!queue.empty()) {
        const int at = queue.back();
        queue.pop_back();
        const Room& room = world_.rooms[at];
        for (int p = 0; p < room.polygonCount; ++p) {
          const int to = room.polygons[p].targetRoom;
          if (to >= 0 && to < world_.roomCount && !reached_[size_t(to)]) {
            reached_[size_t(to)] = true;
            queue.push_back(to);
          }
        }
      }
    }
    if (!reached_[size_t(r)]) warn(r, "cannot be reached from room 0 through portals, so it is never seen");
  }

  void eyeHeight(int r) {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      const double ny = polygon.plane.normal.y;
      if (std::fabs(ny) < HorizontalNormal) continue;
      double low = INFINITY, high = -INFINITY;
      for (const DVec3& c : cornersOf(polygon)) {
        low = std::min(low, c.y);
        high = std::max(high, c.y);
      }
      const double eyeY = StartEye.y;
      if (low > eyeY + WallMargin || high < eyeY - WallMargin) continue;
      const char* face = ny > 0 ? "floor" : "ceiling";
      const std::string heights = low == high ? "at y = " + numberText(low, Digits, NearZero::AsZero)
                                              : "from y = " + numberText(low, Digits, NearZero::AsZero) + " to " +
                                                    numberText(high, Digits, NearZero::AsZero);
      warn(r, std::string("its ") + face + " (" + heights + ") comes within " +
                  numberText(WallMargin, Digits, NearZero::AsZero) +
                  " of the eye's height y = " + numberText(eyeY, Digits, NearZero::AsZero) +
                  ": the camera never changes height except by pushes, so the picture there "
                  "is half " +
                  face + " seen edge-on");
    }
  }

  void narrowPortals(int r) {
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const WorldPolygon& polygon = room.polygons[p];
      const int to = polygon.targetRoom;
      // An opening is two portals: speak of it once, from the lower room.
      if (to < 0 || to < r) continue;
      const double width = narrowestWidth(cornersOf(polygon), toD(polygon.plane.normal));
      if (width < WallMargin) {
        warn(r, "the opening to room " + std::to_string(to) + " (polygon " + std::to_string(p) + ") is only " +
                    numberText(width, Digits, NearZero::AsZero) + " wide, less than the camera's push distance " +
                    numberText(WallMargin, Digits, NearZero::AsZero) + ": it cannot be walked through");
      }
    }
  }

  // Parallel walls of two rooms facing each other across a gap too small to mean anything.
  void nearMisses() {
    for (int a = 0; a < world_.roomCount; ++a) {
      for (int b = a + 1; b < world_.roomCount; ++b) {
        double closest = INFINITY;
        for (int pa = 0; pa < world_.rooms[a].polygonCount; ++pa) {
          const WorldPolygon& wa = world_.rooms[a].polygons[pa];
          if (wa.targetRoom >= 0) continue;
          const DPlane planeA = toD(wa.plane);
          for (int pb = 0; pb < world_.rooms[b].polygonCount; ++pb) {
            const WorldPolygon& wb = world_.rooms[b].polygons[pb];
            if (wb.targetRoom >= 0 || dotD(planeA.n, toD(wb.plane.normal)) > -0.999) continue;
            const std::vector<DVec3> cornersB = cornersOf(wb);
            double nearest = INFINITY, farthest = 0;
            for (const DVec3& c : cornersB) {
              const double gap = std::fabs(distanceTo(planeA, c));
              nearest = std::min(nearest, gap);
              farthest = std::max(farthest, gap);
            }
            if (farthest <= TouchDistance || farthest >= NearMissDistance) continue;
            if (overlapArea(inPlane(cornersOf(wa), planeA.n), inPlane(cornersB, planeA.n)) <= 1e-4) continue;
            closest = std::min(closest, nearest);
          }
        }
        if (closest < INFINITY) {
          warn(a, "a wall lies " + numberText(closest, Digits, NearZero::AsZero) + " from a wall of room " +
                      std::to_string(b) +
                      " without an opening between them: if they were meant to meet, move them together");
        }
      }
    }
  }

  const World& world_;
  std::vector<bool> reached_;
  std::vector<LevelWarning> warnings_;
};

}  // namespace

std::vector<LevelWarning> findLevelWarnings(const World& world) { return Finder(world).run(); }

std::string formatWarning(const LevelSource& source, const LevelWarning& warning) {
  const bool known = warning.room >= 0 && warning.room < int(source.rooms.size());
  const int line = known ? source.rooms[size_t(warning.room)].line : 1;
  const std::string where = warning.room >= 0 ? describeRoom(source, warning.room) + ": " : std::string();
  return source.fileName + ":" + std::to_string(line) + ": warning: " + where + warning.text;
}

std::string formatWarning(const std::string& path, const LevelWarning& warning) {
  const std::string where = warning.room >= 0 ? "room " + std::to_string(warning.room) + ": " : std::string();
  return path + ": warning: " + where + warning.text;
}
