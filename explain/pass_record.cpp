#include "explain/pass_record.h"

#include <cmath>

#include "geometry/vec_math.h"

int32_t PassRecord::frustumSource(int32_t k) const {
  if (k <= 0 || k > stepCount) return 0;
  const StepRecord& s = steps[k];
  const int32_t roomStep = s.kind == StepKind::Room ? k : s.parent;
  if (roomStep <= 0 || roomStep > stepCount) return 0;
  return steps[roomStep].parent;
}

PassRecorder::PassRecorder(PassRecord& record, const World& world, const Camera& camera, const Viewport& viewport)
    : record_(record), world_(world), camera_(camera), viewport_(viewport) {
  record_.stepCount = 0;
  record_.pointsUsed = 0;
  record_.counts = TraversalCounts{};
  record_.startRoom = world.currentRoom;
}

namespace {

StepRecord blankStep(StepKind kind, int32_t room, int32_t depth) {
  StepRecord s{};
  s.kind = kind;
  s.room = room;
  s.depth = depth;
  s.polygon = -1;
  s.targetRoom = -1;
  s.result = ClipVisible;
  return s;
}

}  // namespace

void PassRecorder::roomEntered(const RoomEntry& room) {
  if (room.step <= 0 || room.step >= MaxRecordedSteps) return;
  const int32_t depth = room.depth < MaxTraversalDepth ? room.depth : MaxTraversalDepth;
  StepRecord s = blankStep(StepKind::Room, room.room, room.depth);
  s.parent = depth > 0 ? portalStepAt_[depth - 1] : 0;
  s.frustumPlanes = room.frustum->planeCount;
  record_.steps[room.step] = s;
  record_.stepCount = room.step;
  roomStepAt_[depth] = room.step;
}

void PassRecorder::polygonClipped(const PolygonClip& polygon) {
  if (polygon.step <= 0 || polygon.step >= MaxRecordedSteps) return;  // facing away: not a step
  const int32_t depth = polygon.depth < MaxTraversalDepth ? polygon.depth : MaxTraversalDepth;
  StepRecord s = blankStep(polygon.kind, polygon.room, polygon.depth);
  s.polygon = polygon.polygon;
  s.targetRoom = polygon.targetRoom;
  s.parent = roomStepAt_[depth];
  s.result = polygon.result;
  s.cutCount = polygon.cutCount;
  for (int32_t i = 0; i < polygon.cutCount && i < MaxCutsKept; ++i) s.cutBy[i] = polygon.cutBy[i];
  s.frustumPlanes = polygon.frustum->planeCount;
  if (polygon.outline) {
    s.vertices = polygon.outline->vertexCount;
    keepOutline(s, *polygon.outline);
    keepPlanWedge(s, *polygon.outline);
  } else {
    s.planLeft = s.planRight = camera_.position;
  }
  record_.steps[polygon.step] = s;
  record_.stepCount = polygon.step;
}

void PassRecorder::portalFrustumBuilt(const PortalFrustum& portal) {
  if (portal.step <= 0 || portal.step >= MaxRecordedSteps) return;
  record_.steps[portal.step].frustumPlanes = portal.planeCount;
  const int32_t depth = portal.depth < MaxTraversalDepth ? portal.depth : MaxTraversalDepth;
  portalStepAt_[depth] = portal.step;
}

void PassRecorder::wallFilled(const WallFill& wall) {
  if (wall.step <= 0 || wall.step >= MaxRecordedSteps) return;
  StepRecord& s = record_.steps[wall.step];
  s.rows = wall.rows;
  s.spans = wall.spans;
  s.pixels = wall.pixels;
  s.colour = wall.colour;
}

void PassRecorder::passEnded(const TraversalCounts& counts) { record_.counts = counts; }

// The clipped outline as drawWall projects it, by the camera that draws the walls. An
// outline with a point at or behind the eye is not kept: it has no place on the frame.
void PassRecorder::keepOutline(StepRecord& step, const WorkingPolygon& outline) {
  const int32_t n = outline.vertexCount;
  if (n < 2 || record_.pointsUsed + n > MaxOutlinePoints) return;
  const bool overview = world_.overviewEnabled != 0;
  const Vec3& position = overview ? world_.overviewPosition : camera_.position;
  const Matrix3& orientation = overview ? world_.overviewOrientation : camera_.orientation;
  WorkingPolygon view;
  copyPolygon(outline, view);
  translatePoints(view.vertices, Vec3{-position.x, -position.y, -position.z}, n);
  rotatePoints(view.vertices, view.vertices, orientation, n);
  for (int32_t i = 0; i < n; ++i) {
    if (!(view.vertices[i].z > 0.0f)) return;
  }
  ScreenPolygon screen;
  projectPolygon(view, viewport_, screen);
  step.outlineStart = record_.pointsUsed;
  step.outlineCount = screen.vertexCount;
  for (int32_t i = 0; i < screen.vertexCount; ++i) record_.points[record_.pointsUsed++] = screen.points[i];
}

// By the angle about the eye from the walking camera's forward direction, on the floor.
void PassRecorder::keepPlanWedge(StepRecord& step, const WorkingPolygon& outline) const {
  const Vec3& eye = camera_.position;
  const Vec3& right = camera_.orientation.rows[0];
  const Vec3& forward = camera_.orientation.rows[2];
  double lowest = INFINITY, highest = -INFINITY;
  step.planLeft = step.planRight = eye;
  for (int32_t i = 0; i < outline.vertexCount; ++i) {
    const Vec3& v = outline.vertices[i];
    const double dx = double(v.x) - eye.x, dz = double(v.z) - eye.z;
    const double angle = std::atan2(dx * right.x + dz * right.z, dx * forward.x + dz * forward.z);
    if (angle < lowest) {
      lowest = angle;
      step.planLeft = v;
    }
    if (angle > highest) {
      highest = angle;
      step.planRight = v;
    }
  }
}
