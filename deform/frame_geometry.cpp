#include "deform/frame_geometry.h"

#include <immintrin.h>

#include <cstring>

#include "deform/frame_geometry_avx512.h"

namespace deform {

namespace {

// The per-frame loops below compute exactly what transformPoint, faceNormal and facesEye
// compute, operation for operation in the same order and precision, only several values
// to a register: every lane of a vector operation rounds as the scalar one does.

// A region matrix as the doubles its float entries become: the x and y rows paired per
// column, the z row apart.
struct CarryMatrix {
  __m128d xy[4];
  double z[4];
};

CarryMatrix carryMatrix(const float m[16]) {
  CarryMatrix c;
  for (int column = 0; column < 4; ++column) {
    c.xy[column] = _mm_set_pd(m[4 * column + 1], m[4 * column]);
    c.z[column] = m[4 * column + 2];
  }
  return c;
}

inline void carry(const CarryMatrix& c, const Vec3& p, Vec3& out) {
  const double x = p.x, y = p.y, z = p.z;
  __m128d xy = _mm_add_pd(_mm_mul_pd(c.xy[0], _mm_set1_pd(x)), _mm_mul_pd(c.xy[1], _mm_set1_pd(y)));
  xy = _mm_add_pd(_mm_add_pd(xy, _mm_mul_pd(c.xy[2], _mm_set1_pd(z))), c.xy[3]);
  const __m128 xyf = _mm_cvtpd_ps(xy);
  _mm_storel_pi(reinterpret_cast<__m64*>(&out.x), xyf);
  out.z = float(c.z[0] * x + c.z[1] * y + c.z[2] * z + c.z[3]);
}

// Without AVX2, triangles are normalised in batches: first the cross products of all of
// them, then the lengths and quotients, two to a register.
constexpr int NormalBatch = 64;

struct CrossBatch {
  alignas(16) double x[NormalBatch];
  alignas(16) double y[NormalBatch];
  alignas(16) double z[NormalBatch];
};

// x and y of a point as two floats, from wherever the point lies in memory.
inline __m128 loadXY(const Vec3& p) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&p.x)));
}

// A point's x and y as doubles in one register.
inline __m128d pointXY(const Vec3& p) { return _mm_cvtps_pd(loadXY(p)); }

// faceNormal's cross product of (first - second) and (third - second).
inline void cross(const Vec3& first, const Vec3& second, const Vec3& third, CrossBatch& out, int k) {
  const __m128d sxy = pointXY(second);
  const __m128d d = _mm_sub_pd(pointXY(first), sxy);  // dx, dy
  const __m128d e = _mm_sub_pd(pointXY(third), sxy);  // ex, ey
  const double dz = double(first.z) - second.z;
  const double ez = double(third.z) - second.z;
  const __m128d dzs = _mm_set1_pd(dz), ezs = _mm_set1_pd(ez);
  // (dy * ez, dz * ex) - (dz * ey, dx * ez) = (nx, ny)
  const __m128d a = _mm_mul_pd(_mm_unpackhi_pd(d, dzs), _mm_unpacklo_pd(ezs, e));
  const __m128d b = _mm_mul_pd(_mm_unpacklo_pd(dzs, d), _mm_unpackhi_pd(e, ezs));
  const __m128d nxy = _mm_sub_pd(a, b);
  _mm_storel_pd(&out.x[k], nxy);
  _mm_storeh_pd(&out.y[k], nxy);
  // dx * ey - dy * ex
  const __m128d c = _mm_mul_pd(d, _mm_shuffle_pd(e, e, 1));
  out.z[k] = _mm_cvtsd_f64(_mm_sub_sd(c, _mm_unpackhi_pd(c, c)));
}

struct NormalBatchOut {
  alignas(16) float x[NormalBatch];
  alignas(16) float y[NormalBatch];
  alignas(16) float z[NormalBatch];
};

