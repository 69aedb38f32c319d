#pragma once
#include <cstdint>

// Angles are indices into these tables: 32768 units make a full turn, and index i
// stands for i * 3.14159 / 16384 radians. Filled by buildAngleTables (the camera's
// constructor calls it); all zero before.
constexpr int AngleTableSize = 32768;
extern float sineTable[AngleTableSize];
extern float cosineTable[AngleTableSize];

void buildAngleTables();

// Any int32 angle reduced into the tables' range (modulo a full turn).
inline int32_t angleIndex(int32_t angle) { return angle & (AngleTableSize - 1); }
