#include "geometry/angle_tables.h"

#include <cmath>

float sineTable[AngleTableSize];
float cosineTable[AngleTableSize];

void buildAngleTables() {
  for (int i = 0; i < AngleTableSize; ++i) {
    // The angle constant is 3.14159, not pi, and the angle is rounded to float
    // before its cosine and sine are taken.
    const float angle = float(double(float(i)) * 3.14159 / 16384.0);
    cosineTable[i] = float(std::cos(double(angle)));
    sineTable[i] = float(std::sin(double(angle)));
  }
}