// length = sqrt(x * x + y * y + z * z); each component divided by it, rounded to float.
void normaliseSse2(const CrossBatch& n, NormalBatchOut& out, int count) {
  for (int k = 0; k < count; k += 2) {
    const __m128d x = _mm_load_pd(&n.x[k]), y = _mm_load_pd(&n.y[k]), z = _mm_load_pd(&n.z[k]);
    const __m128d length = _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.x[k]), _mm_cvtpd_ps(_mm_div_pd(x, length)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.y[k]), _mm_cvtpd_ps(_mm_div_pd(y, length)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.z[k]), _mm_cvtpd_ps(_mm_div_pd(z, length)));
  }
}

// With AVX2 a moved point is one register of doubles (x, y, z, 0); each coordinate is
// converted and broadcast straight from memory, which costs less than spreading it
// across the register after one load.
__attribute__((target("avx2"))) void moveMembersAvx2(Vec3* movedVertices, const Vec3* vertices,
                                                     const std::uint16_t* members, std::int32_t count,
                                                     const float m[16]) {
  __m256d column[4];
  for (int c = 0; c < 4; ++c) column[c] = _mm256_set_pd(0.0, m[4 * c + 2], m[4 * c + 1], m[4 * c]);
  for (std::int32_t e = count - 1; e >= 0; --e) {
    const Vec3& p = vertices[members[e]];
    const __m256d x = _mm256_set1_pd(p.x), y = _mm256_set1_pd(p.y), z = _mm256_set1_pd(p.z);
    const __m256d sum = _mm256_add_pd(_mm256_mul_pd(column[0], x), _mm256_mul_pd(column[1], y));
    const __m128 f = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_add_pd(sum, _mm256_mul_pd(column[2], z)), column[3]));
    Vec3& out = movedVertices[members[e]];
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.x), f);
    _mm_store_ss(&out.z, _mm_movehl_ps(f, f));
  }
}

__attribute__((target("avx2"))) void widenAvx2(WidePoint* wide, const Vec3* points, std::int32_t count) {
  // Sixteen bytes from a point reach into the next one; the last point is loaded with a mask.
  std::int32_t k = 0;
  for (; k + 1 < count; ++k) _mm256_storeu_pd(&wide[k].x, _mm256_cvtps_pd(_mm_loadu_ps(&points[k].x)));
  if (k < count) {
    _mm256_storeu_pd(&wide[k].x, _mm256_cvtps_pd(_mm_maskload_ps(&points[k].x, _mm_set_epi32(0, -1, -1, -1))));
  }
}

// NormalIsFiniteOrNaN: from float corners, a cross product component is 0 or at least
// 2^-350 and below 2^259 in size, so no square underflows or overflows a double and a
// normal component is finite or NaN, never infinite. A NaN makes the dot product NaN,
// which is not below 0, so for these normals facesEye is the dot product test alone.

// Four triangles, one to a lane: their first corners, cross products and lengths.
struct NormalGroup {
  __m256d firstX, firstY, firstZ;
  __m256d x, y, z, length;
};

// x, y and z of four wide points, one register each, the points in lane order.
__attribute__((target("avx2"), always_inline)) inline void pointColumns(const WidePoint* wide,
                                                                        const std::uint16_t* corner, __m256d& x,
                                                                        __m256d& y, __m256d& z) {
  const __m256d p0 = _mm256_loadu_pd(&wide[corner[0]].x), p1 = _mm256_loadu_pd(&wide[corner[3]].x);
  const __m256d p2 = _mm256_loadu_pd(&wide[corner[6]].x), p3 = _mm256_loadu_pd(&wide[corner[9]].x);
  const __m256d t0 = _mm256_unpacklo_pd(p0, p1), t1 = _mm256_unpackhi_pd(p0, p1);
  const __m256d t2 = _mm256_unpacklo_pd(p2, p3), t3 = _mm256_unpackhi_pd(p2, p3);
  x = _mm256_permute2f128_pd(t0, t2, 0x20);
  y = _mm256_permute2f128_pd(t1, t3, 0x20);
  z = _mm256_permute2f128_pd(t0, t2, 0x31);
}

