#include "deform/matrix_stack_math.h"

#include <cmath>

namespace deform {

namespace {

// The pi the GL library converts degrees with (not the sphere's shortened one).
constexpr double GlPi = 3.14159265358979323846;

float& at(float m[16], int row, int column) { return m[column * 4 + row]; }

// m = m * b for an affine b: the bottom rows of both stay (0, 0, 0, 1).
void multiplyAffine(float m[16], const float b[16]) {
  for (int row = 0; row < 3; ++row) {
    const float a0 = at(m, row, 0), a1 = at(m, row, 1), a2 = at(m, row, 2), a3 = at(m, row, 3);
    at(m, row, 0) = a0 * b[0] + a1 * b[1] + a2 * b[2];
    at(m, row, 1) = a0 * b[4] + a1 * b[5] + a2 * b[6];
    at(m, row, 2) = a0 * b[8] + a1 * b[9] + a2 * b[10];
    at(m, row, 3) = a0 * b[12] + a1 * b[13] + a2 * b[14] + a3;
  }
}

// Rotation about an arbitrary axis by the textbook formula, axis normalised in float.
void generalRotation(float r[16], float s, float c, float x, float y, float z) {
  const float length = std::sqrt(x * x + y * y + z * z);
  x /= length;
  y /= length;
  z /= length;
  const float oneMinusC = 1.0f - c;
  at(r, 0, 0) = oneMinusC * x * x + c;
  at(r, 0, 1) = oneMinusC * x * y - z * s;
  at(r, 0, 2) = oneMinusC * z * x + y * s;
  at(r, 1, 0) = oneMinusC * x * y + z * s;
  at(r, 1, 1) = oneMinusC * y * y + c;
  at(r, 1, 2) = oneMinusC * y * z - x * s;
  at(r, 2, 0) = oneMinusC * z * x - y * s;
  at(r, 2, 1) = oneMinusC * y * z + x * s;
  at(r, 2, 2) = oneMinusC * z * z + c;
}

}  // namespace

void loadIdentityMatrix(float m[16]) {
  for (int k = 0; k < 16; ++k) m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
}

void translateMatrix(float m[16], float x, float y, float z) {
  m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
  m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
  m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
  m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void rotateMatrix(float m[16], float angleDegrees, float x, float y, float z) {
  if (angleDegrees == 0.0f) return;
  // The library rounds the angle in radians to float and takes the float sine and cosine.
  const float radians = float(angleDegrees * GlPi / 180.0);
  const float s = std::sin(radians);
  const float c = std::cos(radians);

  float r[16];
  loadIdentityMatrix(r);
  // About a coordinate axis only the four turning entries change; the diagonal
  // entry of the axis stays exactly 1.
  if (x == 0.0f && y == 0.0f && z != 0.0f) {
    at(r, 0, 0) = c;
    at(r, 1, 1) = c;
    at(r, 0, 1) = z < 0.0f ? s : -s;
    at(r, 1, 0) = z < 0.0f ? -s : s;
  } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
    at(r, 0, 0) = c;
    at(r, 2, 2) = c;
    at(r, 0, 2) = y < 0.0f ? -s : s;
    at(r, 2, 0) = y < 0.0f ? s : -s;
  } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
    at(r, 1, 1) = c;
    at(r, 2, 2) = c;
    at(r, 1, 2) = x < 0.0f ? s : -s;
    at(r, 2, 1) = x < 0.0f ? -s : s;
  } else if (x != 0.0f || y != 0.0f || z != 0.0f) {
    generalRotation(r, s, c, x, y, z);
  } else {
    return;  // no axis: no rotation
  }
  multiplyAffine(m, r);
}

}  // namespace deform
