#include "tools/level/level_builder.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "plan/number_text.h"
#include "tools/level/convex_body.h"
#include "tools/level/convex_face.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_writer.h"
#include "world/level_loader.h"
#include "world/world.h"

namespace {

// World units. The source's coordinates are exact decimals, so everything the builder
// derives from them agrees far more closely than this.
constexpr double Tolerance = 1e-6;
constexpr double MinPieceArea = 1e-6;
constexpr double MinRoomHeight = 0.01;
// The checker treats points within CheckTolerance as one: every edge of a built polygon
// must be well above that, or the level would build and then fail its check.
constexpr double MinEdgeLength = 10 * CheckTolerance;
// Sine of the sharpest turn allowed at an outline corner: flatter corners are refused.
constexpr double MinCornerSine = 1e-4;
constexpr double FullTurn = 6.283185307179586;
// Numbers the author wrote are repeated in %g's own six significant digits.
constexpr int AuthorDigits = 6;

struct RoomFace {
  Face points;
  DPlane plane;  // faces into the room
  std::string what;
  int line = 0;
  std::vector<Face> openings;
  std::vector<int> openingDoors;  // the door line that made each opening, or 0
};

struct RoomShape {
  std::vector<RoomFace> faces;
  DVec3 centre;
  ConvexBody body;
};

class Builder {
 public:
  Builder(const LevelSource& source, BuiltLevel& level, std::vector<std::string>& errors)
      : source_(source), level_(level), errors_(errors) {}

  bool build() {
    const size_t before = errors_.size();
    const int roomCount = int(source_.rooms.size());
    if (roomCount == 0) {
      errors_.push_back(sourceMessage(source_, 1, "the level has no rooms"));
      return false;
    }
    if (roomCount > MaxRooms) {
      roomError(
          MaxRooms, source_.rooms[MaxRooms].line,
          "the level has " + std::to_string(roomCount) + " rooms; a level holds at most " + std::to_string(MaxRooms));
    }
    shapes_.resize(size_t(roomCount));
    for (int r = 0; r < roomCount; ++r) shapeRoom(r);
    if (errors_.size() != before) return false;
    for (int a = 0; a < roomCount; ++a) {
      for (int b = a + 1; b < roomCount; ++b) {
        if (bodiesOverlap(shapes_[size_t(a)].body, shapes_[size_t(b)].body, Tolerance)) {
          roomError(b, source_.rooms[size_t(b)].line,
                    "overlaps " + describeRoom(source_, a) + ", line " + std::to_string(source_.rooms[size_t(a)].line));
        }
      }
    }
    if (errors_.size() != before) return false;
    for (int a = 0; a < roomCount; ++a) {
      for (int b = a + 1; b < roomCount; ++b) openPair(a, b);
    }
    if (errors_.size() != before) return false;
    level_ = BuiltLevel{};
    level_.rooms.resize(size_t(roomCount));
    for (int r = 0; r < roomCount; ++r) emitRoom(r);
    closeTJunctions();
    for (int r = 0; r < roomCount; ++r) orientRoom(r);
    for (int r = 0; r < roomCount; ++r) checkLimits(r);
    if (errors_.size() != before) return false;
    checkAsLoaded();
    return errors_.size() == before;
  }

 private:
  void roomError(int room, int line, const std::string& text) {
    errors_.push_back(sourceMessage(source_, line, describeRoom(source_, room) + ": " + text));
  }

