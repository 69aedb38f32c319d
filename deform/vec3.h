#pragma once
// The demo's point/direction record. Components are stored as 32-bit floats; the
// geometry code computes in double and rounds where a component is stored.

namespace deform {

struct Vec3 {
  float x, y, z;
};

// The vertex array is handed to OpenGL as tightly packed float triples.
static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be three packed floats");

}  // namespace deform
