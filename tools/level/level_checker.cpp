#include "tools/level/level_checker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "plan/number_text.h"
#include "tools/level/convex_body.h"
#include "tools/level/dvec3.h"
#include "tools/level/level_inputs.h"
#include "tools/level/world_in_double.h"
#include "world/level_loader.h"

namespace {

constexpr double FullTurn = 6.283185307179586;

// Measured lengths and counts are written with this many significant digits.
constexpr int Digits = 4;

double largestCoordinate(const DVec3& v) { return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)}); }

}  // namespace

double checkToleranceFor(const World& world) {
  double extent = 0;
  for (int r = 0; r < world.roomCount && r < MaxRooms; ++r) {
    const Room& room = world.rooms[r];
    for (int p = 0; p < room.polygonCount && p < MaxRoomPolygons; ++p) {
      const ClipPolygon& outline = room.polygons[p].outline;
      for (int k = 0; k < outline.vertexCount && k < MaxPolygonVertices; ++k) {
        const double e = largestCoordinate(toD(outline.vertices[k]));
        if (std::isfinite(e) && e <= MaxCheckCoordinate) extent = std::max(extent, e);
      }
    }
  }
  return CheckTolerance * std::max(1.0, extent / ToleranceExtent);
}

namespace {

class Checker {
 public:
  explicit Checker(const World& world) : world_(world), tolerance_(checkToleranceFor(world)) {}

  std::vector<LevelProblem> run() {
    if (world_.roomCount <= 0) problem(-1, -1, "the level has no rooms");
    if (world_.roomCount > MaxRooms) {
      problem(-1, -1,
              "the level has " + std::to_string(world_.roomCount) + " rooms, more than " + std::to_string(MaxRooms));
      return problems_;
    }
    for (int r = 0; r < world_.roomCount; ++r) checkRoom(r);
    for (int a = 0; a < world_.roomCount; ++a) {
      for (int b = a + 1; b < world_.roomCount; ++b) {
        if (usable_[size_t(a)] && usable_[size_t(b)] && bodiesOverlap(bodyOf(a), bodyOf(b), tolerance_)) {
          problem(a, -1, "overlaps room " + std::to_string(b));
        }
      }
    }
    return problems_;
  }

 private:
  void problem(int room, int polygon, const std::string& text) { problems_.push_back({room, polygon, text}); }

  void checkRoom(int r) {
    usable_.push_back(false);
    const Room& room = world_.rooms[r];
    if (room.polygonCount <= 0 || room.polygonCount > MaxRoomPolygons) {
      problem(r, -1,
              "has " + std::to_string(room.polygonCount) + " polygons; a room needs 1 to " +
                  std::to_string(MaxRoomPolygons) + " and must be closed");
      return;
    }
    bool polygonsSound = true;
    for (int p = 0; p < room.polygonCount; ++p) polygonsSound = checkPolygon(r, p) && polygonsSound;
    if (!polygonsSound) return;  // the room-wide tests need sound polygons
    usable_.back() = true;
    const DVec3 centre = roomCentre(room);
    for (int p = 0; p < room.polygonCount; ++p) {
      const DPlane plane = toD(room.polygons[p].plane);
      const double centreDistance = distanceTo(plane, centre);
      if (centreDistance <= tolerance_) {
        problem(r, p,
                "its normal points out of the room (the room's centre lies " + numberText(-centreDistance, Digits) +
                    " behind its plane)");
        continue;
      }
      double worst = 0;
      int worstPolygon = -1, worstVertex = -1;
      for (int q = 0; q < room.polygonCount; ++q) {
        const ClipPolygon& outline = room.polygons[q].outline;
        for (int k = 0; k < outline.vertexCount; ++k) {
          const double d = distanceTo(plane, toD(outline.vertices[k]));
          if (d < worst) {
            worst = d;
            worstPolygon = q;
            worstVertex = k;
          }
        }
      }
      if (worst < -tolerance_) {
        problem(r, p,
                "vertex " + std::to_string(worstVertex) + " of polygon " + std::to_string(worstPolygon) + " lies " +
                    numberText(-worst, Digits) + " behind its plane: the room is not convex");
      }
    }
    for (int p = 0; p < room.polygonCount; ++p) checkClosure(r, p);
    for (int p = 0; p < room.polygonCount; ++p) {
      if (room.polygons[p].targetRoom >= 0) checkTwin(r, p);
    }
  }

