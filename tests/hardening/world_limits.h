#pragma once
#include <string>

#include "world/world.h"

// The first way in which a world breaks the limits and index rules that every level the
// loader accepts must keep (counts within capacity, indices in range, finite corners,
// unit normals, wall colours in range), or "" when it keeps them all. These are the
// rules the renderer's fixed-size records rely on.
std::string worldLimitFault(const World& world);
