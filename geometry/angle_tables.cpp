#include "geometry/angle_tables.h"

#include <cmath>

namespace {

AngleTables computeAngleTables() {
  AngleTables tables;
  for (int i = 0; i < AngleTableSize; ++i) {
    // The angle constant is 3.14159, not pi, and the angle is rounded to float
    // before its cosine and sine are taken.
    const float angle = float(double(float(i)) * 3.14159 / 16384.0);
    tables.cosine[i] = float(std::cos(double(angle)));
    tables.sine[i] = float(std::sin(double(angle)));
  }
  return tables;
}

}  // namespace

const AngleTables& angleTables() {
  static const AngleTables tables = computeAngleTables();
  return tables;
}
