#pragma once
// allSurvive of render/clip_distances.h, two vertices at a time with SSE2 (that header
// picks it where the processor has SSE2).
#if defined(__SSE2__)
#include <emmintrin.h>

#include "geometry/polygon.h"

// Writes signedDistance(plane, vertices[i]) for each of the n vertices to distance and
// says whether every one survives. Two vertices go through each double-precision
// operation of the scalar sum side by side, in the same order, so each distance is the
// same float.
inline bool allSurviveSse2(const Vec3* vertices, int n, const Plane& plane, float* distance) {
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
    result &= distance[i] >= -SideEpsilon;
  }
  return result;
}

#endif
