#pragma once
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/span_fill.h"
#include "world/world.h"

// Draws the world as the camera sees it from room roomIndex through frustum: walls are
// filled, portals narrow the frustum and lead, depth first, into the room behind.
void renderRoom(const World& world, const Camera& camera, const Viewport& viewport,
                SpanTable& spans, int32_t roomIndex, const Frustum& frustum);
