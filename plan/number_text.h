#pragma once
#include <string>

#include "geometry/vec3.h"

// How the level tool writes a number in its messages and pictures: printf's %g with this
// many significant digits (6, %g's own, for what an author wrote; fewer for what the tool
// measured). With NearZero::AsZero a value too small to show in those digits (arithmetic's
// noise around 0, or -0) reads "0" rather than "3e-07".
enum class NearZero { AsIs, AsZero };
std::string numberText(double v, int digits, NearZero nearZero = NearZero::AsIs);
// "(x, y, z)", each written as numberText writes it.
std::string pointText(const Vec3& p, int digits, NearZero nearZero = NearZero::AsIs);