  // The outline must be a convex polygon whose ceiling lies above its floor everywhere;
  // then its floor, ceiling and sides become the room's faces.
  void shapeRoom(int r) {
    const LevelSourceRoom& room = source_.rooms[size_t(r)];
    const std::vector<LevelSourceCorner>& corner = room.outline;
    const size_t n = corner.size();
    if (n < 3) {
      roomError(r, room.line, "the outline has " + std::to_string(n) + " corners; a room needs at least 3");
      return;
    }
    if (n > size_t(MaxPolygonVertices)) {
      roomError(r, corner[0].line,
                "the outline has " + std::to_string(n) + " corners, so the floor and ceiling would have more than " +
                    std::to_string(MaxPolygonVertices) + " vertices, the most a polygon holds");
      return;
    }
    // Twice the signed area in (x, z): its sign is the outline's winding.
    double area2 = 0;
    for (size_t k = 0; k < n; ++k) {
      const size_t j = (k + 1) % n;
      area2 += corner[k].x * corner[j].z - corner[j].x * corner[k].z;
    }
    bool ok = true;
    double turning = 0;
    for (size_t k = 0; k < n && ok; ++k) {
      const size_t p = (k + n - 1) % n, q = (k + 1) % n;
      const double ex = corner[k].x - corner[p].x, ez = corner[k].z - corner[p].z;
      const double fx = corner[q].x - corner[k].x, fz = corner[q].z - corner[k].z;
      const double le = std::hypot(ex, ez), lf = std::hypot(fx, fz);
      if (le <= Tolerance || lf <= Tolerance) {
        ok = false;
        roomError(r, corner[k].line, "corner " + std::to_string(k) + " repeats its neighbour");
        break;
      }
      if (lf < MinEdgeLength) {
        ok = false;
        roomError(r, corner[k].line,
                  "corners " + std::to_string(k) + " and " + std::to_string(q) + " are " +
                      numberText(lf, AuthorDigits) + " apart; corners must be at least " +
                      numberText(MinEdgeLength, AuthorDigits) + " apart");
        break;
      }
      const double sine = (ex * fz - ez * fx) / (le * lf);
      if (std::fabs(sine) < MinCornerSine) {
        ok = false;
        roomError(r, corner[k].line,
                  "corner " + std::to_string(k) + " lies on a straight line with its neighbours (or folds back)");
      } else if ((sine > 0) != (area2 > 0)) {
        ok = false;
        roomError(r, corner[k].line,
                  "the outline is not convex: it turns the other way at corner " + std::to_string(k));
      }
      turning += std::atan2(ex * fz - ez * fx, ex * fx + ez * fz);
    }
    if (ok && std::fabs(turning) > FullTurn + 1e-6) {
      roomError(r, corner[0].line, "the outline crosses itself (it winds round more than once)");
      ok = false;
    }
    for (size_t k = 0; k < n && ok; ++k) {
      const double floor = room.floor.heightAt(corner[k].x, corner[k].z);
      const double ceiling = room.ceiling.heightAt(corner[k].x, corner[k].z);
      if (std::fabs(floor) > MaxSourceCoordinate || std::fabs(ceiling) > MaxSourceCoordinate) {
        roomError(r, corner[k].line,
                  "the floor or ceiling at corner " + std::to_string(k) + " lies beyond -1000..1000");
        ok = false;
      } else if (ceiling - floor < MinRoomHeight) {
        roomError(r, room.ceiling.line,
                  "the ceiling is not above the floor at corner " + std::to_string(k) + " (floor " +
                      numberText(floor, AuthorDigits) + ", ceiling " + numberText(ceiling, AuthorDigits) + ")");
        ok = false;
      }
    }
    if (!ok) return;

    std::vector<DVec3> bottom, top;
    for (size_t k = 0; k < n; ++k) {
      const double x = corner[k].x, z = corner[k].z;
      bottom.push_back({x, room.floor.heightAt(x, z), z});
      top.push_back({x, room.ceiling.heightAt(x, z), z});
    }
    RoomShape& shape = shapes_[size_t(r)];
    DVec3 centre;
    for (size_t k = 0; k < n; ++k) centre = centre + bottom[k] + top[k];
    shape.centre = centre * (0.5 / double(n));
    addFace(shape, bottom, "the floor", room.floor.line);
    addFace(shape, top, "the ceiling", room.ceiling.line);
    for (size_t k = 0; k < n; ++k) {
      const size_t j = (k + 1) % n;
      addFace(shape, {bottom[k], bottom[j], top[j], top[k]}, "side " + std::to_string(k), corner[k].line);
    }
    for (size_t k = 0; k < n; ++k) {
      shape.body.corners.push_back(bottom[k]);
      shape.body.corners.push_back(top[k]);
      addDirection(shape.body.edgeDirections, bottom[(k + 1) % n] - bottom[k]);
      addDirection(shape.body.edgeDirections, top[(k + 1) % n] - top[k]);
    }
    addDirection(shape.body.edgeDirections, {0, 1, 0});
    for (const RoomFace& face : shape.faces) shape.body.faceNormals.push_back(face.plane.n);
  }