// The triangles whose corners are listed from `corners` on: faceNormal's cross product
// of (first - second) and (third - second), and its length.
__attribute__((target("avx2"), always_inline)) inline void startGroup(const WidePoint* wide,
                                                                      const std::uint16_t* corners, NormalGroup& g) {
  __m256d sx, sy, sz, tx, ty, tz;
  pointColumns(wide, corners, g.firstX, g.firstY, g.firstZ);
  pointColumns(wide, corners + 1, sx, sy, sz);
  pointColumns(wide, corners + 2, tx, ty, tz);
  const __m256d dx = _mm256_sub_pd(g.firstX, sx), dy = _mm256_sub_pd(g.firstY, sy), dz = _mm256_sub_pd(g.firstZ, sz);
  const __m256d ex = _mm256_sub_pd(tx, sx), ey = _mm256_sub_pd(ty, sy), ez = _mm256_sub_pd(tz, sz);
  g.x = _mm256_sub_pd(_mm256_mul_pd(dy, ez), _mm256_mul_pd(dz, ey));
  g.y = _mm256_sub_pd(_mm256_mul_pd(dz, ex), _mm256_mul_pd(dx, ez));
  g.z = _mm256_sub_pd(_mm256_mul_pd(dx, ey), _mm256_mul_pd(dy, ex));
  g.length = _mm256_sqrt_pd(
      _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(g.x, g.x), _mm256_mul_pd(g.y, g.y)), _mm256_mul_pd(g.z, g.z)));
}

// Triangle t and the `count` - 1 after it (count 1 to 4); lanes past the last repeat it.
__attribute__((target("avx2"), always_inline)) inline void startGroup(const WidePoint* wide,
                                                                      const std::uint16_t* indices, std::int32_t t,
                                                                      int count, NormalGroup& g) {
  const std::uint16_t* corners = indices + 3 * t;
  std::uint16_t repeated[12];
  if (count < 4) {
    for (int lane = 0; lane < 4; ++lane) {
      for (int c = 0; c < 3; ++c) repeated[3 * lane + c] = corners[3 * (lane < count ? lane : count - 1) + c];
    }
    corners = repeated;
  }
  startGroup(wide, corners, g);
}

// Facing flags of four lanes as the four bytes that store them, for each 4-bit mask.
constexpr std::uint32_t FacingBytes[16] = {0x00000000u, 0x00000001u, 0x00000100u, 0x00000101u, 0x00010000u, 0x00010001u,
                                           0x00010100u, 0x00010101u, 0x01000000u, 0x01000001u, 0x01000100u, 0x01000101u,
                                           0x01010000u, 0x01010001u, 0x01010100u, 0x01010101u};

