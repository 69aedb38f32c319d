#include "deform/demo_state.h"

#include "deform/array_alloc.h"
#include "deform/frame_geometry.h"

#include <cstring>

namespace deform {

namespace {

// The region a vertex belongs to, or -1: its members are listed from the highest index
// down, as assignRegions lists them.
int regionOf(const DemoState& state, std::uint16_t vertex) {
  for (int r = 0; r < RegionCount; ++r) {
    const std::uint16_t* members = state.regionMembers[r];
    std::int32_t low = 0, high = state.regionMemberCounts[r];
    while (low < high) {
      const std::int32_t middle = low + (high - low) / 2;
      if (members[middle] == vertex) return r;
      if (members[middle] > vertex) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
  }
  return -1;
}

bool listedDownwards(const DemoState& state) {
  std::int32_t claimed = 0;
  for (int r = 0; r < RegionCount; ++r) {
    const std::uint16_t* members = state.regionMembers[r];
    for (std::int32_t e = 1; e < state.regionMemberCounts[r]; ++e) {
      if (members[e] >= members[e - 1]) return false;
    }
    claimed += state.regionMemberCounts[r];
  }
  return claimed == state.mesh.vertexCount;
}

// For every set of moved regions, the runs of triangles with a corner in one of them.
// Unless every vertex is in a region (then moving one means moving all), or a set needs
// more runs than there is room for, the set recomputes all triangles.
void findMovedTriangles(DemoState& state) {
  FrameCache& cache = state.frameCache;
  for (MovedTriangles& moved : cache.moved) moved = MovedTriangles{};
  if (!listedDownwards(state)) return;
  const std::int32_t triangles = state.mesh.triangleCount;
  for (unsigned set = 0; set + 1 < (1u << RegionCount); ++set) {
    MovedTriangles& moved = cache.moved[set];
    moved.all = false;
    bool open = false;
    for (std::int32_t t = 0; t < triangles && !moved.all; ++t) {
      bool touched = false;
      for (int c = 0; c < 3; ++c) {
        const int r = regionOf(state, state.mesh.indices[3 * t + c]);
        if (r < 0) {  // a vertex listed twice, so another is in no list
          for (MovedTriangles& any : cache.moved) any = MovedTriangles{};
          return;
        }
        touched = touched || (set & (1u << r)) != 0;
      }
      if (touched && open) {
        moved.spans[moved.spanCount - 1].end = t + 1;
      } else if (touched) {
        if (moved.spanCount == MaxMovedSpans) {
          moved = MovedTriangles{};
          break;
        }
        moved.spans[moved.spanCount++] = TriangleSpan{t, t + 1};
      }
      open = touched;
    }
  }
}

}  // namespace

bool buildDemoGeometry(DemoState& state) {
  state.frameCache.valid = false;
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
  if (!assignRegions(state.regionMembers, state.regionMemberCounts, state.mesh.vertices, state.mesh.vertexCount,
                     state.regions, RegionCount)) {
    return false;
  }
  findMovedTriangles(state);
  return true;
}

void stepDemoMotion(DemoState& state) {
  regionMatrix(TopCapRegion, state.topMotion, state.regionMatrices[TopCapRegion]);
  advanceMotion(state.topMotion);
  regionMatrix(MiddleBandRegion, state.topMotion, state.regionMatrices[MiddleBandRegion]);
  regionMatrix(BottomCapRegion, state.bottomMotion, state.regionMatrices[BottomCapRegion]);
  advanceMotion(state.bottomMotion);
}

void prepareFrame(DemoState& state) {
  FrameCache& cache = state.frameCache;
  unsigned movedSet = 0;
  for (int r = 0; r < RegionCount; ++r) {
    if (!cache.valid || std::memcmp(cache.matrices[r], state.regionMatrices[r], sizeof(cache.matrices[r])) != 0) {
      movedSet |= 1u << r;
    }
  }
  const MovedTriangles& moved = cache.moved[movedSet];
  if (moved.all) {
    moveVertices(state.movedVertices, state.mesh.vertices, state.mesh.vertexCount, state.regionMembers,
                 state.regionMemberCounts, state.regionMatrices, RegionCount);
    recomputeNormals(state.movedNormals, state.facing, state.movedVertices, state.mesh.vertexCount,
                     state.normalScratch, state.mesh.indices, state.mesh.triangleCount);
  } else {
    for (int r = RegionCount - 1; r >= 0; --r) {
      if ((movedSet & (1u << r)) == 0) continue;
      moveRegionMembers(state.movedVertices, state.mesh.vertices, state.regionMembers[r], state.regionMemberCounts[r],
                        state.regionMatrices[r]);
    }
    recomputeNormalSpans(state.movedNormals, state.facing, state.movedVertices, state.mesh.vertexCount,
                         state.normalScratch, state.mesh.indices, moved.spans, moved.spanCount);
  }
  std::memcpy(cache.matrices, state.regionMatrices, sizeof(cache.matrices));
  cache.valid = true;
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
  state.frameCache.valid = false;
}

}  // namespace deform
