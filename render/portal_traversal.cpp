#include "render/portal_traversal.h"

#include <utility>

#include "render/clip.h"
#include "render/draw_wall.h"
#include "render/portal_frustum.h"

namespace {

// Adds each filled wall's rows to the pass's counts, and hands everything on to the
// pass's observer, if it has one.
class CountingObserver : public PassObserver {
 public:
  CountingObserver(PassObserver* inner, TraversalCounts& counts) : inner_(inner), counts_(counts) {}
  bool rowsWanted() const override { return inner_ && inner_->rowsWanted(); }
  void wallRow(int32_t row, int32_t left, int32_t right) override { inner_->wallRow(row, left, right); }
  void wallFilled(const WallFill& fill) override {
    counts_.rowsFilled += fill.rows;
    counts_.spansFilled += fill.spans;
    counts_.pixelsFilled += fill.pixels;
    if (inner_) inner_->wallFilled(fill);
  }

 private:
  PassObserver* inner_;
  TraversalCounts& counts_;
};

// One traversal: what stays the same through it, and the work it has done so far. The
// watched traversal also carries the watch, the counts and the pass's step limit; the
// plain one is compiled without any of it.
template <bool Watched>
struct Traversal {
  const World& world;
  const Camera& camera;
  const Viewport& viewport;
  FillTarget& target;
  int32_t work;             // rooms entered and polygons clipped, up to MaxTraversalWork
  const PassWatch* watch;   // Watched only
  TraversalCounts* counts;  // Watched only
  int32_t workLimit;        // the budget, or the watch's step limit when lower
};

// Spends one unit of the pass's work, or says that none is left. In a watched pass the
// unit spent is the step taken, numbered t.work from 1.
template <bool Watched>
bool spendWork(Traversal<Watched>& t) {
  if constexpr (Watched) {
    if (t.work >= t.workLimit) {
      if (t.work >= MaxTraversalWork && !t.counts->budgetExhausted) {
        t.counts->budgetExhausted = 1;
        if (t.watch->observer) t.watch->observer->budgetSpent(t.work);
      }
      return false;
    }
  } else if (t.work >= MaxTraversalWork) {
    return false;
  }
  ++t.work;
  return true;
}

template <bool Watched>
void visitRoom(Traversal<Watched>& t, int32_t roomIndex, const Frustum& frustum, int32_t depth) {
  if (roomIndex < 0 || roomIndex >= t.world.roomCount) return;
  if (depth >= MaxTraversalDepth) {
    if constexpr (Watched) ++t.counts->cappedVisits;
    return;
  }
  if (!spendWork(t)) return;
  [[maybe_unused]] PassObserver* const observer = Watched ? t.watch->observer : nullptr;
  if constexpr (Watched) {
    ++t.counts->roomVisits;
    ++t.counts->visitsPerRoom[roomIndex];
    if (depth + 1 > t.counts->deepestLevel) t.counts->deepestLevel = depth + 1;
    if (observer) observer->roomEntered(RoomEntry{t.work, roomIndex, depth, &frustum});
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
    [[maybe_unused]] const StepKind kind = polygon.targetRoom == -1 ? StepKind::Wall : StepKind::Portal;
    if constexpr (Watched) ++t.counts->polygonsTested;
    // A polygon whose plane passes within the tolerance of the eye is skipped like one
    // that faces away.
    if (classifyPoint(polygon.plane, eye) != SideFront) {
      if constexpr (Watched) {
        if (observer) {
          observer->polygonClipped(
              PolygonClip{0, kind, roomIndex, depth, p, polygon.targetRoom, ClipCulled, &frustum, nullptr, 0, nullptr});
        }
      }
      continue;
    }
    // Out of work: what this pass drew so far is the frame.
    if (!spendWork(t)) return;
    if constexpr (Watched) ++t.counts->polygonsClipped;

    copyPolygon(polygon.outline, buffers[0]);
    buffers[1].colourIndex = polygon.outline.colourIndex;  // the clipping writes the rest
    WorkingPolygon* input = &buffers[0];
    WorkingPolygon* output = &buffers[1];
    ClipResult status = ClipVisible;
    // The planes that cut the polygon, for the watch: the plain pass keeps none.
    [[maybe_unused]] uint8_t cutBy[Watched ? MaxFrustumPlanes : 1];
    [[maybe_unused]] int32_t cutCount = 0;
    for (int32_t k = 0; k < planeCount && status == ClipVisible; ++k) {
      bool whole;
      status = clipPolygonUnlessWhole(*input, frustum.planes[k], *output, whole);
      if (!whole) std::swap(input, output);
      if constexpr (Watched) {
        if (!whole) cutBy[cutCount++] = uint8_t(k);
      }
    }
    if constexpr (Watched) {
      if (status != ClipVisible) ++t.counts->polygonsCulled;
      if (observer) {
        observer->polygonClipped(PolygonClip{t.work, kind, roomIndex, depth, p, polygon.targetRoom, status, &frustum,
                                             cutBy, cutCount, status == ClipVisible ? input : nullptr});
      }
    }
    if (status != ClipVisible) continue;

    if (polygon.targetRoom == -1) {
      if constexpr (Watched) {
        ++t.counts->wallsDrawn;
        if (t.watch->wallColourByDepth) input->colourIndex = t.watch->wallColourByDepth[depth];
        CountingObserver counting(observer, *t.counts);
        drawWall(t.world, t.camera, t.viewport, t.target, *input,
                 WallFill{t.work, roomIndex, depth, p, 0, nullptr, 0, 0, 0}, counting);
      } else {
        drawWall(t.world, t.camera, t.viewport, t.target, *input);
      }
    } else {
      const int32_t planes = buildPortalFrustum(*input, eye, portalFrustum);
      if constexpr (Watched) {
        if (observer) {
          observer->portalFrustumBuilt(
              PortalFrustum{t.work, roomIndex, depth, p, polygon.targetRoom, &portalFrustum, planes});
        }
      }
      // Depth first: the room behind is drawn before the next polygon of this one.
      if (planes >= 3) visitRoom(t, polygon.targetRoom, portalFrustum, depth + 1);
    }
  }
}

}  // namespace

void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum) {
  Traversal<false> t{world, camera, viewport, target, 0, nullptr, nullptr, MaxTraversalWork};
  visitRoom(t, roomIndex, frustum, 0);
}

void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, const PassWatch& watch) {
  TraversalCounts own{};
  TraversalCounts& counts = watch.counts ? *watch.counts : own;
  counts = TraversalCounts{};
  const int32_t limit =
      watch.stopAfterSteps >= 0 && watch.stopAfterSteps < MaxTraversalWork ? watch.stopAfterSteps : MaxTraversalWork;
  Traversal<true> t{world, camera, viewport, target, 0, &watch, &counts, limit};
  visitRoom(t, roomIndex, frustum, 0);
  counts.work = t.work;
  if (watch.observer) watch.observer->passEnded(counts);
}

void renderRoom(const World& world, const Camera& camera, const Viewport& viewport, FillTarget& target,
                int32_t roomIndex, const Frustum& frustum, TraversalCounts& counts) {
  PassWatch watch;
  watch.counts = &counts;
  renderRoom(world, camera, viewport, target, roomIndex, frustum, watch);
}