  static void addFace(RoomShape& shape, const Face& points, const std::string& what, int line) {
    RoomFace face;
    face.points = points;
    face.what = what;
    face.line = line;
    face.plane.n = normalizedD(newellVector(points));
    face.plane.d = -dotD(face.plane.n, points[0]);
    if (distanceTo(face.plane, shape.centre) < 0) face.plane = {-face.plane.n, -face.plane.d};
    shape.faces.push_back(face);
  }

  static bool facingEachOther(const DPlane& a, const DPlane& b) {
    return dotD(a.n, b.n) < -1 + 1e-12 && std::fabs(a.d + b.d) <= Tolerance;
  }

  static Face clipToBox(const Face& face, const DVec3& min, const DVec3& max) {
    Face out = face;
    const DPlane sides[6] = {{{1, 0, 0}, -min.x}, {{-1, 0, 0}, max.x}, {{0, 1, 0}, -min.y},
                             {{0, -1, 0}, max.y}, {{0, 0, 1}, -min.z}, {{0, 0, -1}, max.z}};
    for (const DPlane& side : sides) {
      if (!out.empty()) out = clipFace(out, side, Tolerance);
    }
    return out;
  }

  // Every part of a face of room a that lies against a face of room b opens into b,
  // unless the doors named for the two rooms close it or narrow it to their boxes.
  void openPair(int a, int b) {
    std::vector<const LevelSourceDoor*> doors;
    bool closed = false;
    for (const LevelSourceDoor& door : source_.doors) {
      if ((door.rooms[0] == a && door.rooms[1] == b) || (door.rooms[0] == b && door.rooms[1] == a)) {
        doors.push_back(&door);
        closed = closed || door.closed;
      }
    }
    std::vector<bool> doorUsed(doors.size(), false);
    bool shared = false;
    RoomShape& A = shapes_[size_t(a)];
    RoomShape& B = shapes_[size_t(b)];
    for (size_t fa = 0; fa < A.faces.size(); ++fa) {
      for (size_t fb = 0; fb < B.faces.size(); ++fb) {
        if (!facingEachOther(A.faces[fa].plane, B.faces[fb].plane)) continue;
        const Face common = intersectFaces(A.faces[fa].points, B.faces[fb].points, Tolerance);
        if (faceArea(common) < MinPieceArea) continue;
        shared = true;
        if (closed) continue;
        bool boxed = false;
        for (size_t d = 0; d < doors.size(); ++d) {
          boxed = true;
          const Face part = clipToBox(common, doors[d]->min, doors[d]->max);
          if (faceArea(part) < MinPieceArea) continue;
          doorUsed[d] = true;
          addOpening(a, fa, b, fb, part, doors[d]->line);
        }
        if (!boxed) addOpening(a, fa, b, fb, common, 0);
      }
    }
    for (size_t d = 0; d < doors.size(); ++d) {
      const std::string pair = describeRoom(source_, a) + " and " + describeRoom(source_, b);
      if (!shared) {
        errors_.push_back(sourceMessage(source_, doors[d]->line,
                                        pair + " share no wall, so there is nothing for this door to open or close"));
      } else if (!doors[d]->closed && !closed && !doorUsed[d]) {
        errors_.push_back(
            sourceMessage(source_, doors[d]->line, "the door's box holds no part of the wall that " + pair + " share"));
      }
    }
  }

