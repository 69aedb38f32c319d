#pragma once
// The AVX-512 loops behind moveVertices and recomputeNormals, for processors with
// AVX-512 F, VL, DQ and BW. Only frame_geometry.cpp calls them, after asking the
// processor; they compute what the narrower paths compute, bit for bit.
#include <cstdint>

#include "deform/vec3.h"

namespace deform {

// Carries the members of one region, from the last entry to the first.
void moveMembersAvx512(Vec3* movedVertices, const Vec3* vertices, const std::uint16_t* members, std::int32_t count,
                       const float m[16]);

void recomputeNormalsAvx512(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices,
                            const std::uint16_t* indices, std::int32_t triangleCount);

}  // namespace deform
