#include "deform/deform_regions.h"

#include "deform/array_alloc.h"

namespace deform {

const RegionPlane RegionPlaneTables[RegionCount][RegionPlaneCount] = {
    {// top cap: 0.5 <= y <= 1
     {{1, 0, 0}, 1},
     {{-1, 0, 0}, 1},
     {{0, 1, 0}, 1},
     {{0, -1, 0}, -0.5f},
     {{0, 0, 1}, 1},
     {{0, 0, -1}, 1}},
    {// middle band: -0.5 <= y <= 0.5
     {{1, 0, 0}, 1},
     {{-1, 0, 0}, 1},
     {{0, 1, 0}, 0.5f},
     {{0, -1, 0}, 0.5f},
     {{0, 0, 1}, 1},
     {{0, 0, -1}, 1}},
    {// bottom cap: -1 <= y <= -0.5
     {{1, 0, 0}, 1},
     {{-1, 0, 0}, 1},
     {{0, 1, 0}, -0.5f},
     {{0, -1, 0}, 1},
     {{0, 0, 1}, 1},
     {{0, 0, -1}, 1}},
};

bool insideRegion(const Vec3& p, const RegionPlane* planes, std::int32_t planeCount) {
  for (std::int32_t k = planeCount - 1; k >= 0; --k) {
    const RegionPlane& plane = planes[k];
    const double distance =
        double(plane.normal.x) * p.x + double(plane.normal.y) * p.y + double(plane.normal.z) * p.z - plane.offset;
    if (distance > 0.0) return false;
  }
  return true;
}

bool assignRegions(std::uint16_t* regionMembers[], std::int32_t regionMemberCounts[], const Vec3* vertices,
                   std::int32_t vertexCount, const DeformRegion* regions, std::int32_t regionCount) {
  for (std::int32_t r = 0; r < regionCount; ++r) {
    regionMembers[r] = nullptr;
    regionMemberCounts[r] = 0;
  }
  unsigned char* claimed = allocateArray<unsigned char>(vertexCount);
  if (claimed == nullptr) return false;
  for (std::int32_t k = 0; k < vertexCount; ++k) claimed[k] = 0;

  bool complete = true;
  for (std::int32_t r = regionCount - 1; r >= 0 && complete; --r) {
    const DeformRegion& region = regions[r];
    std::int32_t count = 0;
    for (std::int32_t k = vertexCount - 1; k >= 0; --k) {
      if (!claimed[k] && insideRegion(vertices[k], region.planes, region.planeCount)) ++count;
    }
    regionMembers[r] = allocateArray<std::uint16_t>(count);
    if (regionMembers[r] == nullptr) {
      complete = false;
      break;
    }
    regionMemberCounts[r] = count;
    std::int32_t filled = 0;
    for (std::int32_t k = vertexCount - 1; k >= 0; --k) {
      if (!claimed[k] && insideRegion(vertices[k], region.planes, region.planeCount)) {
        claimed[k] = 1;
        regionMembers[r][filled++] = std::uint16_t(k);
      }
    }
  }
  releaseArray(claimed);

  if (!complete) {
    for (std::int32_t r = 0; r < regionCount; ++r) {
      releaseArray(regionMembers[r]);
      regionMemberCounts[r] = 0;
    }
  }
  return complete;
}

}  // namespace deform
