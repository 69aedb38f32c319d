#include "deform/demo_state.h"

#include "deform/array_alloc.h"
#include "deform/frame_geometry.h"

#include <cstring>

namespace deform {

namespace {

// Whether a member list, from the highest index down as assignRegions lists them,
// holds the vertex.
bool listed(const std::uint16_t* members, std::int32_t count, std::uint16_t vertex) {
  std::int32_t low = 0, high = count;
  while (low < high) {
    const std::int32_t middle = low + (high - low) / 2;
    if (members[middle] > vertex) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < count && members[low] == vertex;
}

// The first region listing the vertex, or -1.
int regionOf(const DemoState& state, std::uint16_t vertex) {
  for (int r = 0; r < RegionCount; ++r) {
    if (listed(state.regionMembers[r], state.regionMemberCounts[r], vertex)) return r;
  }
  return -1;
}

// Whether each region lists its members from the highest index down and every vertex is
// in exactly one region: then moving a region moves its own members and nothing else.
bool oneRegionEach(const DemoState& state) {
  std::int32_t entries = 0;
  for (int r = 0; r < RegionCount; ++r) {
    const std::uint16_t* members = state.regionMembers[r];
    for (std::int32_t e = 1; e < state.regionMemberCounts[r]; ++e) {
      if (members[e] >= members[e - 1]) return false;
    }
    entries += state.regionMemberCounts[r];
  }
  if (entries != state.mesh.vertexCount) return false;
  // As many entries as vertices: when every vertex is found, none is listed twice.
  for (std::int32_t k = 0; k < state.mesh.vertexCount; ++k) {
    if (regionOf(state, std::uint16_t(k)) < 0) return false;
  }
  return true;
}

}  // namespace

void findMovedTriangles(DemoState& state) {
  FrameCache& cache = state.frameCache;
  for (MovedTriangles& moved : cache.moved) moved = MovedTriangles{};
  if (!oneRegionEach(state)) return;
  constexpr unsigned AllRegions = (1u << RegionCount) - 1;
  for (unsigned set = 0; set < AllRegions; ++set) cache.moved[set].all = false;
  bool open[AllRegions] = {};  // whether the set's last run reaches the triangle before
  for (std::int32_t t = 0; t < state.mesh.triangleCount; ++t) {
    unsigned regions = 0;
    for (int c = 0; c < 3; ++c) {
      const int r = regionOf(state, state.mesh.indices[3 * t + c]);
      if (r < 0) {  // a corner that is no vertex of the mesh
        for (MovedTriangles& moved : cache.moved) moved = MovedTriangles{};
        return;
      }
      regions |= 1u << r;
    }
    for (unsigned set = 0; set < AllRegions; ++set) {
      MovedTriangles& moved = cache.moved[set];
      const bool touched = (set & regions) != 0;
      if (moved.all || !touched) {
        open[set] = false;
      } else if (open[set]) {
        moved.spans[moved.spanCount - 1].end = t + 1;
      } else if (moved.spanCount == MaxMovedSpans) {
        moved = MovedTriangles{};
      } else {
        moved.spans[moved.spanCount++] = TriangleSpan{t, t + 1};
        open[set] = true;
      }
    }
  }
}

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
    recomputeNormals(state.movedNormals, state.facing, state.movedVertices, state.mesh.vertexCount, state.normalScratch,
                     state.mesh.indices, state.mesh.triangleCount);
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
