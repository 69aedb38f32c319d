#pragma once
// The three boxes that split the sphere into a top cap, a middle band and a bottom
// cap, and the one-time sorting of the vertices into them.
#include <cstdint>

#include "deform/vec3.h"

namespace deform {

// A point p is outside when dot(normal, p) - offset > 0; on the plane counts as inside.
struct RegionPlane {
  Vec3 normal;
  float offset;
};

struct DeformRegion {
  const RegionPlane* planes;  // static table, not owned
  std::int32_t planeCount;
};

constexpr int RegionCount = 3;
constexpr int RegionPlaneCount = 6;
constexpr int TopCapRegion = 0;
constexpr int MiddleBandRegion = 1;
constexpr int BottomCapRegion = 2;

// Plane table r bounds region r: the cube -1..1 cut at y = 0.5 and y = -0.5.
extern const RegionPlane RegionPlaneTables[RegionCount][RegionPlaneCount];

// Whether p is inside every plane, planes visited from the last to the first.
bool insideRegion(const Vec3& p, const RegionPlane* planes, std::int32_t planeCount);

// Gives every vertex to at most one region: regions are visited from the last, so
// a vertex inside several belongs to the highest-numbered one; each member array
// lists its vertices in descending number. Returns false when an allocation fails,
// leaving no member array allocated.
bool assignRegions(std::uint16_t* regionMembers[], std::int32_t regionMemberCounts[], const Vec3* vertices,
                   std::int32_t vertexCount, const DeformRegion* regions, std::int32_t regionCount);

}  // namespace deform
