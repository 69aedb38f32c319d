#include <gtest/gtest.h>

#include "render/span_fill.h"
#include "render_fixtures.h"

namespace {

using render_test::Frame;
using render_test::workingPolygon;

TEST(ProjectPolygon, PointsLandWhereTheStartViewportPutsThem) {
  Frame frame(320, 240);
  const WorkingPolygon in = workingPolygon({{1, 1, 2}, {0, 0, 7}, {-3, 2, 4}}, 11);
  ScreenPolygon out{};
  projectPolygon(in, frame.viewport, out);
  ASSERT_EQ(out.vertexCount, 3);
  EXPECT_EQ(out.colourIndex, 11);
  // Reversed: input vertex i becomes output point n - 1 - i.
  EXPECT_EQ(out.points[2].x, 219.5);
  EXPECT_EQ(out.points[2].y, 59.5);
  EXPECT_EQ(out.points[1].x, 159.5);  // the axis lands half a pixel off the centre
  EXPECT_EQ(out.points[1].y, 119.5);
  EXPECT_EQ(out.points[0].x, -3.0 * (1.0 / 4.0) * 120.0 + 159.5);
  EXPECT_EQ(out.points[0].y, 240.0 - (2.0 * (1.0 / 4.0) * 120.0 + 120.5));
}

TEST(ProjectPolygon, KeepsDoublePrecisionWithoutRoundingToPixels) {
  Frame frame(320, 240);
  const WorkingPolygon in = workingPolygon({{1, 0, 3}, {0, 1, 3}, {0, 0, 3}});
  ScreenPolygon out{};
  projectPolygon(in, frame.viewport, out);
  EXPECT_EQ(out.points[2].x, 1.0 * (1.0 / 3.0) * 120.0 + 159.5);
  EXPECT_EQ(out.points[1].y, 240.0 - (1.0 * (1.0 / 3.0) * 120.0 + 120.5));
}

TEST(ProjectPolygon, WallFacingTheEyeComesOutClockwiseOnScreen) {
  // Counter-clockwise as seen from the eye (x right, y up)...
  Frame frame(320, 240);
  const WorkingPolygon in = workingPolygon({{-1, -1, 5}, {1, -1, 5}, {1, 1, 5}, {-1, 1, 5}});
  ScreenPolygon out{};
  projectPolygon(in, frame.viewport, out);
  // ...so the signed area with y downwards is positive (clockwise) after the reversal.
  double twiceArea = 0;
  for (int i = 0; i < out.vertexCount; ++i) {
    const ScreenPoint& a = out.points[i];
    const ScreenPoint& b = out.points[(i + 1) % out.vertexCount];
    twiceArea += a.x * b.y - b.x * a.y;
  }
  EXPECT_GT(twiceArea, 0);
  fillPolygon(out, frame.viewport, frame.spans);
  EXPECT_EQ(frame.count(9), 48 * 48);
}

}  // namespace
