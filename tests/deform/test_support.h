#pragma once
// Helpers shared by the deform suites: an owned demo sphere and a guard that stops
// injected allocation failures from leaking into the next test.
#include "deform/array_alloc.h"
#include "deform/sphere_mesh.h"

namespace deform_test {

struct OwnedSphere {
  deform::SphereMesh mesh;
  OwnedSphere(int segments, int rings, double radius) : mesh(deform::buildSphere(segments, rings, radius)) {}
  OwnedSphere() : OwnedSphere(40, 40, 1.0) {}
  ~OwnedSphere() { deform::releaseSphere(mesh); }
  OwnedSphere(const OwnedSphere&) = delete;
  OwnedSphere& operator=(const OwnedSphere&) = delete;
};

struct AllocationFailureGuard {
  explicit AllocationFailureGuard(int successes) { deform::failAllocationsAfter(successes); }
  ~AllocationFailureGuard() { deform::failAllocationsAfter(-1); }
};

// Vertex number of ring j, column i on a sphere with `segments` columns.
inline int ringVertex(int segments, int j, int i) { return 1 + j * segments + i; }

}  // namespace deform_test
