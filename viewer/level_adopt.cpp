#include "viewer/level_adopt.h"

namespace {

bool holdsEye(const Room& room, const Vec3& eye) {
  for (int p = 0; p < room.polygonCount; ++p) {
    if (classifyPoint(room.polygons[p].plane, eye) == SideBehind) return false;
  }
  return true;
}

}  // namespace

void adoptLevel(World& world, const World& incoming, const Vec3& eye) {
  world.roomCount = incoming.roomCount;
  for (int r = 0; r < incoming.roomCount; ++r) world.rooms[r] = incoming.rooms[r];
  int current = 0;
  for (int r = 0; r < world.roomCount; ++r) {
    if (holdsEye(world.rooms[r], eye)) current = r;
  }
  world.currentRoom = current;
}
