#include "geometry/vec_math.h"

#include <cmath>

void cross(const Vec3& a, const Vec3& b, Vec3& out) {
  out.x = float(double(a.y) * b.z - double(a.z) * b.y);
  out.y = float(-(double(a.x) * b.z - double(a.z) * b.x));
  out.z = float(double(a.x) * b.y - double(a.y) * b.x);
}

void normalize(Vec3& v) {
  const double length = float(std::sqrt(dot(v, v)));
  v.x = float(v.x / length);
  v.y = float(v.y / length);
  v.z = float(v.z / length);
}

void vectorTimesMatrix(const Vec3& v, Vec3& out, const Matrix3& m) {
  const Vec3* r = m.rows;
  out.x = float(double(v.x) * r[0].x + double(v.y) * r[1].x + double(v.z) * r[2].x);
  out.y = float(double(v.x) * r[0].y + double(v.y) * r[1].y + double(v.z) * r[2].y);
  out.z = float(double(v.x) * r[0].z + double(v.y) * r[1].z + double(v.z) * r[2].z);
}

void translatePoints(Vec3* points, const Vec3& offset, int count) {
  for (int i = 0; i < count; ++i) {
    points[i].x = float(double(points[i].x) + offset.x);
    points[i].y = float(double(points[i].y) + offset.y);
    points[i].z = float(double(points[i].z) + offset.z);
  }
}

void rotatePoints(const Vec3* source, Vec3* destination, const Matrix3& m, int count) {
  for (int i = 0; i < count; ++i) {
    const float x = float(dot(m.rows[0], source[i]));
    const float y = float(dot(m.rows[1], source[i]));
    const float z = float(dot(m.rows[2], source[i]));
    destination[i] = {x, y, z};
  }
}