  void addOpening(int a, size_t fa, int b, size_t fb, const Face& part, int doorLine) {
    for (const auto& [room, face] : {std::pair<int, size_t>{a, fa}, {b, fb}}) {
      RoomFace& f = shapes_[size_t(room)].faces[face];
      for (size_t o = 0; o < f.openings.size(); ++o) {
        if (faceArea(intersectFaces(f.openings[o], part, Tolerance)) >= MinPieceArea) {
          errors_.push_back(sourceMessage(source_, doorLine ? doorLine : source_.rooms[size_t(room)].line,
                                          describeRoom(source_, room) + ": two doors overlap in " + f.what));
          return;
        }
      }
    }
    const Face clean = withoutRedundantCorners(part, Tolerance);
    shapes_[size_t(a)].faces[fa].openings.push_back(clean);
    shapes_[size_t(a)].faces[fa].openingDoors.push_back(doorLine);
    shapes_[size_t(b)].faces[fb].openings.push_back(clean);
    shapes_[size_t(b)].faces[fb].openingDoors.push_back(doorLine);
    const int line = doorLine ? doorLine : source_.rooms[size_t(b)].line;
    portalPairs_.push_back({a, b, clean, line});
  }

  int vertexIndex(const DVec3& p) {
    for (size_t i = 0; i < level_.vertices.size(); ++i) {
      if (distanceD(level_.vertices[i], p) <= Tolerance) return int(i);
    }
    level_.vertices.push_back(p);
    return int(level_.vertices.size()) - 1;
  }

  BuiltPolygon polygonOf(const Face& face, int target, const std::string& what, int line) {
    BuiltPolygon polygon;
    polygon.targetRoom = target;
    polygon.what = what;
    polygon.line = line;
    for (const DVec3& p : face) polygon.vertices.push_back(vertexIndex(p));
    return polygon;
  }

  // Walls: each face less its openings, in convex pieces. Portals: one per opening.
  void emitRoom(int r) {
    BuiltRoom& room = level_.rooms[size_t(r)];
    for (const RoomFace& face : shapes_[size_t(r)].faces) {
      std::vector<Face> pieces{face.points};
      for (const Face& opening : face.openings) {
        std::vector<Face> next;
        for (const Face& piece : pieces) {
          if (faceArea(intersectFaces(piece, opening, Tolerance)) < MinPieceArea) {
            next.push_back(piece);
            continue;
          }
          for (const Face& rest : subtractFace(piece, opening, Tolerance, MinPieceArea)) next.push_back(rest);
        }
        pieces = next;
      }
      for (size_t i = 0; i < pieces.size(); ++i) {
        const std::string what = pieces.size() == 1 ? face.what : face.what + " (piece " + std::to_string(i) + ")";
        room.walls.push_back(polygonOf(withoutRedundantCorners(pieces[i], Tolerance), -1, what, face.line));
      }
    }
    for (size_t i = 0; i < portalPairs_.size(); ++i) {
      const PortalPair& pair = portalPairs_[i];
      if (pair.a != r && pair.b != r) continue;
      const int target = pair.a == r ? pair.b : pair.a;
      room.portals.push_back(
          polygonOf(pair.outline, target, "the opening to " + describeRoom(source_, target), pair.line));
      room.portals.back().opening = int(i);
    }
  }

