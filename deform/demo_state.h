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

struct DemoState {
  SphereMesh mesh{};
  Vec3* movedVertices = nullptr;  // eye space, handed to GL as the vertex array
  Vec3* movedNormals = nullptr;
  std::uint8_t* facing = nullptr;  // per triangle: 1 when it faces the eye this frame
  WidePoint* normalScratch = nullptr;  // per vertex: the normals pass's working copy
  DeformRegion regions[RegionCount]{};
  std::uint16_t* regionMembers[RegionCount]{};
  std::int32_t regionMemberCounts[RegionCount]{};
  float regionMatrices[RegionCount][16]{};
  RegionMotion topMotion;     // region 0
  RegionMotion bottomMotion;  // region 2, always equal to topMotion
};

// Builds the sphere, allocates the four work arrays, fills the region table and
// assigns the vertices. Returns false when an allocation failed; whatever was
// allocated stays in `state` for releaseDemoArrays.
bool buildDemoGeometry(DemoState& state);

// The three region matrices from the current motions, then one advance of each
// motion: what one animation step does, without the GL stack.
void stepDemoMotion(DemoState& state);

// Moves the vertices by the current region matrices, recomputes their normals and
// decides which triangles face the eye.
void prepareFrame(DemoState& state);

// Releases the ten arrays (mesh vertices, moved vertices, mesh indices, mesh face
// normals, moved normals, facing flags, normal scratch, members of regions 2, 1, 0),
// nulling each pointer.
void releaseDemoArrays(DemoState& state);

}  // namespace deform
