#include "deform/frame_geometry_avx512.h"

// GCC 12's AVX-512 intrinsics start from a register they leave undefined on purpose, and
// warn about it wherever they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

// As in frame_geometry.cpp: the operations of transformPoint, faceNormal and facesEye in
// their order and precision, eight doubles to a register. Two points share a register,
// (x, y, z, 0) in each half, so the cross product and the matrix columns work per half.
#define DEFORM_AVX512 __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw")))

namespace deform {

namespace {

// (p.x, p.y, p.z, 0, q.x, q.y, q.z, 0) as doubles. The masked loads read no byte past
// a point, so the last vertex of an array is loaded safely.
DEFORM_AVX512 inline __m512d twoPoints(const Vec3& p, const Vec3& q) {
  const __m128 a = _mm_maskz_loadu_ps(0x7, &p.x), b = _mm_maskz_loadu_ps(0x7, &q.x);
  return _mm512_cvtps_pd(_mm256_insertf128_ps(_mm256_castps128_ps256(a), b, 1));
}

DEFORM_AVX512 inline void carryTwo(const __m512d column[4], const Vec3* vertices, std::uint16_t j, std::uint16_t k,
                                   Vec3* movedVertices) {
  const __m512d p = twoPoints(vertices[j], vertices[k]);
  const __m512d x = _mm512_permutex_pd(p, 0x00), y = _mm512_permutex_pd(p, 0x55), z = _mm512_permutex_pd(p, 0xAA);
  const __m512d sum = _mm512_add_pd(_mm512_mul_pd(column[0], x), _mm512_mul_pd(column[1], y));
  const __m256 f = _mm512_cvtpd_ps(_mm512_add_pd(_mm512_add_pd(sum, _mm512_mul_pd(column[2], z)), column[3]));
  _mm_mask_storeu_ps(&movedVertices[j].x, 0x7, _mm256_castps256_ps128(f));
  _mm_mask_storeu_ps(&movedVertices[k].x, 0x7, _mm256_extractf128_ps(f, 1));
}

// Lanes 0, 1 and 2 of the eight points held two to a register in p, one register per
// lane, points in order.
DEFORM_AVX512 inline void columns(const __m512d p[4], __m512d& c0, __m512d& c1, __m512d& c2) {
  const __m512i lanes01 = _mm512_setr_epi64(0, 4, 8, 12, 1, 5, 9, 13);
  const __m512i lane2 = _mm512_setr_epi64(2, 6, 10, 14, 2, 6, 10, 14);
  const __m512i lowHalves = _mm512_setr_epi64(0, 1, 2, 3, 8, 9, 10, 11);
  const __m512i highHalves = _mm512_setr_epi64(4, 5, 6, 7, 12, 13, 14, 15);
  const __m512d a = _mm512_permutex2var_pd(p[0], lanes01, p[1]);
  const __m512d b = _mm512_permutex2var_pd(p[2], lanes01, p[3]);
  c0 = _mm512_permutex2var_pd(a, lowHalves, b);
  c1 = _mm512_permutex2var_pd(a, highHalves, b);
  c2 = _mm512_permutex2var_pd(_mm512_permutex2var_pd(p[0], lane2, p[1]), lowHalves,
                              _mm512_permutex2var_pd(p[2], lane2, p[3]));
}

// Triangles t and u: their first corners, and their cross products rotated to
// (nz, nx, ny, 0) = d * e.yzx - d.yzx * e.
DEFORM_AVX512 inline void twoTriangles(const Vec3* vertices, const std::uint16_t* indices, std::int32_t t,
                                       std::int32_t u, __m512d& first, __m512d& cross) {
  const std::uint16_t* a = indices + 3 * t;
  const std::uint16_t* b = indices + 3 * u;
  first = twoPoints(vertices[a[0]], vertices[b[0]]);
  const __m512d s = twoPoints(vertices[a[1]], vertices[b[1]]);
  const __m512d d = _mm512_sub_pd(first, s);
  const __m512d e = _mm512_sub_pd(twoPoints(vertices[a[2]], vertices[b[2]]), s);
  constexpr int Yzx = _MM_SHUFFLE(3, 0, 2, 1);
  cross = _mm512_sub_pd(_mm512_mul_pd(d, _mm512_permutex_pd(e, Yzx)), _mm512_mul_pd(_mm512_permutex_pd(d, Yzx), e));
}

// Triangles t to t + count - 1 (count 1 to 8) to normals and facing flags; lanes past
// the last triangle repeat it and are not stored.
DEFORM_AVX512 inline void eightTriangles(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices,
                                         const std::uint16_t* indices, std::int32_t t, int count) {
  __m512d first[4], cross[4];
  for (int i = 0; i < 4; ++i) {
    const int a = 2 * i < count ? 2 * i : count - 1, b = 2 * i + 1 < count ? 2 * i + 1 : count - 1;
    twoTriangles(movedVertices, indices, t + a, t + b, first[i], cross[i]);
  }
  __m512d x, y, z;
  columns(cross, z, x, y);
  const __m512d length =
      _mm512_sqrt_pd(_mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(x, x), _mm512_mul_pd(y, y)), _mm512_mul_pd(z, z)));
  const __m256 fx = _mm512_cvtpd_ps(_mm512_div_pd(x, length));
  const __m256 fy = _mm512_cvtpd_ps(_mm512_div_pd(y, length));
  const __m256 fz = _mm512_cvtpd_ps(_mm512_div_pd(z, length));

