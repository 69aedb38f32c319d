#include "plan/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string numberText(double v, int digits, NearZero nearZero) {
  // Half a unit in the last place %g shows for a value below 1, by digits (written out: a
  // power of ten computed at run time need not be the nearest double).
  static const double halfUnit[] = {0.5, 0.05, 5e-3, 5e-4, 5e-5, 5e-6, 5e-7, 5e-8, 5e-9, 5e-10};
  digits = std::clamp(digits, 1, 9);
  if (nearZero == NearZero::AsZero && std::fabs(v) < halfUnit[digits]) v = 0.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.*g", digits, v);
  return text;
}

std::string pointText(const Vec3& p, int digits, NearZero nearZero) {
  return "(" + numberText(p.x, digits, nearZero) + ", " + numberText(p.y, digits, nearZero) + ", " +
         numberText(p.z, digits, nearZero) + ")";
}
