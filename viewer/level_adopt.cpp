#include "viewer/level_adopt.h"

#include "world/room_tracking.h"

void adoptLevel(World& world, const World& incoming, const Vec3& eye) {
  world.roomCount = incoming.roomCount;
  for (int r = 0; r < incoming.roomCount; ++r) world.rooms[r] = incoming.rooms[r];
  int current = 0;
  for (int r = 0; r < world.roomCount; ++r) {
    if (roomHolds(world.rooms[r], eye)) current = r;
  }
  world.currentRoom = current;
}
