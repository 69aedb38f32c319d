#pragma once
#include <cmath>

// The level tool computes in double precision throughout; only the file stores floats.
struct DVec3 {
  double x = 0, y = 0, z = 0;
};

inline DVec3 operator+(const DVec3& a, const DVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline DVec3 operator-(const DVec3& a, const DVec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline DVec3 operator-(const DVec3& a) { return {-a.x, -a.y, -a.z}; }
inline DVec3 operator*(const DVec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dotD(const DVec3& a, const DVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline DVec3 crossD(const DVec3& a, const DVec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double lengthD(const DVec3& a) { return std::sqrt(dotD(a, a)); }
inline DVec3 normalizedD(const DVec3& a) {
  const double l = lengthD(a);
  return l > 0 ? a * (1.0 / l) : DVec3{};
}
inline double distanceD(const DVec3& a, const DVec3& b) { return lengthD(a - b); }

// A plane with unit normal n: signed distance of p is n . p + d.
struct DPlane {
  DVec3 n;
  double d = 0;
};
inline double distanceTo(const DPlane& plane, const DVec3& p) { return dotD(plane.n, p) + plane.d; }
