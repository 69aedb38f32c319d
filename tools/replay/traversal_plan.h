#pragma once
// The level's plan, as quellor-level plan draws it, with one pass's traversal over it: the
// rooms entered with their depth, the portals passed, each portal's frustum as a wedge
// from the eye, the walking camera with its view, and (when highlight > 0) one step.
#include <string>

#include "explain/pass_record.h"
#include "geometry/camera.h"
#include "geometry/viewport.h"
#include "world/world.h"

// SVG into bytes; false with a message when cairo fails.
bool drawTraversalPlan(const World& world, const std::string& title, const Camera& camera, const Viewport& viewport,
                       const PassRecord& record, int32_t highlight, std::string& bytes, std::string& error);
