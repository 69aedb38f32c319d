#include "deform/demo_state.h"

#include "deform/array_alloc.h"
#include "deform/frame_geometry.h"

namespace deform {

bool buildDemoGeometry(DemoState& state) {
  state.mesh = buildSphere(DemoSegments, DemoRings, DemoRadius);
  if (state.mesh.vertices == nullptr) return false;
  // Not cleared: every frame writes them before they are read.
  state.movedVertices = allocateArray<Vec3>(state.mesh.vertexCount);
  state.movedNormals = allocateArray<Vec3>(state.mesh.triangleCount);
  state.facing = allocateArray<std::uint8_t>(state.mesh.triangleCount);
  state.normalScratch = allocateArray<WidePoint>(state.mesh.vertexCount);
  if (state.movedVertices == nullptr || state.movedNormals == nullptr || state.facing == nullptr ||
      state.normalScratch == nullptr) {
    return false;
  }
  for (int r = 0; r < RegionCount; ++r) {
    state.regions[r].planes = RegionPlaneTables[r];
    state.regions[r].planeCount = RegionPlaneCount;
  }
  return assignRegions(state.regionMembers, state.regionMemberCounts, state.mesh.vertices, state.mesh.vertexCount,
                       state.regions, RegionCount);
}

void stepDemoMotion(DemoState& state) {
  regionMatrix(TopCapRegion, state.topMotion, state.regionMatrices[TopCapRegion]);
  advanceMotion(state.topMotion);
  regionMatrix(MiddleBandRegion, state.topMotion, state.regionMatrices[MiddleBandRegion]);
  regionMatrix(BottomCapRegion, state.bottomMotion, state.regionMatrices[BottomCapRegion]);
  advanceMotion(state.bottomMotion);
}

void prepareFrame(DemoState& state) {
  moveVertices(state.movedVertices, state.mesh.vertices, state.mesh.vertexCount, state.regionMembers,
               state.regionMemberCounts, state.regionMatrices, RegionCount);
  recomputeNormals(state.movedNormals, state.facing, state.movedVertices, state.mesh.vertexCount,
                   state.normalScratch, state.mesh.indices, state.mesh.triangleCount);
}

void releaseDemoArrays(DemoState& state) {
  releaseArray(state.mesh.vertices);
  releaseArray(state.movedVertices);
  releaseArray(state.mesh.indices);
  releaseArray(state.mesh.faceNormals);
  releaseArray(state.movedNormals);
  releaseArray(state.facing);
  releaseArray(state.normalScratch);
  for (int r = RegionCount - 1; r >= 0; --r) {
    releaseArray(state.regionMembers[r]);
    state.regionMemberCounts[r] = 0;
  }
  state.mesh.vertexCount = 0;
  state.mesh.triangleCount = 0;
}

}  // namespace deform
