#pragma once
#include "geometry/camera.h"
#include "world/world.h"

// Distance in front of a plane to which an eye that has left every room is pushed back.
constexpr double WallMargin = 0.1;

// Whether the eye lies in front of or on every plane of the room.
bool roomHolds(const Room& room, const Vec3& eye);

// Makes the highest-numbered room that holds the eye current; when no room holds it,
// pushes the eye back in front of the planes of the current room, in one pass.
void trackCamera(World& world, Camera& camera);