// The group's unit normals, written as twelve floats, and their four facing flags.
__attribute__((target("avx2"), always_inline)) inline void finishGroup(const NormalGroup& g, float* normals,
                                                                       std::uint8_t* facing) {
  const __m128 fx = _mm256_cvtpd_ps(_mm256_div_pd(g.x, g.length));
  const __m128 fy = _mm256_cvtpd_ps(_mm256_div_pd(g.y, g.length));
  const __m128 fz = _mm256_cvtpd_ps(_mm256_div_pd(g.z, g.length));

  // facesEye on the normals as stored, its finiteness test left out because it cannot
  // fail here alone: see NormalIsFiniteOrNaN.
  __m256d dot =
      _mm256_add_pd(_mm256_mul_pd(g.firstX, _mm256_cvtps_pd(fx)), _mm256_mul_pd(g.firstY, _mm256_cvtps_pd(fy)));
  dot = _mm256_add_pd(dot, _mm256_mul_pd(g.firstZ, _mm256_cvtps_pd(fz)));
  const int below = _mm256_movemask_pd(_mm256_cmp_pd(dot, _mm256_setzero_pd(), _CMP_LT_OQ));
  std::memcpy(facing, &FacingBytes[below], 4);

  // x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3
  const __m128 a = _mm_unpacklo_ps(fx, fy), b = _mm_unpackhi_ps(fx, fy);
  const __m128 out0 = _mm_shuffle_ps(a, _mm_shuffle_ps(fz, a, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 0, 1, 0));
  const __m128 out1 = _mm_shuffle_ps(_mm_shuffle_ps(a, fz, _MM_SHUFFLE(1, 1, 3, 3)), b, _MM_SHUFFLE(1, 0, 2, 0));
  const __m128 out2 = _mm_shuffle_ps(_mm_shuffle_ps(fz, b, _MM_SHUFFLE(2, 2, 2, 2)),
                                     _mm_shuffle_ps(b, fz, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(2, 0, 2, 0));
  _mm_storeu_ps(normals, out0);
  _mm_storeu_ps(normals + 4, out1);
  _mm_storeu_ps(normals + 8, out2);
}

// The square roots and divisions of a group take long and need few other instructions,
// so each group's are started before the next group's corners are gathered, and its
// results are stored after: the divider works while the rest of the processor prepares.
__attribute__((target("avx2"))) void normalsAvx2(Vec3* movedNormals, std::uint8_t* facing, const WidePoint* wide,
                                                 const std::uint16_t* indices, std::int32_t triangleCount) {
  if (triangleCount <= 0) return;
  NormalGroup next;
  startGroup(wide, indices, 0, triangleCount < 4 ? int(triangleCount) : 4, next);
  std::int32_t t = 0;
  for (; t + 4 < triangleCount; t += 4) {
    const NormalGroup group = next;
    const std::int32_t left = triangleCount - (t + 4);
    startGroup(wide, indices, t + 4, left < 4 ? int(left) : 4, next);
    finishGroup(group, &movedNormals[t].x, facing + t);
  }
  const int count = int(triangleCount - t);
  if (count == 4) {
    finishGroup(next, &movedNormals[t].x, facing + t);
    return;
  }
  float normals[12];
  std::uint8_t flags[4];
  finishGroup(next, normals, flags);
  std::memcpy(&movedNormals[t].x, normals, sizeof(Vec3) * std::size_t(count));
  std::memcpy(facing + t, flags, std::size_t(count));
}

// Every normal depends on its own triangle only, so batches may run in any order.
void normalsSse2(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices, const std::uint16_t* indices,
                 std::int32_t triangleCount) {
  CrossBatch products;
  NormalBatchOut normals;
  for (std::int32_t start = 0; start < triangleCount; start += NormalBatch) {
    const int count = triangleCount - start < NormalBatch ? int(triangleCount - start) : NormalBatch;
    for (int k = 0; k < count; ++k) {
      const std::uint16_t* corner = indices + 3 * (start + k);
      cross(movedVertices[corner[0]], movedVertices[corner[1]], movedVertices[corner[2]], products, k);
    }
    // Lanes past the end of a short batch are computed and not used.
    if (count % 2 != 0) products.x[count] = products.y[count] = products.z[count] = 1.0;
    normaliseSse2(products, normals, count);
    Vec3* out = movedNormals + start;
    for (int k = 0; k < count; ++k) {
      out[k] = Vec3{normals.x[k], normals.y[k], normals.z[k]};
      facing[start + k] = facesEye(movedVertices[indices[3 * (start + k)]], out[k]);
    }
  }
}

// The wider registers only where the processor has them.
const SimdPath WidestPath = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
      __builtin_cpu_supports("avx512bw")) {
    return SimdPath::Avx512;
  }
  return __builtin_cpu_supports("avx2") ? SimdPath::Avx2 : SimdPath::Sse2;
}();

