#include "world/room_tracking.h"

bool roomHolds(const Room& room, const Vec3& eye) {
  for (int p = 0; p < room.polygonCount; ++p) {
    if (classifyPoint(room.polygons[p].plane, eye) == SideBehind) return false;
  }
  return true;
}

void trackCamera(World& world, Camera& camera) {
  if (world.roomCount <= 0) return;
  Vec3& eye = camera.position;
  int found = -1;
  for (int r = 0; r < world.roomCount; ++r) {
    if (roomHolds(world.rooms[r], eye)) found = r;
  }
  if (found >= 0) {
    world.currentRoom = found;
    return;
  }
  const Room& room = world.rooms[world.currentRoom];
  for (int p = 0; p < room.polygonCount; ++p) {
    const Plane& plane = room.polygons[p].plane;
    const Vec3& n = plane.normal;
    const float dist = n.x * eye.x + n.y * eye.y + n.z * eye.z + plane.d;
    if (dist < WallMargin) {
      const float push = float(WallMargin - dist);
      eye.x = float(double(eye.x) + double(push) * n.x);
      eye.y = float(double(eye.y) + double(push) * n.y);
      eye.z = float(double(eye.z) + double(push) * n.z);
    }
  }
}
