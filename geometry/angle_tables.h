#pragma once
#include <cstdint>

// Angles are indices into these tables: 32768 units make a full turn, and index i
// stands for i * 3.14159 / 16384 radians.
constexpr int AngleTableSize = 32768;

struct AngleTables {
  float sine[AngleTableSize];
  float cosine[AngleTableSize];
};

// The tables, computed on the first call and never changed after. The viewer's start-up
// calls it before the first frame, so no frame pays for the computation. (They are not
// constant-initialised because their values are the C library's cos and sin, rounded as
// the rounding rules say, and those cannot be evaluated at compile time.)
const AngleTables& angleTables();

// Any int32 angle reduced into the tables' range (modulo a full turn).
inline int32_t angleIndex(int32_t angle) { return angle & (AngleTableSize - 1); }