  // Inserts into the polygon every candidate vertex that lies inside one of its edges.
  bool insertOnEdges(std::vector<int>& polygon, const std::set<int>& candidates) {
    bool changed = false;
    for (size_t e = 0; e < polygon.size(); ++e) {
      const DVec3 a = level_.vertices[size_t(polygon[e])];
      const DVec3 b = level_.vertices[size_t(polygon[(e + 1) % polygon.size()])];
      const double length = distanceD(a, b);
      const DVec3 along = (b - a) * (1.0 / length);
      std::vector<std::pair<double, int>> inside;
      for (int c : candidates) {
        if (std::find(polygon.begin(), polygon.end(), c) != polygon.end()) continue;
        const DVec3 p = level_.vertices[size_t(c)];
        const double t = dotD(p - a, along);
        if (t <= Tolerance || t >= length - Tolerance) continue;
        if (distanceD(a + along * t, p) > Tolerance) continue;
        inside.push_back({t, c});
      }
      if (inside.empty()) continue;
      std::sort(inside.begin(), inside.end());
      for (size_t i = 0; i < inside.size(); ++i) {
        polygon.insert(polygon.begin() + long(e + 1 + i), inside[i].second);
      }
      e += inside.size();
      changed = true;
    }
    return changed;
  }

  // A corner of one polygon in the middle of another's edge would leave the renderer a
  // crack along that edge and the room no edge-to-edge closure: every such corner is
  // added to the edge. A portal and its twin take the same corners.
  void closeTJunctions() {
    bool changed = true;
    while (changed) {
      changed = false;
      for (BuiltRoom& room : level_.rooms) {
        std::set<int> corners;
        for (const auto* list : {&room.walls, &room.portals}) {
          for (const BuiltPolygon& p : *list) corners.insert(p.vertices.begin(), p.vertices.end());
        }
        for (auto* list : {&room.walls, &room.portals}) {
          for (BuiltPolygon& p : *list) changed = insertOnEdges(p.vertices, corners) || changed;
        }
      }
      for (int r = 0; r < int(level_.rooms.size()); ++r) {
        for (BuiltPolygon& portal : level_.rooms[size_t(r)].portals) {
          BuiltPolygon* twin = twinOf(r, portal);
          if (!twin) continue;
          const std::set<int> mine(portal.vertices.begin(), portal.vertices.end());
          const std::set<int> theirs(twin->vertices.begin(), twin->vertices.end());
          changed = insertOnEdges(twin->vertices, mine) || changed;
          changed = insertOnEdges(portal.vertices, theirs) || changed;
        }
      }
    }
  }

  BuiltPolygon* twinOf(int room, const BuiltPolygon& portal) {
    for (BuiltPolygon& other : level_.rooms[size_t(portal.targetRoom)].portals) {
      if (other.targetRoom == room && other.opening == portal.opening) return &other;
    }
    return nullptr;
  }

  // The viewer takes a polygon's plane from its first three corners, (Q0 - Q1) x (Q2 - Q1):
  // the order is chosen so that it faces into the room, and the start so that Q1 is the
  // polygon's sharpest corner, never one in the middle of a straight edge.
  void orientRoom(int r) {
    const DVec3 centre = shapes_[size_t(r)].centre;
    for (auto* list : {&level_.rooms[size_t(r)].walls, &level_.rooms[size_t(r)].portals}) {
      for (BuiltPolygon& polygon : *list) {
        std::vector<int>& v = polygon.vertices;
        Face face;
        for (int i : v) face.push_back(level_.vertices[size_t(i)]);
        // The first-three-corners normal is the negative of the right-hand one.
        if (dotD(newellVector(face), centre - face[0]) > 0) {
          std::reverse(v.begin(), v.end());
          std::reverse(face.begin(), face.end());
        }
        const size_t n = v.size();
        size_t best = 0;
        double bestSine = -1;
        for (size_t k = 0; k < n; ++k) {
          const DVec3 e = face[(k + n - 1) % n] - face[k];
          const DVec3 f = face[(k + 1) % n] - face[k];
          const double sine = lengthD(crossD(e, f)) / (lengthD(e) * lengthD(f));
          if (sine > bestSine + 1e-9) {
            bestSine = sine;
            best = k;
          }
        }
        // NOLINTNEXTLINE(clang-analyzer-core.DivideZero): a built polygon has 3 or more corners
        std::rotate(v.begin(), v.begin() + long((best + n - 1) % n), v.end());
      }
    }
  }

