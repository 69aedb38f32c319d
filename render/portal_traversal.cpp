#include "render/portal_traversal.h"

#include <utility>

#include "render/clip.h"
#include "render/draw_wall.h"
#include "render/portal_frustum.h"

namespace {

// One traversal: what stays the same through it, and the work it has done so far.
struct Traversal {
  const World& world;
  const Camera& camera;
  const Viewport& viewport;
  FillTarget& target;
  TraversalCounts* counts;  // null when nobody asks
  int32_t work;             // rooms entered and polygons clipped, up to MaxTraversalWork
};

// Spends one unit of the pass's work, or says that none is left.
bool spendWork(Traversal& t) {
  if (t.work >= MaxTraversalWork) {
    if (t.counts) t.counts->budgetExhausted = 1;
    return false;
  }
  ++t.work;
  return true;
}

void visitRoom(Traversal& t, int32_t roomIndex, const Frustum& frustum, int32_t depth) {
  if (roomIndex < 0 || roomIndex >= t.world.roomCount) return;
  if (depth >= MaxTraversalDepth) {
    if (t.counts) ++t.counts->cappedVisits;
    return;
  }
  if (!spendWork(t)) return;
  if (t.counts) {
    ++t.counts->roomVisits;
    ++t.counts->visitsPerRoom[roomIndex];
    if (depth + 1 > t.counts->deepestLevel) t.counts->deepestLevel = depth + 1;
  }

  const Room& room = t.world.rooms[roomIndex];
  const Vec3& eye = t.camera.position;
  const int32_t planeCount = frustum.planeCount < MaxFrustumPlanes ? frustum.planeCount : MaxFrustumPlanes;
  // This activation's own records: the clipping goes back and forth between the two
  // buffers, and a visible portal's frustum is handed to the room behind it.
  WorkingPolygon buffers[2];
  Frustum portalFrustum;

  for (int32_t p = 0; p < room.polygonCount; ++p) {
    const WorldPolygon& polygon = room.polygons[p];
    // A polygon whose plane passes within the tolerance of the eye is skipped like one
    // that faces away.
    if (classifyPoint(polygon.plane, eye) != SideFront) continue;
    // Out of work: what this pass drew so far is the frame.
    if (!spendWork(t)) return;
    if (t.counts) ++t.counts->polygonsClipped;

    copyPolygon(polygon.outline, buffers[0]);
    buffers[1].colourIndex = polygon.outline.colourIndex;  // the clipping writes the rest
    WorkingPolygon* input = &buffers[0];
    WorkingPolygon* output = &buffers[1];
    ClipResult status = ClipVisible;
    for (int32_t k = 0; k < planeCount && status == ClipVisible; ++k) {
      bool whole;
      status = clipPolygonUnlessWhole(*input, frustum.planes[k], *output, whole);
      if (!whole) std::swap(input, output);
    }
    if (status != ClipVisible) continue;

    if (polygon.targetRoom == -1) {
      if (t.counts) ++t.counts->wallsDrawn;
      drawWall(t.world, t.camera, t.viewport, t.target, *input);
    } else if (buildPortalFrustum(*input, eye, portalFrustum) >= 3) {
      // Depth first: the room behind is drawn before the next polygon of this one.
      visitRoom(t, polygon.targetRoom, portalFrustum, depth + 1);
    }
  }
}

}  // namespace

void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum) {
  Traversal t{world, camera, viewport, target, nullptr, 0};
  visitRoom(t, roomIndex, frustum, 0);
}

void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, TraversalCounts& counts) {
  Traversal t{world, camera, viewport, target, &counts, 0};
  visitRoom(t, roomIndex, frustum, 0);
  counts.work += t.work;
}