SimdPath runnable(SimdPath path) { return path <= WidestPath ? path : WidestPath; }

}  // namespace

SimdPath widestSimdPath() { return WidestPath; }

Vec3 transformPoint(const float m[16], const Vec3& p) {
  const double x = p.x, y = p.y, z = p.z;
  return Vec3{float(m[0] * x + m[4] * y + m[8] * z + m[12]), float(m[1] * x + m[5] * y + m[9] * z + m[13]),
              float(m[2] * x + m[6] * y + m[10] * z + m[14])};
}

void moveVertices(Vec3* movedVertices, const Vec3* vertices, std::int32_t vertexCount,
                  std::uint16_t* const regionMembers[], const std::int32_t regionMemberCounts[],
                  const float regionMatrices[][16], std::int32_t regionCount, SimdPath path) {
  path = runnable(path);
  std::int32_t claimed = 0;
  for (std::int32_t r = 0; r < regionCount; ++r) claimed += regionMemberCounts[r];
  if (claimed < vertexCount) {
    // Each vertex is claimed at most once, so a short total means some were left over.
    for (std::int32_t k = 0; k < vertexCount; ++k) {
      movedVertices[k] = regionCount > 0 ? transformPoint(regionMatrices[regionCount / 2], vertices[k]) : vertices[k];
    }
  }
  for (std::int32_t r = regionCount - 1; r >= 0; --r) {
    moveRegionMembers(movedVertices, vertices, regionMembers[r], regionMemberCounts[r], regionMatrices[r], path);
  }
}

void moveRegionMembers(Vec3* movedVertices, const Vec3* vertices, const std::uint16_t* members, std::int32_t count,
                       const float matrix[16], SimdPath path) {
  path = runnable(path);
  if (path == SimdPath::Avx512) {
    moveMembersAvx512(movedVertices, vertices, members, count, matrix);
    return;
  }
  if (path == SimdPath::Avx2) {
    moveMembersAvx2(movedVertices, vertices, members, count, matrix);
    return;
  }
  const CarryMatrix m = carryMatrix(matrix);
  for (std::int32_t e = count - 1; e >= 0; --e) {
    const std::uint16_t k = members[e];
    carry(m, vertices[k], movedVertices[k]);
  }
}

void recomputeNormals(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices, std::int32_t vertexCount,
                      WidePoint* scratch, const std::uint16_t* indices, std::int32_t triangleCount, SimdPath path) {
  if (triangleCount <= 0) return;
  const TriangleSpan all{0, triangleCount};
  recomputeNormalSpans(movedNormals, facing, movedVertices, vertexCount, scratch, indices, &all, 1, path);
}

void recomputeNormalSpans(Vec3* movedNormals, std::uint8_t* facing, const Vec3* movedVertices, std::int32_t vertexCount,
                          WidePoint* scratch, const std::uint16_t* indices, const TriangleSpan* spans,
                          std::int32_t spanCount, SimdPath path) {
  path = runnable(path);
  if (path == SimdPath::Avx2 && spanCount > 0) widenAvx2(scratch, movedVertices, vertexCount);
  for (std::int32_t s = 0; s < spanCount; ++s) {
    const std::int32_t first = spans[s].first;
    const std::int32_t count = spans[s].end - first;
    if (count <= 0) continue;
    Vec3* const normals = movedNormals + first;
    std::uint8_t* const flags = facing + first;
    const std::uint16_t* const corners = indices + 3 * first;
    if (path == SimdPath::Avx512) {
      recomputeNormalsAvx512(normals, flags, movedVertices, corners, count);
    } else if (path == SimdPath::Avx2) {
      normalsAvx2(normals, flags, scratch, corners, count);
    } else {
      normalsSse2(normals, flags, movedVertices, corners, count);
    }
  }
}

}  // namespace deform
