#pragma once
// The edge walk of the span fill: a polygon's left and right chains stepped down row by
// row in 16.16 fixed point. Shared by the fill that paints at once (span_fill.cpp) and
// the one that keeps stretches (kept_frame.cpp); each hands the rows to its own sink.
#include <cstdint>

#include "render/projection.h"
#include "render/row_fill.h"
#include "render/span_fill.h"

namespace polygon_edges {

// A polygon as the edge walk takes it: its screen points, its top and bottom vertex and
// the rows of the frame it covers.
struct PolygonRows {
  const ScreenPoint* points;
  int32_t n, top, bottom, firstRow, endRow;
};

// Each file that includes it gets its own copy, as if the walk were written in it, so the
// compiler inlines it as freely as a file's own helpers.
namespace {

constexpr double FixedOne = 65536.0;  // 16.16 fixed point
constexpr int64_t FixedRound = 0xffff;

// std::ceil for the coordinates the fill takes (|y| < ScreenCoordinateLimit), without
// the library's handling of the values it never meets.
inline int32_t ceilToRow(double y) {
  const int32_t truncated = int32_t(y);
  return truncated + (double(truncated) < y ? 1 : 0);
}

// One edge of a chain, from its first row on: the edge's x at each whole-number row,
// rounded up, carried from row to row in 16.16 fixed point. The arithmetic is 64-bit,
// so a vertex tens of thousands of pixels off screen cannot overflow it; where 32 bits
// suffice the result is the same. Rows the viewport does not show are skipped by
// advancing the accumulator in one step, which equals the additions it replaces.
struct EdgeStep {
  int64_t acc;
  int64_t step;
};

// The edge a -> b, whose rows ya .. yb - 1 (ya < yb) include `row`, set up at `row`.
inline EdgeStep edgeAt(const ScreenPoint& a, const ScreenPoint& b, int32_t ya, int32_t yb, int32_t row) {
  const double slope = (b.x - a.x) / (b.y - a.y);
  const double x0 = slope * (double(ya) - a.y) + a.x;
  EdgeStep e;
  e.acc = int64_t(x0 * FixedOne) + FixedRound;
  // The step is only ever added when the edge spans two rows or more, and then its
  // height exceeds one pixel and the slope is bounded by the coordinate limit. An edge
  // of a single row may be nearly flat, with a slope too large to convert.
  e.step = yb - ya > 1 ? int64_t(slope * FixedOne) : 0;
  e.acc += e.step * int64_t(row - ya);
  return e;
}

// Writes one side of the rows firstRow .. endRow - 1 that the edge a -> b covers.
inline void traceEdge(const ScreenPoint& a, const ScreenPoint& b, int32_t firstRow, int32_t endRow, Span* table,
                      int32_t Span::*side) {
  const int32_t ya = ceilToRow(a.y);
  const int32_t yb = ceilToRow(b.y);
  if (ya >= yb) return;
  const int32_t r0 = ya > firstRow ? ya : firstRow;
  const int32_t r1 = yb < endRow ? yb : endRow;
  if (r0 >= r1) return;
  EdgeStep e = edgeAt(a, b, ya, yb, r0);
  for (int32_t r = r0; r < r1; ++r) {
    table[r - firstRow].*side = int32_t(e.acc >> 16);
    e.acc += e.step;
  }
}

inline int32_t nextIndex(int32_t i, int32_t direction, int32_t n) {
  int32_t b = i + direction;
  if (b < 0) b = n - 1;
  if (b == n) b = 0;
  return b;
}

// Walks from vertex `from` to vertex `to`, stepping the index by `direction` with
// wrap-around, and traces each edge on the way.
inline void traceChain(const ScreenPoint* points, int32_t n, int32_t from, int32_t to, int32_t direction,
                       int32_t firstRow, int32_t endRow, Span* table, int32_t Span::*side) {
  for (int32_t a = from; a != to;) {
    const int32_t b = nextIndex(a, direction, n);
    traceEdge(points[a], points[b], firstRow, endRow, table, side);
    a = b;
  }
}

// Whether the rows of the chain's vertices never go back up: then its edges cover the
// rows from top to bottom one after the other, each row exactly once.
inline bool chainDescends(const int32_t* rowOf, int32_t n, int32_t from, int32_t to, int32_t direction) {
  for (int32_t a = from; a != to;) {
    const int32_t b = nextIndex(a, direction, n);
    if (rowOf[b] < rowOf[a]) return false;
    a = b;
  }
  return true;
}

// One side of a polygon walked down its chain of descending rows, one edge at a time.
class ChainWalker {
 public:
  ChainWalker(const ScreenPoint* points, const int32_t* rowOf, int32_t n, int32_t from, int32_t to, int32_t direction)
      : points_(points), rowOf_(rowOf), n_(n), at_(from), to_(to), direction_(direction) {}

  // Moves to the edge that covers `row`, set up at that row. False when the chain has
  // no such edge (the descending chains from top to bottom always have one).
  bool reach(int32_t row) {
    while (at_ != to_) {
      const int32_t b = nextIndex(at_, direction_, n_);
      const int32_t ya = rowOf_[at_], yb = rowOf_[b];
      const int32_t a = at_;
      at_ = b;
      if (ya <= row && row < yb) {
        edge_ = edgeAt(points_[a], points_[b], ya, yb, row);
        endRow_ = yb;
        return true;
      }
    }
    return false;
  }

