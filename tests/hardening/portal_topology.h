#pragma once
// Levels whose rooms are sound convex boxes but whose portals break the rules the
// traversal relies on: portals into their own room, pairs of rooms in one place that are
// each other's portals, cycles through several rooms, and portals facing both ways. The
// loader accepts such files (it checks each polygon, not where its portals lead), so only
// the traversal's work budget bounds a pass over them.
#include <cstdint>

#include "byte_choices.h"
#include "geometry/vec3.h"
#include "world/world.h"

enum class PortalTopology : int32_t {
  SelfPortals,       // one room, every face a portal into itself
  SplitSelfPortals,  // the same with every face cut into three portals: 18 of them
  PortalsAndWalls,   // the same with the middle strip of every face a wall: drawn at each visit
  MirroredPair,      // two rooms in one place, every face of each a portal into the other
  Cycle,             // eight rooms in one place, every face of room r a portal into r + 1
  BothWays,          // one room, every face two portals into itself, half of them also
                     // facing out, and a two-sided portal panel across its middle
};
constexpr PortalTopology PortalTopologies[] = {PortalTopology::SelfPortals,     PortalTopology::SplitSelfPortals,
                                               PortalTopology::PortalsAndWalls, PortalTopology::MirroredPair,
                                               PortalTopology::Cycle,           PortalTopology::BothWays};
const char* topologyName(PortalTopology kind);

// Every room is the box RoomLow..RoomHigh (shifted along z by RoomShift for each room
// placed apart); room 0 holds the viewer's start (5, 0, 0).
constexpr Vec3 RoomLow{0, -5, -10}, RoomHigh{10, 5, 10};
constexpr float RoomShift = 20;

// Replaces world's rooms with the topology; the current room is 0.
void buildPortalTopology(World& world, PortalTopology kind);

// A random one: 1 to 8 rooms, each in the common place or apart, faces cut into 1 to 3
// pieces, each piece a wall or a portal into the room itself, its mirror, the next room of
// a cycle or chain or any room, facing in or out, and an optional two-sided panel.
void buildRandomPortalTopology(World& world, ByteChoices& choices);

// A point strictly inside room r's box at fractions (fx, fy, fz) of its extent.
Vec3 pointInRoom(int32_t room, bool apart, float fx, float fy, float fz);