  // Shape of one polygon on its own: size, plane, flatness, convexity and winding.
  bool checkPolygon(int r, int p) {
    const WorldPolygon& polygon = world_.rooms[r].polygons[p];
    const ClipPolygon& outline = polygon.outline;
    const int n = outline.vertexCount;
    if (n < 3 || n > MaxPolygonVertices) {
      problem(r, p, "has " + std::to_string(n) + " vertices; a polygon has 3 to " + std::to_string(MaxPolygonVertices));
      return false;
    }
    if (polygon.targetRoom < -1 || polygon.targetRoom >= world_.roomCount) {
      problem(r, p, "leads to room " + std::to_string(polygon.targetRoom) + ", which does not exist");
      return false;
    }
    if (polygon.targetRoom == r) {
      problem(r, p, "is a portal into its own room");
      return false;
    }
    const std::vector<DVec3> v = cornersOf(polygon);
    for (int k = 0; k < n; ++k) {
      if (!std::isfinite(v[size_t(k)].x) || !std::isfinite(v[size_t(k)].y) || !std::isfinite(v[size_t(k)].z)) {
        problem(r, p, "vertex " + std::to_string(k) + " is not a finite point");
        return false;
      }
    }
    for (int k = 0; k < n; ++k) {
      const double extent = largestCoordinate(v[size_t(k)]);
      if (extent > MaxCheckCoordinate) {
        problem(r, p,
                "vertex " + std::to_string(k) + " is out of range: a coordinate of " + numberText(extent, Digits) +
                    " world units is beyond " + numberText(MaxCheckCoordinate, Digits) +
                    ", where the viewer's float products of coordinates overflow");
        return false;
      }
    }
    const DPlane plane = toD(polygon.plane);
    const double normalLength = lengthD(plane.n);
    if (!std::isfinite(normalLength) || !std::isfinite(plane.d) || std::fabs(normalLength - 1) > 1e-4) {
      problem(r, p, "has no usable plane: its first three vertices lie on one line or coincide");
      return false;
    }
    for (int k = 0; k < n; ++k) {
      if (distanceD(v[size_t(k)], v[size_t((k + 1) % n)]) <= tolerance_) {
        problem(r, p, "vertices " + std::to_string(k) + " and " + std::to_string((k + 1) % n) + " coincide");
        return false;
      }
    }
    bool ok = true;
    double worst = 0;
    int worstVertex = -1;
    for (int k = 0; k < n; ++k) {
      const double d = std::fabs(distanceTo(plane, v[size_t(k)]));
      if (d > worst) {
        worst = d;
        worstVertex = k;
      }
    }
    if (worst > tolerance_) {
      problem(r, p,
              "is not flat: vertex " + std::to_string(worstVertex) + " lies " + numberText(worst, Digits) +
                  " off the plane of its first three vertices");
      ok = false;
    }
    // Seen against the plane's normal, a consistently wound convex polygon turns the same
    // way at every corner, and once round in all.
    double turning = 0;
    for (int k = 0; k < n && ok; ++k) {
      const DVec3& prev = v[size_t((k + n - 1) % n)];
      const DVec3& here = v[size_t(k)];
      const DVec3& next = v[size_t((k + 1) % n)];
      const DVec3 in = here - prev, out = next - here;
      const double against = -dotD(crossD(in, out), plane.n);
      if (against < -tolerance_ * lengthD(in)) {
        problem(r, p,
                "is not convex, or not wound one way round: it turns the other way at vertex " + std::to_string(k));
        ok = false;
      }
      turning += std::atan2(against, dotD(in, out));
    }
    if (ok && std::fabs(turning - FullTurn) > 1e-3) {
      problem(
          r, p,
          "is not a simple convex polygon: its edges turn " + numberText(turning / FullTurn, Digits) + " times round");
      ok = false;
    }
    return ok;
  }

