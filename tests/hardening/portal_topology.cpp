#include "portal_topology.h"

#include "world/level_loader.h"

namespace {

struct Corners {
  Vec3 v[4];
};

// Piece `piece` of `pieces` strips of face `face` (-x, +x, -y, +y, -z, +z) of lo..hi, in
// order around its outline.
Corners facePiece(Vec3 lo, Vec3 hi, int face, int piece, int pieces) {
  const float t0 = float(piece) / float(pieces), t1 = float(piece + 1) / float(pieces);
  // The strips run across the face's first free axis.
  const auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
  Corners c{};
  switch (face / 2) {
    case 0: {  // x faces: strips along y
      const float x = face == 0 ? lo.x : hi.x;
      const float y0 = lerp(lo.y, hi.y, t0), y1 = lerp(lo.y, hi.y, t1);
      c = {{{x, y0, lo.z}, {x, y1, lo.z}, {x, y1, hi.z}, {x, y0, hi.z}}};
      break;
    }
    case 1: {  // y faces: strips along x
      const float y = face == 2 ? lo.y : hi.y;
      const float x0 = lerp(lo.x, hi.x, t0), x1 = lerp(lo.x, hi.x, t1);
      c = {{{x0, y, lo.z}, {x1, y, lo.z}, {x1, y, hi.z}, {x0, y, hi.z}}};
      break;
    }
    default: {  // z faces: strips along x
      const float z = face == 4 ? lo.z : hi.z;
      const float x0 = lerp(lo.x, hi.x, t0), x1 = lerp(lo.x, hi.x, t1);
      c = {{{x0, lo.y, z}, {x1, lo.y, z}, {x1, hi.y, z}, {x0, hi.y, z}}};
      break;
    }
  }
  return c;
}

// Adds a polygon with the given corners to room, its normal turned towards `inside`
// (or away from it when facingOut).
void addPolygon(Room& room, const Corners& corners, Vec3 inside, int32_t target, int32_t colour, bool facingOut) {
  if (room.polygonCount >= MaxRoomPolygons) return;
  WorldPolygon& p = room.polygons[room.polygonCount];
  p = WorldPolygon{};
  p.targetRoom = target;
  p.outline.colourIndex = colour;
  p.outline.vertexCount = 4;
  for (int k = 0; k < 4; ++k) p.outline.vertices[k] = corners.v[k];
  computePlane(p);
  const bool inward = dot(p.plane.normal, inside) + p.plane.d > 0;
  if (inward == facingOut) {
    for (int k = 0; k < 4; ++k) p.outline.vertices[k] = corners.v[3 - k];
    computePlane(p);
  }
  ++room.polygonCount;
}

Vec3 shifted(Vec3 v, int32_t room, bool apart) { return {v.x, v.y, apart ? v.z + RoomShift * float(room) : v.z}; }

struct RoomPlan {
  bool apart;
  int32_t pieces;  // strips per face
  bool panel;      // a two-sided portal across the middle
  int32_t panelTarget;
};

// One piece of a face: wall (target -1) or portal, and whether it faces out of the room.
struct PiecePlan {
  int32_t target;
  bool facingOut;
  int32_t colour;
};

template <typename PieceFn>
void buildRoom(World& world, int32_t r, const RoomPlan& plan, PieceFn pieceFor) {
  Room& room = world.rooms[r];
  room.polygonCount = 0;
  const Vec3 lo = shifted(RoomLow, r, plan.apart), hi = shifted(RoomHigh, r, plan.apart);
  const Vec3 centre{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
  // Walls first, then portals, as the loader stores them.
  for (int pass = 0; pass < 2; ++pass) {
    for (int face = 0; face < 6; ++face) {
      for (int piece = 0; piece < plan.pieces; ++piece) {
        const PiecePlan p = pieceFor(face, piece);
        if ((p.target >= 0) != (pass == 1)) continue;
        addPolygon(room, facePiece(lo, hi, face, piece, plan.pieces), centre, p.target, p.colour, p.facingOut);
      }
    }
  }
  if (plan.panel) {
    // A square across the room at its middle depth, once facing each way.
    const float z = centre.z;
    const Corners square{{{2, -3, z}, {8, -3, z}, {8, 3, z}, {2, 3, z}}};
    addPolygon(room, square, {5, 0, z - 1}, plan.panelTarget, 0, false);
    addPolygon(room, square, {5, 0, z + 1}, plan.panelTarget, 0, false);
  }
}

void startWorld(World& world, int32_t rooms) {
  world.roomCount = rooms;
  world.currentRoom = 0;
  world.overviewEnabled = 0;
}

}  // namespace

const char* topologyName(PortalTopology kind) {
  switch (kind) {
    case PortalTopology::SelfPortals:
      return "self_portals";
    case PortalTopology::SplitSelfPortals:
      return "split_self_portals";
    case PortalTopology::PortalsAndWalls:
      return "portals_and_walls";
    case PortalTopology::MirroredPair:
      return "mirrored_pair";
    case PortalTopology::Cycle:
      return "cycle";
    case PortalTopology::BothWays:
      return "both_ways";
  }
  return "?";
}

Vec3 pointInRoom(int32_t room, bool apart, float fx, float fy, float fz) {
  const Vec3 lo = shifted(RoomLow, room, apart), hi = shifted(RoomHigh, room, apart);
  return {lo.x + (hi.x - lo.x) * fx, lo.y + (hi.y - lo.y) * fy, lo.z + (hi.z - lo.z) * fz};
}

void buildPortalTopology(World& world, PortalTopology kind) {
  switch (kind) {
    case PortalTopology::SelfPortals:
    case PortalTopology::SplitSelfPortals: {
      startWorld(world, 1);
      const RoomPlan plan{false, kind == PortalTopology::SelfPortals ? 1 : 3, false, -1};
      buildRoom(world, 0, plan, [](int, int) { return PiecePlan{0, false, 0}; });
      break;
    }
    case PortalTopology::PortalsAndWalls:
      startWorld(world, 1);
      buildRoom(world, 0, {false, 3, false, -1}, [](int face, int piece) {
        return piece == 1 ? PiecePlan{-1, false, 10 + face} : PiecePlan{0, false, 0};
      });
      break;
    case PortalTopology::MirroredPair:
      startWorld(world, 2);
      for (int32_t r = 0; r < 2; ++r)
        buildRoom(world, r, {false, 1, false, -1}, [r](int, int) { return PiecePlan{1 - r, false, 0}; });
      break;
    case PortalTopology::Cycle:
      startWorld(world, MaxRooms);
      for (int32_t r = 0; r < MaxRooms; ++r)
        buildRoom(world, r, {false, 1, false, -1}, [r](int, int) { return PiecePlan{(r + 1) % MaxRooms, false, 0}; });
      break;
    case PortalTopology::BothWays: {
      startWorld(world, 1);
      // Every face cut in two, each half a portal into the room; the halves of the first
      // three faces once more facing out (20 polygons with the panel).
      Room& room = world.rooms[0];
      room.polygonCount = 0;
      const Vec3 centre{5, 0, 0};
      for (int face = 0; face < 6; ++face) {
        for (int piece = 0; piece < 2; ++piece) {
          const Corners c = facePiece(RoomLow, RoomHigh, face, piece, 2);
          addPolygon(room, c, centre, 0, 0, false);
          if (face < 3) addPolygon(room, c, centre, 0, 0, true);
        }
      }
      addPolygon(room, {{{2, -3, 0}, {8, -3, 0}, {8, 3, 0}, {2, 3, 0}}}, {5, 0, -1}, 0, 0, false);
      addPolygon(room, {{{2, -3, 0}, {8, -3, 0}, {8, 3, 0}, {2, 3, 0}}}, {5, 0, 1}, 0, 0, false);
      break;
    }
  }
}

void buildRandomPortalTopology(World& world, ByteChoices& c) {
  const int32_t rooms = c.between(1, MaxRooms);
  startWorld(world, rooms);
  for (int32_t r = 0; r < rooms; ++r) {
    RoomPlan plan{};
    plan.apart = c.flag() && c.flag();
    plan.pieces = c.between(1, 3);
    plan.panel = c.below(4) == 0;
    const auto target = [&](int32_t r) -> int32_t {
      switch (c.below(6)) {
        case 0:
          return -1;  // wall
        case 1:
          return r;  // itself
        case 2:
          return (r ^ 1) < rooms ? r ^ 1 : r;  // its mirror (pairs 0-1, 2-3, ..)
        case 3:
          return (r + 1) % rooms;  // the next of a cycle
        case 4:
          return r + 1 < rooms ? r + 1 : -1;  // the next of a chain
        default:
          return int32_t(c.below(uint32_t(rooms)));  // any
      }
    };
    plan.panelTarget = plan.panel ? int32_t(c.below(uint32_t(rooms))) : -1;
    buildRoom(world, r, plan, [&](int, int) {
      const int32_t t = target(r);
      // Mostly facing into the room, now and then out of it.
      return PiecePlan{t, c.below(8) == 0, t < 0 ? c.between(1, 255) : 0};
    });
  }
  world.currentRoom = int32_t(c.below(uint32_t(rooms)));
}