  // The level as the viewer's loader will hold it (file floats times 10, planes from the
  // first three corners in floats) must pass the checker; whatever does not is refused
  // here, at the source line of the polygon at fault, so that a level that builds checks.
  // Made here rather than parsed from the file's bytes: the loader would refuse a polygon
  // whose corners coincide once rounded, and the checker must still name each one.
  void checkAsLoaded() {
    auto world = std::make_unique<World>();
    world->roomCount = int32_t(level_.rooms.size());
    std::vector<Vec3> loaded;
    for (const DVec3& v : level_.vertices) {
      loaded.push_back(
          {levelCoordinate(v.x) * LevelScale, levelCoordinate(v.y) * LevelScale, levelCoordinate(v.z) * LevelScale});
    }
    for (size_t r = 0; r < level_.rooms.size(); ++r) {
      Room& room = world->rooms[r];
      room.polygonCount = 0;
      for (const auto* list : {&level_.rooms[r].walls, &level_.rooms[r].portals}) {
        for (const BuiltPolygon& p : *list) {
          WorldPolygon& polygon = room.polygons[room.polygonCount++];
          polygon = WorldPolygon{};
          polygon.targetRoom = p.targetRoom;
          polygon.outline.vertexCount = int32_t(p.vertices.size());
          for (size_t k = 0; k < p.vertices.size(); ++k) polygon.outline.vertices[k] = loaded[size_t(p.vertices[k])];
          computePlane(polygon);
        }
      }
    }
    for (const LevelProblem& problem : checkWorld(*world)) {
      const int r = problem.room < 0 ? 0 : problem.room;
      const BuiltRoom& room = level_.rooms[size_t(r)];
      const int p = problem.polygon;
      const BuiltPolygon* polygon = p < 0                           ? nullptr
                                    : size_t(p) < room.walls.size() ? &room.walls[size_t(p)]
                                                                    : &room.portals[size_t(p) - room.walls.size()];
      if (polygon) {
        roomError(r, polygon->line, polygon->what + ", once stored in the file's floats: " + problem.text);
      } else {
        roomError(r, source_.rooms[size_t(r)].line, "once stored in the file's floats: " + problem.text);
      }
    }
  }

  void checkLimits(int r) {
    const BuiltRoom& room = level_.rooms[size_t(r)];
    const size_t total = room.walls.size() + room.portals.size();
    if (total > size_t(MaxRoomPolygons)) {
      roomError(r, source_.rooms[size_t(r)].line,
                "needs " + std::to_string(total) + " polygons (" + std::to_string(room.walls.size()) +
                    " walls, counting the pieces around its openings, and " + std::to_string(room.portals.size()) +
                    " openings); a room holds at most " + std::to_string(MaxRoomPolygons));
    }
    for (const auto* list : {&room.walls, &room.portals}) {
      for (const BuiltPolygon& p : *list) {
        if (p.vertices.size() > size_t(MaxPolygonVertices)) {
          roomError(r, p.line,
                    p.what + " needs " + std::to_string(p.vertices.size()) +
                        " vertices (its corners and those where openings and other walls meet its edges); "
                        "a polygon holds at most " +
                        std::to_string(MaxPolygonVertices));
        }
      }
    }
  }

  struct PortalPair {
    int a, b;
    Face outline;
    int line;
  };

  const LevelSource& source_;
  BuiltLevel& level_;
  std::vector<std::string>& errors_;
  std::vector<RoomShape> shapes_;
  std::vector<PortalPair> portalPairs_;
};

}  // namespace

bool buildLevel(const LevelSource& source, BuiltLevel& level, std::vector<std::string>& errors) {
  Builder builder(source, level, errors);
  return builder.build();
}