  static DVec3 roomCentre(const Room& room) {
    DVec3 sum;
    int count = 0;
    for (int p = 0; p < room.polygonCount; ++p) {
      for (const DVec3& v : cornersOf(room.polygons[p])) {
        sum = sum + v;
        ++count;
      }
    }
    return count ? sum * (1.0 / count) : sum;
  }

  // Every stretch of every edge must be met by the edge of one other polygon of the
  // room running the opposite way: then the polygons close the room with no gap and no
  // overlap. An edge may be met by several shorter ones (a T-junction).
  void checkClosure(int r, int p) {
    const Room& room = world_.rooms[r];
    const std::vector<DVec3> v = cornersOf(room.polygons[p]);
    const size_t n = v.size();
    for (size_t k = 0; k < n; ++k) {
      const DVec3 a = v[k], b = v[(k + 1) % n];
      const double length = distanceD(a, b);
      const DVec3 along = (b - a) * (1.0 / length);
      std::vector<std::pair<double, double>> cover;
      int sameWay = -1;
      for (int q = 0; q < room.polygonCount; ++q) {
        if (q == p) continue;
        const std::vector<DVec3> w = cornersOf(room.polygons[q]);
        for (size_t m = 0; m < w.size(); ++m) {
          const DVec3 c = w[m], d = w[(m + 1) % w.size()];
          const double tc = dotD(c - a, along), td = dotD(d - a, along);
          if (distanceD(a + along * tc, c) > tolerance_ || distanceD(a + along * td, d) > tolerance_) continue;
          const double lo = std::max(0.0, std::min(tc, td)), hi = std::min(length, std::max(tc, td));
          if (hi - lo <= tolerance_) continue;
          if (td < tc)
            cover.push_back({lo, hi});
          else
            sameWay = q;
        }
      }
      const std::string edge =
          "edge " + std::to_string(k) + " (vertex " + std::to_string(k) + " to " + std::to_string((k + 1) % n) + ")";
      if (sameWay >= 0) {
        problem(r, p,
                edge + " runs the same way along an edge of polygon " + std::to_string(sameWay) +
                    ": the two overlap or are wound against each other");
        return;
      }
      std::sort(cover.begin(), cover.end());
      double reached = 0;
      bool twice = false;
      for (const auto& [lo, hi] : cover) {
        if (lo > reached + tolerance_) break;
        if (lo < reached - tolerance_) twice = true;
        reached = std::max(reached, hi);
      }
      if (twice) {
        problem(r, p, edge + " is met by more than one polygon along the same stretch");
        return;
      }
      if (reached < length - tolerance_) {
        problem(r, p,
                edge + " is not met by another polygon of the room from " + numberText(reached, Digits) +
                    " along it: the room is not closed");
        return;
      }
    }
  }