  int32_t endRow() const { return endRow_; }
  // The edge at the current row; painting moves it on.
  EdgeStep& edge() { return edge_; }

 private:
  const ScreenPoint* points_;
  const int32_t* rowOf_;
  int32_t n_, at_, to_, direction_;
  EdgeStep edge_{0, 0};
  int32_t endRow_ = 0;
};

// The leftmost left column and the rightmost right column of `rows` rows between two
// edges. Along an edge x moves one way only, so the columns of its first and last row
// bound all the others.
struct ColumnBounds {
  int64_t leftMin, rightMax;
};
inline ColumnBounds columnBounds(const EdgeStep& left, const EdgeStep& right, int32_t rows) {
  const int64_t leftEnd = left.acc + left.step * (rows - 1);
  const int64_t rightEnd = right.acc + right.step * (rows - 1);
  return {(left.acc < leftEnd ? left.acc : leftEnd) >> 16, (right.acc > rightEnd ? right.acc : rightEnd) >> 16};
}

// Hands `rows` rows from `row` on between two edges to `out` and moves both edges past
// them. When the bounds lie on the frame no row needs clamping; and two vertical edges
// give the same span in every row.
template <class Rows>
inline void paintStretch(const Rows out, int32_t row, int32_t rows, EdgeStep& left, EdgeStep& right, int32_t width) {
  const auto [leftMin, rightMax] = columnBounds(left, right, rows);
  const int32_t end = row + rows;
  if (leftMin >= 0 && rightMax <= width) {
    if (left.step == 0 && right.step == 0) {
      const int32_t l = int32_t(left.acc >> 16), r = int32_t(right.acc >> 16);
      if (r > l) {
        for (; row < end; ++row) out(row, l, r);
      }
      return;
    }
    for (; row < end; ++row) {
      const int32_t l = int32_t(left.acc >> 16), r = int32_t(right.acc >> 16);
      left.acc += left.step;
      right.acc += right.step;
      if (r > l) out(row, l, r);
    }
    return;
  }
  for (; row < end; ++row) {
    int32_t l = int32_t(left.acc >> 16), r = int32_t(right.acc >> 16);
    left.acc += left.step;
    right.acc += right.step;
    l = l > 0 ? l : 0;
    r = r < width ? r : width;
    if (r > l) out(row, l, r);
  }
}

// The rows firstRow .. endRow - 1 of the polygon whose top and bottom vertex are given,
// each handed to `out` as the columns it covers on the frame: `out.stretch(row, rows,
// left, right, width)` takes the rows between two edges and moves the edges past them,
// `out(row, left, right)` one row.
template <class Rows>
void walkPolygonRows(const ScreenPoint* points, int32_t n, int32_t top, int32_t bottom, int32_t firstRow,
                     int32_t endRow, int32_t width, Span* table, const Rows out) {
  // Lower indices give the left side, higher indices the right; each chain runs from
  // the top to the bottom vertex and so covers every row between them.
  int32_t rowOf[MaxWorkingVertices];
  for (int32_t i = 0; i < n; ++i) rowOf[i] = ceilToRow(points[i].y);

  if (chainDescends(rowOf, n, top, bottom, -1) && chainDescends(rowOf, n, top, bottom, +1)) {
    // Each row lies on exactly one edge of either chain, so both sides are walked down
    // together and every row is painted as soon as its two ends are known.
    ChainWalker left(points, rowOf, n, top, bottom, -1);
    ChainWalker right(points, rowOf, n, top, bottom, +1);
    int32_t r = firstRow;
    if (!left.reach(r) || !right.reach(r)) return;
    for (;;) {
      const int32_t stop = left.endRow() < right.endRow() ? left.endRow() : right.endRow();
      const int32_t last = stop < endRow ? stop : endRow;
      out.stretch(r, last - r, left.edge(), right.edge(), width);
      r = last;
      if (r >= endRow) return;
      if (r >= left.endRow() && !left.reach(r)) return;
      if (r >= right.endRow() && !right.reach(r)) return;
    }
  }

  // A chain whose rows go back up somewhere (rounding on a nearly flat stretch): the
  // edges are traced in chain order into the span table, a later edge's rows replacing
  // an earlier one's, then painted.
  traceChain(points, n, top, bottom, -1, firstRow, endRow, table, &Span::left);
  traceChain(points, n, top, bottom, +1, firstRow, endRow, table, &Span::right);
  for (int32_t r = firstRow; r < endRow; ++r) {
    const Span& span = table[r - firstRow];
    const int32_t left = span.left > 0 ? span.left : 0;
    const int32_t right = span.right < width ? span.right : width;
    if (right > left) out(r, left, right);
  }
}

// Paints each row of a polygon into the frame as soon as the edge walk gives it.
struct PaintSpans {
  const Viewport& viewport;
  uint8_t colour;
  void stretch(int32_t row, int32_t rows, EdgeStep& left, EdgeStep& right, int32_t width) const {
    paintStretch(*this, row, rows, left, right, width);
  }
  void operator()(int32_t row, int32_t left, int32_t right) const {
    fillRow(pixelRow(viewport, row) + left, colour, size_t(right - left));
  }
};

}  // namespace
}  // namespace polygon_edges
