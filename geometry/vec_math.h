#pragma once
#include "geometry/vec3.h"

// a.x*b.x + a.y*b.y + a.z*b.z in double, added in that order, not rounded. Inline: the
// clipping calls it for every vertex against every plane.
inline double dot(const Vec3& a, const Vec3& b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }

// out = a x b, each component stored as soon as it is computed: out must be neither a nor b.
void cross(const Vec3& a, const Vec3& b, Vec3& out);

// Divides each component by the float-rounded length. A zero vector gives non-finite
// components; callers that can meet one test the result.
void normalize(Vec3& v);

// out = v.x*row0 + v.y*row1 + v.z*row2 (the transpose of m applied to v). out must not be v.
void vectorTimesMatrix(const Vec3& v, Vec3& out, const Matrix3& m);

void translatePoints(Vec3* points, const Vec3& offset, int count);

// destination[i] = (row0 . source[i], row1 . source[i], row2 . source[i]); destination may be source.
void rotatePoints(const Vec3* source, Vec3* destination, const Matrix3& m, int count);
