#include "geometry/camera.h"

#include <cmath>

#include "geometry/angle_tables.h"
#include "geometry/vec_math.h"

void Camera::setPosition(float x, float y, float z) { position = {x, y, z}; }

void Camera::resetOrientation(int32_t rateX, int32_t rateY, int32_t rateZ) {
  orientation = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  turnRateX = rateX;
  turnRateY = rateY;
  turnRateZ = rateZ;
}

ScreenExtent screenExtent(const Viewport& viewport) {
  const double cx = viewport.centreX;
  const double cy = viewport.centreY;
  const double s = viewport.projectionScale;
  const double vertical = (cy - 0.5) / s;
  return {cx / s, vertical, (cx - 0.5) / s, vertical};
}

void Camera::buildScreenPlanes(const Viewport& viewport) {
  const ScreenExtent extent = screenExtent(viewport);
  // Each angle is rounded to float, its cosine and sine too, and the sign applied after.
  struct Trig {
    float c, s;
  };
  auto trig = [](double quotient) {
    const float angle = float(std::atan(quotient));
    return Trig{float(std::cos(double(angle))), float(std::sin(double(angle)))};
  };
  const Trig right = trig(extent.right);
  const Trig top = trig(extent.top);
  const Trig left = trig(extent.left);
  const Trig bottom = trig(extent.bottom);
  screenPlanes[0] = {{-right.c, 0.0f, right.s}, 0.0f};
  screenPlanes[1] = {{0.0f, -top.c, top.s}, 0.0f};
  screenPlanes[2] = {{left.c, 0.0f, left.s}, 0.0f};
  screenPlanes[3] = {{0.0f, bottom.c, bottom.s}, 0.0f};
}

void Camera::walk(float speed) {
  const Vec3& f = orientation.rows[2];
  position.x = float(double(f.x) * speed + position.x);
  position.y = float(double(f.y) * speed + position.y);
  position.z = float(double(f.z) * speed + position.z);
}

void Camera::turn() {
  const AngleTables& t = angleTables();
  const double sa = t.sine[angleIndex(turnRateX)], ca = t.cosine[angleIndex(turnRateX)];
  const double sb = t.sine[angleIndex(turnRateY)], cb = t.cosine[angleIndex(turnRateY)];
  const double sc = t.sine[angleIndex(turnRateZ)], cc = t.cosine[angleIndex(turnRateZ)];
  for (Vec3& row : orientation.rows) {
    const double x = row.x, y = row.y, z = row.z;
    // About X, then Y, then Z; every intermediate is rounded to float.
    const float y1 = float(y * ca - z * sa);
    const float z1 = float(y * sa + z * ca);
    const float x2 = float(x * cb + double(z1) * sb);
    const float z2 = float(double(z1) * cb - x * sb);
    const float x3 = float(double(x2) * cc - double(y1) * sc);
    const float y3 = float(double(y1) * cc + double(x2) * sc);
    row = {x3, y3, z2};
  }
}

void Camera::buildWorldPlanes() {
  for (int i = 0; i < 4; ++i) {
    vectorTimesMatrix(screenPlanes[i].normal, worldPlanes[i].normal, orientation);
  }
  for (int i = 0; i < 4; ++i) {
    worldPlanes[i].d = float(-dot(worldPlanes[i].normal, position));
  }
}
