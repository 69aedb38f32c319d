#include "render/span_fill.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double FixedOne = 65536.0;  // 16.16 fixed point
constexpr int64_t FixedRound = 0xffff;

inline int32_t ceilToRow(double y) { return int32_t(std::ceil(y)); }

// Writes one side of the rows firstRow .. endRow - 1 that the edge a -> b covers: the
// edge's x at each whole-number row, rounded up, carried from row to row in 16.16 fixed
// point. The arithmetic is 64-bit, so a vertex tens of thousands of pixels off screen
// cannot overflow it; where 32 bits suffice the result is the same. Rows the viewport
// does not show are skipped by advancing the accumulator in one step, which equals the
// additions it replaces.
inline void traceEdge(const ScreenPoint& a, const ScreenPoint& b, int32_t firstRow, int32_t endRow,
                      Span* table, int32_t Span::*side) {
  const int32_t ya = ceilToRow(a.y);
  const int32_t yb = ceilToRow(b.y);
  if (ya >= yb) return;
  const int32_t r0 = ya > firstRow ? ya : firstRow;
  const int32_t r1 = yb < endRow ? yb : endRow;
  if (r0 >= r1) return;
  const double slope = (b.x - a.x) / (b.y - a.y);
  const double x0 = slope * (double(ya) - a.y) + a.x;
  int64_t acc = int64_t(x0 * FixedOne) + FixedRound;
  // The step is only ever added when the edge spans two rows or more, and then its
  // height exceeds one pixel and the slope is bounded by the coordinate limit. An edge
  // of a single row may be nearly flat, with a slope too large to convert.
  const int64_t step = yb - ya > 1 ? int64_t(slope * FixedOne) : 0;
  acc += step * int64_t(r0 - ya);
  for (int32_t r = r0; r < r1; ++r) {
    table[r - firstRow].*side = int32_t(acc >> 16);
    acc += step;
  }
}

// Walks from vertex `from` to vertex `to`, stepping the index by `direction` with
// wrap-around, and traces each edge on the way.
inline void traceChain(const ScreenPoint* points, int32_t n, int32_t from, int32_t to,
                       int32_t direction, int32_t firstRow, int32_t endRow, Span* table,
                       int32_t Span::*side) {
  int32_t a = from;
  while (a != to) {
    int32_t b = a + direction;
    if (b < 0) b = n - 1;
    if (b == n) b = 0;
    traceEdge(points[a], points[b], firstRow, endRow, table, side);
    a = b;
  }
}

}  // namespace

void fillPolygon(const ScreenPolygon& polygon, const Viewport& viewport, SpanTable& spans) {
  const int32_t n = polygon.vertexCount;
  if (n < 3 || n > MaxWorkingVertices) return;
  const ScreenPoint* points = polygon.points;

  // Top and bottom vertex; of equal extremes the first one wins.
  double smallestY = ScreenCoordinateLimit;
  double largestY = -ScreenCoordinateLimit;
  int32_t top = -1;
  int32_t bottom = -1;
  for (int32_t i = 0; i < n; ++i) {
    const double x = points[i].x;
    const double y = points[i].y;
    if (!(std::fabs(x) < ScreenCoordinateLimit) || !(std::fabs(y) < ScreenCoordinateLimit)) return;
    if (y < smallestY) {
      smallestY = y;
      top = i;
    }
    if (y > largestY) {
      largestY = y;
      bottom = i;
    }
  }

  const int32_t yTop = ceilToRow(smallestY);
  const int32_t yBottom = ceilToRow(largestY);
  if (yTop == yBottom) return;

  // Only the rows the frame buffer has are traced and painted.
  const int32_t rowLimit = viewport.height < spans.capacity ? viewport.height : spans.capacity;
  const int32_t firstRow = yTop > 0 ? yTop : 0;
  const int32_t endRow = yBottom < rowLimit ? yBottom : rowLimit;
  if (firstRow >= endRow || viewport.width <= 0 || !spans.rows || !viewport.rowOrigin) return;

  // Entry k stands for row firstRow + k. Each chain runs from the top to the bottom
  // vertex and so covers every row between them: lower indices give the left side,
  // higher indices the right.
  Span* table = spans.rows;
  traceChain(points, n, top, bottom, -1, firstRow, endRow, table, &Span::left);
  traceChain(points, n, top, bottom, +1, firstRow, endRow, table, &Span::right);

  const int colour = int(uint8_t(polygon.colourIndex));
  const int32_t width = viewport.width;
  for (int32_t r = firstRow; r < endRow; ++r) {
    const Span& span = table[r - firstRow];
    const int32_t left = span.left > 0 ? span.left : 0;
    const int32_t right = span.right < width ? span.right : width;
    if (right > left) std::memset(pixelRow(viewport, r) + left, colour, size_t(right - left));
  }
}
