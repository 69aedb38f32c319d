#include "render/clip.h"

#include <emmintrin.h>

#include <cstring>

namespace {

// A vertex survives unless classifyPoint would call it SideBehind; a distance that is
// not a number fails the comparison and counts as behind, as it does there.
inline bool survives(float distance) { return distance >= -SideEpsilon; }

// Writes signedDistance(plane, vertices[i]) for each of the n vertices to distance and
// says whether every one survives. Two vertices go through each double-precision
// operation of the scalar sum side by side, in the same order, so each distance is the
// same float.
bool allSurvive(const Vec3* vertices, int n, const Plane& plane, float* distance) {
  const __m128d nx = _mm_set1_pd(plane.normal.x), ny = _mm_set1_pd(plane.normal.y);
  const __m128d nz = _mm_set1_pd(plane.normal.z), d = _mm_set1_pd(plane.d);
  const __m128d limit = _mm_set1_pd(-SideEpsilon);
  __m128d all = _mm_castsi128_pd(_mm_set1_epi32(-1));
  int i = 0;
  for (; i + 2 <= n; i += 2) {
    const Vec3* v = vertices + i;
    const __m128d a = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v[0].x))));
    const __m128d b = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v[1].x))));
    const __m128d z = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(&v[0].z), _mm_load_ss(&v[1].z)));
    const __m128d x = _mm_unpacklo_pd(a, b), y = _mm_unpackhi_pd(a, b);
    const __m128d sum = _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, x), _mm_mul_pd(ny, y)), _mm_mul_pd(nz, z)), d);
    const __m128 rounded = _mm_cvtpd_ps(sum);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(distance + i), _mm_castps_si128(rounded));
    all = _mm_and_pd(all, _mm_cmpge_pd(_mm_cvtps_pd(rounded), limit));
  }
  bool result = _mm_movemask_pd(all) == 3;
  if (i < n) {
    distance[i] = signedDistance(plane, vertices[i]);
    result &= survives(distance[i]);
  }
  return result;
}

}  // namespace

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
    const bool keepI = survives(si);
    if (keepI) {
      // A convex polygon gains at most one vertex per plane; only a broken one can
      // outgrow the buffer, and it is dropped rather than truncated.
      if (count == WorkingPolygon::capacity) return ClipCulled;
      output.vertices[count] = input.vertices[i];
      output.colours[count] = input.colours[i];
      output.flags[count] = input.flags[i];
      ++count;
    }
    if (keepI != survives(sj)) {
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
