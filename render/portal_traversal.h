#pragma once
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/pass_observer.h"
#include "render/span_fill.h"
#include "world/world.h"

// Draws the world as the camera sees it from room roomIndex through frustum: walls are
// filled, portals narrow the frustum and lead, depth first, into the room behind.
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum);

// The same pass, watched: its steps reported to watch.observer, its counts to
// watch.counts, stopped after watch.stopAfterSteps steps, its walls coloured by depth
// (render/pass_observer.h). Without an observer, a limit or a colouring it draws the
// same frame as the unwatched pass.
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, const PassWatch& watch);

// The unwatched pass, counting what it did into counts (which it zeroes first).
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, TraversalCounts& counts);
