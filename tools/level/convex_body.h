#pragma once
#include <vector>

#include "tools/level/dvec3.h"

// A convex solid given by its corners, the normals of its faces and the directions of
// its edges: enough to decide by separating axes whether two solids overlap.
struct ConvexBody {
  std::vector<DVec3> corners;
  std::vector<DVec3> faceNormals;
  std::vector<DVec3> edgeDirections;
};

// Adds a direction unless a parallel one is already in the list.
void addDirection(std::vector<DVec3>& directions, const DVec3& direction);

// True when the insides of the two solids share a region deeper than tolerance along
// every axis; solids that only touch along a face, an edge or a corner do not overlap.
bool bodiesOverlap(const ConvexBody& a, const ConvexBody& b, double tolerance);
