#pragma once
// One pass of the renderer as a list of its steps, kept in storage made once: what each
// step did (room, polygon, clipping, frustum, fill) and where its outline lies on the
// frame, so that any step can be shown and any pixel explained without drawing the pass
// more than once more.
#include <cstdint>

#include "geometry/camera.h"
#include "geometry/viewport.h"
#include "render/pass_observer.h"
#include "render/projection.h"
#include "world/world.h"

// A pass has at most MaxTraversalWork steps; index 0 is unused so a step's number is its index.
constexpr int32_t MaxRecordedSteps = MaxTraversalWork + 1;
// Cutting planes kept per step; a polygon cut by more keeps its count and the first of them.
constexpr int32_t MaxCutsKept = 16;
// Screen points of every outline of one pass. The shipped levels use a few hundred; a
// hostile pass that needs more keeps the first outlines and shows the rest without one.
constexpr int32_t MaxOutlinePoints = 65536;

struct StepRecord {
  StepKind kind;
  int32_t room, depth;
  int32_t polygon;     // -1 for a room entered
  int32_t targetRoom;  // -1 for a wall or a room
  // A room: the portal step it was entered through (0: from the screen). A polygon: the
  // step of the room it belongs to.
  int32_t parent;
  ClipResult result;  // ClipVisible for a room
  int32_t cutCount;
  uint8_t cutBy[MaxCutsKept];
  int32_t vertices;       // of the clipped outline, 0 when culled
  int32_t frustumPlanes;  // a portal: of the frustum it gives; otherwise of the frustum it was seen through
  int32_t rows, spans;
  int64_t pixels;
  uint8_t colour;                      // a wall's fill index as drawn
  int32_t outlineStart, outlineCount;  // the clipped outline on the frame; count 0 when none
  // Seen from above: the clipped outline's corners furthest left and right of the eye
  // (the wedge a portal's frustum makes on a plan); both the eye when culled.
  Vec3 planLeft, planRight;
};

struct PassRecord {
  StepRecord steps[MaxRecordedSteps];
  int32_t stepCount = 0;
  TraversalCounts counts{};
  int32_t startRoom = 0;
  ScreenPoint points[MaxOutlinePoints];
  int32_t pointsUsed = 0;

  const StepRecord& step(int32_t k) const { return steps[k]; }
  // The step whose outline bounds the frustum that step k was seen through: 0 for the screen.
  int32_t frustumSource(int32_t k) const;
};

// Fills a PassRecord from a pass's reports. world, camera and viewport are the pass's own:
// outlines are projected as the walls are, by the camera that draws them.
class PassRecorder : public PassObserver {
 public:
  PassRecorder(PassRecord& record, const World& world, const Camera& camera, const Viewport& viewport);
  void roomEntered(const RoomEntry& room) override;
  void polygonClipped(const PolygonClip& polygon) override;
  void portalFrustumBuilt(const PortalFrustum& portal) override;
  void wallFilled(const WallFill& wall) override;
  void passEnded(const TraversalCounts& counts) override;

 private:
  void keepOutline(StepRecord& step, const WorkingPolygon& outline);
  void keepPlanWedge(StepRecord& step, const WorkingPolygon& outline) const;

  PassRecord& record_;
  const World& world_;
  const Camera& camera_;
  const Viewport& viewport_;
  int32_t roomStepAt_[MaxTraversalDepth + 1] = {};
  int32_t portalStepAt_[MaxTraversalDepth + 1] = {};
};
