#include "render/clip.h"

#include <cstring>

#include "render/clip_distances.h"

ClipResult clipPolygon(const WorkingPolygon& input, const Plane& plane, WorkingPolygon& output) {
  bool whole = false;
  const ClipResult result = clipPolygonUnlessWhole(input, plane, output, whole);
  if (whole) {
    const int n = input.vertexCount;
    std::memcpy(output.vertices, input.vertices, sizeof(Vec3) * size_t(n));
    std::memcpy(output.colours, input.colours, sizeof(Vec3) * size_t(n));
    std::memcpy(output.flags, input.flags, sizeof(input.flags[0]) * size_t(n));
    output.vertexCount = n;
  }
  return result;
}

ClipResult clipPolygonUnlessWhole(const WorkingPolygon& input, const Plane& plane, WorkingPolygon& output,
                                  bool& whole) {
  const int n = input.vertexCount;
  whole = false;
  output.vertexCount = 0;  // stays 0 if the result is dropped for capacity
  if (n <= 0 || n > WorkingPolygon::capacity) return ClipCulled;

  // Each vertex's distance is formed once and serves as si for its own edge and as sj
  // for the edge before it: exactly the float that classifyPoint compares.
  float distance[WorkingPolygon::capacity];
  if (allSurvive(input.vertices, n, plane, distance)) {
    // Most planes cut nothing: the polygon goes through whole.
    whole = true;
    return n > 2 ? ClipVisible : ClipCulled;
  }
  float si = distance[0];
  int count = 0;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 == n ? 0 : i + 1;
    const float sj = distance[j];
    const bool keepI = survivesPlane(si);
    if (keepI) {
      // A convex polygon gains at most one vertex per plane; only a broken one can
      // outgrow the buffer, and it is dropped rather than truncated.
      if (count == WorkingPolygon::capacity) return ClipCulled;
      output.vertices[count] = input.vertices[i];
      output.colours[count] = input.colours[i];
      output.flags[count] = input.flags[i];
      ++count;
    }
    if (keepI != survivesPlane(sj)) {
      if (count == WorkingPolygon::capacity) return ClipCulled;
      // All in float: the difference, the quotient, and each product and sum.
      const float t = si / (si - sj);
      const Vec3& a = input.vertices[i];
      const Vec3& b = input.vertices[j];
      const Vec3& ca = input.colours[i];
      const Vec3& cb = input.colours[j];
      output.vertices[count] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
      output.colours[count] = {ca.x + t * (cb.x - ca.x), ca.y + t * (cb.y - ca.y), ca.z + t * (cb.z - ca.z)};
      output.flags[count] = 1;
      ++count;
    }
    si = sj;
  }
  output.vertexCount = count;
  return count > 2 ? ClipVisible : ClipCulled;
}
