#include "tools/level/convex_face.h"

#include <algorithm>

DVec3 newellVector(const Face& face) {
  DVec3 sum;
  for (size_t i = 0; i < face.size(); ++i) sum = sum + crossD(face[i], face[(i + 1) % face.size()]);
  return sum;
}

double faceArea(const Face& face) { return 0.5 * lengthD(newellVector(face)); }

DVec3 faceCentre(const Face& face) {
  DVec3 sum;
  for (const DVec3& p : face) sum = sum + p;
  return face.empty() ? sum : sum * (1.0 / double(face.size()));
}

Face clipFace(const Face& face, const DPlane& plane, double tolerance) {
  Face out;
  const size_t n = face.size();
  for (size_t i = 0; i < n; ++i) {
    const DVec3& a = face[i];
    const DVec3& b = face[(i + 1) % n];
    const double da = distanceTo(plane, a), db = distanceTo(plane, b);
    if (da >= -tolerance) out.push_back(a);
    if ((da > tolerance && db < -tolerance) || (da < -tolerance && db > tolerance)) {
      const double t = da / (da - db);
      out.push_back(a + (b - a) * t);
    }
  }
  out = withoutRedundantCorners(out, tolerance);
  if (out.size() < 3) out.clear();
  return out;
}

DPlane edgePlane(const Face& face, size_t i) {
  const DVec3 normal = normalizedD(newellVector(face));
  const DVec3& a = face[i];
  const DVec3& b = face[(i + 1) % face.size()];
  DPlane plane{normalizedD(crossD(normal, b - a)), 0};
  if (dotD(plane.n, faceCentre(face) - a) < 0) plane.n = -plane.n;
  plane.d = -dotD(plane.n, a);
  return plane;
}

Face intersectFaces(const Face& a, const Face& b, double tolerance) {
  Face out = a;
  for (size_t i = 0; i < b.size() && !out.empty(); ++i) out = clipFace(out, edgePlane(b, i), tolerance);
  return out;
}

std::vector<Face> subtractFace(const Face& face, const Face& hole, double tolerance, double minArea) {
  struct Cut {
    DPlane inside;
    double outsideArea;
  };
  std::vector<Cut> cuts;
  for (size_t i = 0; i < hole.size(); ++i) {
    const DPlane inside = edgePlane(hole, i);
    const DPlane outside{-inside.n, -inside.d};
    cuts.push_back({inside, faceArea(clipFace(face, outside, tolerance))});
  }
  std::stable_sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.outsideArea > b.outsideArea; });
  std::vector<Face> pieces;
  Face rest = face;
  for (const Cut& cut : cuts) {
    if (rest.empty()) break;
    const Face outside = clipFace(rest, {-cut.inside.n, -cut.inside.d}, tolerance);
    if (faceArea(outside) >= minArea) pieces.push_back(outside);
    rest = clipFace(rest, cut.inside, tolerance);
  }
  return pieces;
}

Face withoutRedundantCorners(const Face& face, double tolerance) {
  Face out = face;
  bool changed = true;
  while (changed && out.size() >= 3) {
    changed = false;
    for (size_t i = 0; i < out.size() && out.size() >= 3; ++i) {
      const DVec3& prev = out[(i + out.size() - 1) % out.size()];
      const DVec3& p = out[i];
      const DVec3& next = out[(i + 1) % out.size()];
      const DVec3 along = next - prev;
      const double length = lengthD(along);
      const bool repeated = distanceD(p, prev) <= tolerance;
      // Distance of p from the line through its neighbours.
      const bool straight = length > tolerance && lengthD(crossD(p - prev, along)) / length <= tolerance;
      if (repeated || straight) {
        out.erase(out.begin() + long(i));
        changed = true;
        break;
      }
    }
  }
  return out;
}
