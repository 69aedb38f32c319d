#include "deform/frame_geometry.h"

#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "deform/sphere_mesh.h"

namespace deform {

namespace {

// The per-frame loops below compute exactly what transformPoint and faceNormal compute,
// operation for operation in the same order and precision, only several values to a
// register: every lane of a vector operation rounds as the scalar one does.

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

// Triangles are normalised in batches: first the cross products of all of them, then
// the lengths and quotients, which run four (or two) to a register.
constexpr int NormalBatch = 64;

struct CrossBatch {
  alignas(32) double x[NormalBatch];
  alignas(32) double y[NormalBatch];
  alignas(32) double z[NormalBatch];
};

// Both corners' x and y as doubles in one register.
inline __m128d pointXY(const Vec3& p) {
  return _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(&p.x))));
}

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
    const __m128d length =
        _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.x[k]), _mm_cvtpd_ps(_mm_div_pd(x, length)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.y[k]), _mm_cvtpd_ps(_mm_div_pd(y, length)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.z[k]), _mm_cvtpd_ps(_mm_div_pd(z, length)));
  }
}

__attribute__((target("avx"))) void normaliseAvx(const CrossBatch& n, NormalBatchOut& out, int count) {
  for (int k = 0; k < count; k += 4) {
    const __m256d x = _mm256_load_pd(&n.x[k]), y = _mm256_load_pd(&n.y[k]), z = _mm256_load_pd(&n.z[k]);
    const __m256d length = _mm256_sqrt_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, x), _mm256_mul_pd(y, y)), _mm256_mul_pd(z, z)));
    _mm_store_ps(&out.x[k], _mm256_cvtpd_ps(_mm256_div_pd(x, length)));
    _mm_store_ps(&out.y[k], _mm256_cvtpd_ps(_mm256_div_pd(y, length)));
    _mm_store_ps(&out.z[k], _mm256_cvtpd_ps(_mm256_div_pd(z, length)));
  }
}

// The wider registers only where the processor has them.
const bool HasAvx = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") != 0;
}();

}  // namespace

Vec3 transformPoint(const float m[16], const Vec3& p) {
  const double x = p.x, y = p.y, z = p.z;
  return Vec3{float(m[0] * x + m[4] * y + m[8] * z + m[12]), float(m[1] * x + m[5] * y + m[9] * z + m[13]),
              float(m[2] * x + m[6] * y + m[10] * z + m[14])};
}

void moveVertices(Vec3* movedVertices, const Vec3* vertices, std::int32_t vertexCount,
                  std::uint16_t* const regionMembers[], const std::int32_t regionMemberCounts[],
                  const float regionMatrices[][16], std::int32_t regionCount) {
  std::int32_t claimed = 0;
  for (std::int32_t r = 0; r < regionCount; ++r) claimed += regionMemberCounts[r];
  if (claimed < vertexCount) {
    // Each vertex is claimed at most once, so a short total means some were left over.
    for (std::int32_t k = 0; k < vertexCount; ++k) {
      movedVertices[k] = regionCount > 0 ? transformPoint(regionMatrices[regionCount / 2], vertices[k]) : vertices[k];
    }
  }
  for (std::int32_t r = regionCount - 1; r >= 0; --r) {
    const CarryMatrix m = carryMatrix(regionMatrices[r]);
    const std::uint16_t* members = regionMembers[r];
    for (std::int32_t e = regionMemberCounts[r] - 1; e >= 0; --e) {
      const std::uint16_t k = members[e];
      carry(m, vertices[k], movedVertices[k]);
    }
  }
}

void recomputeNormals(Vec3* movedNormals, const Vec3* movedVertices, const std::uint16_t* indices,
                      std::int32_t triangleCount) {
  // Every normal depends on its own triangle only, so batches may run in any order.
  CrossBatch products;
  NormalBatchOut normals;
  for (std::int32_t start = 0; start < triangleCount; start += NormalBatch) {
    const int count = triangleCount - start < NormalBatch ? int(triangleCount - start) : NormalBatch;
    for (int k = 0; k < count; ++k) {
      const std::uint16_t* corner = indices + 3 * (start + k);
      cross(movedVertices[corner[0]], movedVertices[corner[1]], movedVertices[corner[2]], products, k);
    }
    // Lanes past the end of a short batch are computed and not used.
    for (int k = count; k < NormalBatch && k < ((count + 3) & ~3); ++k) {
      products.x[k] = products.y[k] = products.z[k] = 1.0;
    }
    if (HasAvx) {
      normaliseAvx(products, normals, count);
    } else {
      normaliseSse2(products, normals, count);
    }
    Vec3* out = movedNormals + start;
    for (int k = 0; k < count; ++k) out[k] = Vec3{normals.x[k], normals.y[k], normals.z[k]};
  }
}

bool facesEye(const Vec3& firstCorner, const Vec3& normal) {
  // A component whose exponent bits are all ones is an infinity or not a number.
  std::uint32_t bits[3];
  std::memcpy(bits, &normal, sizeof bits);
  constexpr std::uint32_t Exponent = 0x7f800000u;
  const bool finite = ((bits[0] & Exponent) != Exponent) & ((bits[1] & Exponent) != Exponent) &
                      ((bits[2] & Exponent) != Exponent);
  const double d = double(firstCorner.x) * normal.x + double(firstCorner.y) * normal.y + double(firstCorner.z) * normal.z;
  return finite & (d < 0.0);
}

}  // namespace deform
