#pragma once
// Everything the demo keeps from start-up to exit, and the platform-free parts of
// setting it up, preparing a frame and releasing it.
#include <cstdint>

#include "deform/deform_regions.h"
#include "deform/frame_geometry.h"
#include "deform/region_motion.h"
#include "deform/sphere_mesh.h"

namespace deform {

constexpr std::int32_t DemoSegments = 40;
constexpr std::int32_t DemoRings = 40;
constexpr double DemoRadius = 1.0;

// The triangles a frame recomputes when the regions of one set have moved: up to
// MaxMovedSpans runs of them, or all.
constexpr std::int32_t MaxMovedSpans = 8;
struct MovedTriangles {
  bool all = true;
  std::int32_t spanCount = 0;
  TriangleSpan spans[MaxMovedSpans]{};
};

// What the last prepared frame was made from. A moved vertex is a function of its rest
// position and its region's matrix, a normal and a flag of their triangle's moved
// corners: so a region whose matrix is the same again (bit for bit) keeps its members
// where they are, and a triangle whose corners all lie in such regions keeps its normal
// and flag. The middle band's matrix never changes, and a third of the triangles lie
// wholly in it.
struct FrameCache {
  bool valid = false;  // the moved arrays hold the frame made from `matrices`
  float matrices[RegionCount][16]{};
  MovedTriangles moved[1 << RegionCount];  // by the set of regions that moved: bit r for region r
};

struct DemoState {
  SphereMesh mesh{};
  Vec3* movedVertices = nullptr;  // eye space, handed to GL as the vertex array
  Vec3* movedNormals = nullptr;
  std::uint8_t* facing = nullptr;      // per triangle: 1 when it faces the eye this frame
  WidePoint* normalScratch = nullptr;  // per vertex: the normals pass's working copy
  DeformRegion regions[RegionCount]{};
  std::uint16_t* regionMembers[RegionCount]{};
  std::int32_t regionMemberCounts[RegionCount]{};
  float regionMatrices[RegionCount][16]{};
  RegionMotion topMotion;     // region 0
  RegionMotion bottomMotion;  // region 2, always equal to topMotion
  // prepareFrame's memory of the last frame; it relies on the mesh and the region
  // members staying as buildDemoGeometry made them.
  FrameCache frameCache;
};

// Builds the sphere, allocates the four work arrays, fills the region table and
// assigns the vertices. Returns false when an allocation failed; whatever was
// allocated stays in `state` for releaseDemoArrays.
bool buildDemoGeometry(DemoState& state);

// Works out from the mesh and the region members what a frame redoes when some regions
// move (the runs of triangles with a corner in one of them, for every set of regions).
// A set redoes everything when it needs more than MaxMovedSpans runs, or when the
// regions do not each hold their own vertices, every list from the highest index down.
// buildDemoGeometry calls it.
void findMovedTriangles(DemoState& state);

// The three region matrices from the current motions, then one advance of each
// motion: what one animation step does, without the GL stack.
void stepDemoMotion(DemoState& state);

// Moves the vertices by the current region matrices, recomputes their normals and
// decides which triangles face the eye: only for the regions whose matrices changed
// since the last frame, and the triangles with a corner in one of them.
void prepareFrame(DemoState& state);

// Releases the ten arrays (mesh vertices, moved vertices, mesh indices, mesh face
// normals, moved normals, facing flags, normal scratch, members of regions 2, 1, 0),
// nulling each pointer.
void releaseDemoArrays(DemoState& state);

}  // namespace deform
