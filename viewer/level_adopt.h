#pragma once
#include "geometry/vec3.h"
#include "world/world.h"

// A new version of the level shown takes the old one's place under the camera, which is
// not touched (position, orientation, turning, walking): the rooms are replaced, and
// currentRoom becomes the room that holds the eye (the tracking's rule: the highest such
// room), or room 0 when none does. The desktop's level watch and the page's editor both
// put their new versions in place so.
void adoptLevel(World& world, const World& incoming, const Vec3& eye);
