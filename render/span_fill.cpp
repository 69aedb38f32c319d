#include "render/span_fill.h"

#include <cmath>

#include "render/kept_frame.h"
#include "render/polygon_edges.h"

using namespace polygon_edges;

void fillPolygon(const ScreenPolygon& polygon, const Viewport& viewport, FillTarget& target) {
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
  const int32_t rowLimit = viewport.height < target.rowCount ? viewport.height : target.rowCount;
  const int32_t firstRow = yTop > 0 ? yTop : 0;
  const int32_t endRow = yBottom < rowLimit ? yBottom : rowLimit;
  if (firstRow >= endRow || viewport.width <= 0 || !target.spanRows || !viewport.rowOrigin) return;

  const uint8_t colour = uint8_t(polygon.colourIndex);
  const PolygonRows rows{points, n, top, bottom, firstRow, endRow};
  if (target.kept && !target.kept->paintingDirectly) {
    keepPolygonRows(rows, viewport, target.spanRows, colour, *target.kept);
  } else {
    walkPolygonRows(points, n, top, bottom, firstRow, endRow, viewport.width, target.spanRows,
                    PaintSpans{viewport, colour});
  }
}
