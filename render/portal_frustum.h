#pragma once
#include <cstdint>

#include "geometry/polygon.h"

// Fills frustum with the planes through the eye and each edge of a clipped portal
// outline, facing into the pyramid, and returns their number. An edge gives no plane
// when its normal is not finite (a zero-length edge, or one in line with the eye) or
// when another vertex of the outline lies behind its plane (a reversed sliver left by
// tolerance clipping); fewer than 3 planes bound no pyramid, and the portal then leads
// nowhere.
int32_t buildPortalFrustum(const WorkingPolygon& outline, const Vec3& eye, Frustum& frustum);