  // The twin: a portal of the target room back into this one, in the same plane with
  // the opposite normal, over the same corners.
  void checkTwin(int r, int p) {
    const WorldPolygon& portal = world_.rooms[r].polygons[p];
    const int t = portal.targetRoom;
    if (t < 0 || t >= world_.roomCount) return;
    const Room& target = world_.rooms[t];
    const DPlane plane = toD(portal.plane);
    const std::vector<DVec3> mine = cornersOf(portal);
    std::string nearMiss;
    for (int q = 0; q < target.polygonCount && q < MaxRoomPolygons; ++q) {
      const WorldPolygon& other = target.polygons[q];
      if (other.targetRoom != r) continue;
      const std::vector<DVec3> theirs = cornersOf(other);
      bool inPlane = true;
      for (const DVec3& c : theirs) inPlane = inPlane && std::fabs(distanceTo(plane, c)) <= tolerance_;
      if (!inPlane) continue;
      if (dotD(plane.n, toD(other.plane.normal)) > -0.9999) {
        nearMiss = "its twin, polygon " + std::to_string(q) + " of room " + std::to_string(t) +
                   ", lies in its plane but faces the same way";
        continue;
      }
      bool same = theirs.size() == mine.size();
      for (const DVec3& c : mine) {
        bool found = false;
        for (const DVec3& d : theirs) found = found || distanceD(c, d) <= tolerance_;
        same = same && found;
      }
      if (same) return;
      nearMiss = "its twin, polygon " + std::to_string(q) + " of room " + std::to_string(t) +
                 ", lies in its plane but has a different outline";
    }
    problem(r, p,
            nearMiss.empty() ? "has no twin: room " + std::to_string(t) + " has no portal back to room " +
                                   std::to_string(r) + " in the same plane"
                             : nearMiss);
  }

  ConvexBody bodyOf(int r) const {
    ConvexBody body;
    const Room& room = world_.rooms[r];
    for (int p = 0; p < room.polygonCount; ++p) {
      const std::vector<DVec3> v = cornersOf(room.polygons[p]);
      for (size_t k = 0; k < v.size(); ++k) {
        body.corners.push_back(v[k]);
        addDirection(body.edgeDirections, v[(k + 1) % v.size()] - v[k]);
      }
      body.faceNormals.push_back(toD(room.polygons[p].plane.normal));
    }
    return body;
  }

  const World& world_;
  const double tolerance_;
  std::vector<LevelProblem> problems_;
  std::vector<bool> usable_;
};

}  // namespace

std::vector<LevelProblem> checkWorld(const World& world) { return Checker(world).run(); }

// A problem is printed after the file's name, so a message that begins with it loses it.
static std::string withoutPath(const std::string& path, const std::string& message) {
  const std::string prefix = path + ": ";
  return message.compare(0, prefix.size(), prefix) == 0 ? message.substr(prefix.size()) : message;
}

// The loader's verdict as problems: its refusal as the one problem, else the checker's.
static std::vector<LevelProblem> checkLoaded(const std::string& name, const LevelLoadResult& loaded, const World& world,
                                             std::string* note) {
  if (note) *note = loaded.note;
  if (!loaded.ok) return {{-1, -1, withoutPath(name, loaded.message)}};
  return checkWorld(world);
}

std::vector<LevelProblem> checkLevelFile(const std::string& path, World& world, std::string* note) {
  world.roomCount = 0;
  if (note) note->clear();
  std::string error;
  if (!levelFileUsable(path, error)) return {{-1, -1, withoutPath(path, error)}};
  return checkLoaded(path, loadLevel(world, path.c_str()), world, note);
}

std::vector<LevelProblem> checkLevelBytes(const std::string& name, const uint8_t* bytes, size_t size, World& world,
                                          std::string* note) {
  return checkLoaded(name, parseLevel(world, name.c_str(), bytes, size), world, note);
}

std::string formatProblem(const World& world, const LevelProblem& problem) {
  std::string where;
  if (problem.room >= 0) where = "room " + std::to_string(problem.room);
  if (problem.room >= 0 && problem.polygon >= 0) {
    where += " polygon " + std::to_string(problem.polygon);
    if (problem.room < world.roomCount && problem.polygon < world.rooms[problem.room].polygonCount) {
      const int target = world.rooms[problem.room].polygons[problem.polygon].targetRoom;
      where += target < 0 ? " (wall)" : " (portal to room " + std::to_string(target) + ")";
    }
  }
  return where.empty() ? problem.text : where + ": " + problem.text;
}