  // facesEye on the normals as stored, without its finiteness test: see
  // NormalIsFiniteOrNaN in frame_geometry.cpp.
  __m512d ax, ay, az;
  columns(first, ax, ay, az);
  __m512d dot = _mm512_add_pd(_mm512_mul_pd(ax, _mm512_cvtps_pd(fx)), _mm512_mul_pd(ay, _mm512_cvtps_pd(fy)));
  dot = _mm512_add_pd(dot, _mm512_mul_pd(az, _mm512_cvtps_pd(fz)));
  const __mmask8 below = _mm512_cmp_pd_mask(dot, _mm512_setzero_pd(), _CMP_LT_OQ);
  const __m128i flags = _mm_maskz_mov_epi8(below, _mm_set1_epi8(1));

  // x0 y0 z0 x1 ... x5 | y5 z5 x6 y6 z6 x7 y7 z7
  const __m512 xy = _mm512_insertf32x8(_mm512_castps256_ps512(fx), fy, 1);
  const __m512 zs = _mm512_castps256_ps512(fz);
  const __m512 out0 =
      _mm512_permutex2var_ps(xy, _mm512_setr_epi32(0, 8, 16, 1, 9, 17, 2, 10, 18, 3, 11, 19, 4, 12, 20, 5), zs);
  const __m256 out1 = _mm512_castps512_ps256(
      _mm512_permutex2var_ps(xy, _mm512_setr_epi32(13, 21, 6, 14, 22, 7, 15, 23, 0, 0, 0, 0, 0, 0, 0, 0), zs));
  float* out = &movedNormals[t].x;
  if (count == 8) {
    _mm512_storeu_ps(out, out0);
    _mm256_storeu_ps(out + 16, out1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(facing + t), flags);
    return;
  }
  const int floats = 3 * count;
  _mm512_mask_storeu_ps(out, __mmask16((1u << (floats < 16 ? floats : 16)) - 1), out0);
  _mm256_mask_storeu_ps(out + 16, __mmask8((1u << (floats > 16 ? floats - 16 : 0)) - 1), out1);
  _mm_mask_storeu_epi8(facing + t, __mmask16((1u << count) - 1), flags);
}

}  // namespace

DEFORM_AVX512 void moveMembersAvx512(Vec3* movedVertices, const Vec3* vertices, const std::uint16_t* members,
                                     std::int32_t count, const float m[16]) {
  __m512d column[4];
  for (int c = 0; c < 4; ++c) {
    column[c] = _mm512_broadcast_f64x4(_mm256_set_pd(0.0, m[4 * c + 2], m[4 * c + 1], m[4 * c]));
  }
  // Entries e and e - 1 together, written in that order; an odd one out is carried twice.
  std::int32_t e = count - 1;
  for (; e >= 1; e -= 2) carryTwo(column, vertices, members[e], members[e - 1], movedVertices);
  if (e == 0) carryTwo(column, vertices, members[0], members[0], movedVertices);
}

DEFORM_AVX512 void recomputeNormalsAvx512(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices,
                                          const std::uint16_t* indices, std::int32_t triangleCount) {
  std::int32_t t = 0;
  for (; t + 8 <= triangleCount; t += 8) eightTriangles(movedNormals, facing, movedVertices, indices, t, 8);
  if (t < triangleCount) eightTriangles(movedNormals, facing, movedVertices, indices, t, int(triangleCount - t));
}

}  // namespace deform
