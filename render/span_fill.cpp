#include "render/span_fill.h"

#include <cmath>

#include "render/kept_frame.h"
#include "render/pass_observer.h"
#include "render/polygon_edges.h"

using namespace polygon_edges;

namespace {

// The polygon's rows on the frame, as the edge walk takes them; false when it paints
// nothing there.
inline bool rowsOnFrame(const ScreenPolygon& polygon, const Viewport& viewport, const FillTarget& target,
                        PolygonRows& rows) {
  const int32_t n = polygon.vertexCount;
  if (n < 3 || n > MaxWorkingVertices) return false;
  const ScreenPoint* points = polygon.points;

  // Top and bottom vertex; of equal extremes the first one wins.
  double smallestY = ScreenCoordinateLimit;
  double largestY = -ScreenCoordinateLimit;
  int32_t top = -1;
  int32_t bottom = -1;
  for (int32_t i = 0; i < n; ++i) {
    const double x = points[i].x;
    const double y = points[i].y;
    if (!(std::fabs(x) < ScreenCoordinateLimit) || !(std::fabs(y) < ScreenCoordinateLimit)) return false;
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
  if (yTop == yBottom) return false;

  // Only the rows the frame buffer has are traced and painted.
  const int32_t rowLimit = viewport.height < target.rowCount ? viewport.height : target.rowCount;
  const int32_t firstRow = yTop > 0 ? yTop : 0;
  const int32_t endRow = yBottom < rowLimit ? yBottom : rowLimit;
  if (firstRow >= endRow || viewport.width <= 0 || !target.spanRows || !viewport.rowOrigin) return false;
  rows = PolygonRows{points, n, top, bottom, firstRow, endRow};
  return true;
}

// Counts the rows the edge walk gives, and hands each to the observer that asks.
struct CountRows {
  FilledRows& counts;
  PassObserver* observer;
  void stretch(int32_t row, int32_t rows, EdgeStep& left, EdgeStep& right, int32_t width) const {
    paintStretch(*this, row, rows, left, right, width);
  }
  void operator()(int32_t row, int32_t left, int32_t right) const {
    ++counts.spans;
    counts.pixels += right - left;
    if (observer) observer->wallRow(row, left, right);
  }
};

}  // namespace

void fillPolygon(const ScreenPolygon& polygon, const Viewport& viewport, FillTarget& target) {
  PolygonRows rows;
  if (!rowsOnFrame(polygon, viewport, target, rows)) return;
  const uint8_t colour = uint8_t(polygon.colourIndex);
  if (target.kept && !target.kept->paintingDirectly) {
    keepPolygonRows(rows, viewport, target.spanRows, colour, *target.kept);
  } else {
    walkPolygonRows(rows.points, rows.n, rows.top, rows.bottom, rows.firstRow, rows.endRow, viewport.width,
                    target.spanRows, PaintSpans{viewport, colour});
  }
}

FilledRows traceFilledRows(const ScreenPolygon& polygon, const Viewport& viewport, FillTarget& target,
                           PassObserver* rowsTo) {
  FilledRows counts{0, 0, 0};
  PolygonRows rows;
  if (!rowsOnFrame(polygon, viewport, target, rows)) return counts;
  counts.rows = rows.endRow - rows.firstRow;
  walkPolygonRows(rows.points, rows.n, rows.top, rows.bottom, rows.firstRow, rows.endRow, viewport.width,
                  target.spanRows, CountRows{counts, rowsTo});
  return counts;
}
