#pragma once
#include <vector>

#include "tools/level/dvec3.h"

// A flat convex polygon in 3D, corners in order around it.
using Face = std::vector<DVec3>;

// Sum of the corner cross products: twice the area along the right-hand normal of the
// corner order.
DVec3 newellVector(const Face& face);
double faceArea(const Face& face);
DVec3 faceCentre(const Face& face);

// The part of the face on or in front of the plane (points within tolerance count as on it).
Face clipFace(const Face& face, const DPlane& plane, double tolerance);

// The plane through edge i (corner i to i + 1) at right angles to the face, facing its inside.
DPlane edgePlane(const Face& face, size_t i);

// The part of a that lies inside b; both convex and in one plane.
Face intersectFaces(const Face& a, const Face& b, double tolerance);

// Convex pieces that together cover face minus hole (both convex and in one plane).
// Pieces with less than minArea are dropped. The pieces are cut off along the hole's
// edges, the largest first, so a doorway leaves two side pieces and a lintel.
std::vector<Face> subtractFace(const Face& face, const Face& hole, double tolerance, double minArea);

// Drops repeated corners and corners on a straight line between their neighbours.
Face withoutRedundantCorners(const Face& face, double tolerance);
