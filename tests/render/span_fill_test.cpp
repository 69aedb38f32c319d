#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <utility>

#include "render/span_fill.h"
#include "render_fixtures.h"

namespace {

using render_test::Frame;
using render_test::screenPolygon;

using PixelRule = std::function<bool(int32_t x, int32_t y)>;

// Every pixel of the frame is painted with colour exactly where rule says so, and 0
// everywhere else.
void expectPainted(const Frame& frame, const PixelRule& rule, uint8_t colour = 9) {
  int mismatches = 0;
  for (int32_t y = 0; y < frame.height(); ++y) {
    for (int32_t x = 0; x < frame.width(); ++x) {
      const uint8_t want = rule(x, y) ? colour : 0;
      if (frame.at(x, y) != want && ++mismatches <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << int(frame.at(x, y)) << ", want " << int(want);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_TRUE(frame.guardIntact());
}

void fill(Frame& frame, const ScreenPolygon& polygon) { fillPolygon(polygon, frame.viewport, frame.spans); }

// The fill rule written out row by row for one polygon, without any clamping: the rows
// of each chain are numbered one after the other from the top row, and x is carried in
// 16.16 fixed point, in 64 bits, or in 32 bits with two's complement wrap-around.
class ReferenceFill {
 public:
  ReferenceFill(const ScreenPolygon& p, bool thirtyTwoBit = false) : thirtyTwoBit_(thirtyTwoBit) {
    const int n = p.vertexCount;
    double smallest = 999999.0, largest = -999999.0;
    int top = 0, bottom = 0;
    for (int i = 0; i < n; ++i) {
      if (p.points[i].y < smallest) smallest = p.points[i].y, top = i;
      if (p.points[i].y > largest) largest = p.points[i].y, bottom = i;
    }
    yTop_ = int64_t(std::ceil(smallest));
    const int64_t rows = int64_t(std::ceil(largest)) - yTop_;
    left_.assign(size_t(rows), 0);
    right_.assign(size_t(rows), 0);
    chain(p, top, bottom, -1, left_);
    chain(p, top, bottom, +1, right_);
  }

  bool painted(int64_t x, int64_t y) const {
    const int64_t k = y - yTop_;
    return k >= 0 && k < int64_t(left_.size()) && left_[size_t(k)] <= x && x < right_[size_t(k)];
  }

 private:
  void chain(const ScreenPolygon& p, int from, int to, int direction, std::vector<int64_t>& side) {
    size_t entry = 0;
    for (int a = from; a != to;) {
      const int b = (a + direction + p.vertexCount) % p.vertexCount;
      const ScreenPoint A = p.points[a], B = p.points[b];
      const int64_t ya = int64_t(std::ceil(A.y)), yb = int64_t(std::ceil(B.y));
      if (ya < yb) {
        const double slope = (B.x - A.x) / (B.y - A.y);
        const double x0 = slope * (double(ya) - A.y) + A.x;
        if (thirtyTwoBit_) {
          uint32_t acc = uint32_t(int32_t(x0 * 65536)) + 0xffffu;
          const uint32_t step = uint32_t(int32_t(slope * 65536));
          for (int64_t y = ya; y < yb; ++y, acc += step) side.at(entry++) = int32_t(acc) >> 16;
        } else {
          int64_t acc = int64_t(x0 * 65536) + 0xffff;
          const int64_t step = int64_t(slope * 65536);
          for (int64_t y = ya; y < yb; ++y, acc += step) side.at(entry++) = acc >> 16;
        }
      }
      a = b;
    }
  }

  bool thirtyTwoBit_;
  int64_t yTop_;
  std::vector<int64_t> left_, right_;
};

PixelRule referenceRule(const ScreenPolygon& p, bool thirtyTwoBit = false) {
  auto reference = std::make_shared<ReferenceFill>(p, thirtyTwoBit);
  return [reference](int32_t x, int32_t y) { return reference->painted(x, y); };
}

TEST(FillPolygon, TriangleWithApexAtTheTop) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{10, 5}, {20, 15}, {0, 15}}));
  expectPainted(frame, [](int32_t x, int32_t y) { return y >= 6 && y <= 14 && x >= 15 - y && x <= y + 4; });
}

TEST(FillPolygon, CounterClockwiseOrderPaintsNothing) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{10, 5}, {0, 15}, {20, 15}}));
  expectPainted(frame, [](int32_t, int32_t) { return false; });
}

TEST(FillPolygon, FractionalRectangleRoundsEveryEdgeUp) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{2.3, 1.2}, {7.7, 1.2}, {7.7, 3.9}, {2.3, 3.9}}));
  expectPainted(frame, [](int32_t x, int32_t y) { return y >= 2 && y <= 3 && x >= 3 && x <= 7; });
}

TEST(FillPolygon, ScreenPlaneBoundsLeaveTheOuterColumnsUnpainted) {
  for (const auto& size : {std::pair<int32_t, int32_t>{320, 240}, {100, 75}, {64, 7}}) {
    const int32_t w = size.first, h = size.second;
    Frame frame(w, h);
    fill(frame, screenPolygon({{0.5, -0.5}, {w - 1.0, -0.5}, {w - 1.0, h - 0.5}, {0.5, h - 0.5}}));
    expectPainted(frame, [w](int32_t x, int32_t) { return x >= 1 && x <= w - 2; });
  }
}

TEST(FillPolygon, PolygonWithinOneRowPaintsNothing) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{1, 10.2}, {20, 10.5}, {25, 10.9}, {3, 10.7}}));
  expectPainted(frame, [](int32_t, int32_t) { return false; });
}

TEST(FillPolygon, WholeNumberCoordinatesIncludeTopAndLeftExcludeBottomAndRight) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{4, 3}, {9, 3}, {9, 8}, {4, 8}}));
  expectPainted(frame, [](int32_t x, int32_t y) { return y >= 3 && y < 8 && x >= 4 && x < 9; });
}

TEST(FillPolygon, TiedTopAndBottomVerticesGiveTheSameShapeFromAnyStartingVertex) {
  // A trapezoid with a flat top and a flat bottom, listed from each of its corners in
  // turn: whichever of the tied points is found first, the same pixels are painted.
  const ScreenPoint corners[4] = {{3.5, 2}, {12.25, 2}, {16, 9.5}, {1, 9.5}};
  Frame first(32, 24);
  fill(first, screenPolygon({corners[0], corners[1], corners[2], corners[3]}));
  EXPECT_GT(first.count(9), 0);
  for (int start = 1; start < 4; ++start) {
    Frame frame(32, 24);
    fill(frame,
         screenPolygon({corners[start], corners[(start + 1) % 4], corners[(start + 2) % 4], corners[(start + 3) % 4]}));
    expectPainted(frame, [&first](int32_t x, int32_t y) { return first.at(x, y) == 9; });
  }
}

TEST(FillPolygon, SharedEdgePaintsEachPixelOnce) {
  Frame a(48, 40), b(48, 40);
  const ScreenPoint p{3.3, 2.7}, q{41.9, 11.2}, r{30.1, 37.6}, s{5.2, 28.4};
  fill(a, screenPolygon({p, q, r}));
  fill(b, screenPolygon({p, r, s}));
  int64_t both = 0, either = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) {
      both += a.at(x, y) && b.at(x, y);
      either += a.at(x, y) || b.at(x, y);
    }
  EXPECT_EQ(both, 0);
  Frame whole(48, 40);
  fill(whole, screenPolygon({p, q, r, s}));
  EXPECT_EQ(either, whole.count(9));
}

TEST(FillPolygon, WritesTheLowByteOfTheColourIndex) {
  Frame frame(16, 8);
  fill(frame, screenPolygon({{0, 0}, {16, 0}, {16, 8}, {0, 8}}, 0x1F3));
  EXPECT_EQ(frame.count(0xF3), 16 * 8);
}

TEST(FrameOrientation, BottomUpAndTopDownBuffersShowTheSameImage) {
  Frame topDown(64, 48, false), bottomUp(64, 48, true);
  const ScreenPolygon polygons[] = {
      screenPolygon({{10, 5}, {50, 12}, {30, 40}}, 3),
      screenPolygon({{-20, -10}, {5.5, -3}, {7.25, 60}, {-4, 70}}, 5),
      screenPolygon({{40.1, 30.2}, {90, 31}, {70, 80}}, 7),
  };
  for (const ScreenPolygon& p : polygons) {
    fill(topDown, p);
    fill(bottomUp, p);
  }
  EXPECT_GT(topDown.count(3), 0);
  EXPECT_GT(topDown.count(5), 0);
  EXPECT_GT(topDown.count(7), 0);
  int differences = 0;
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x) differences += topDown.at(x, y) != bottomUp.at(x, y);
  EXPECT_EQ(differences, 0);
  EXPECT_TRUE(topDown.guardIntact());
  EXPECT_TRUE(bottomUp.guardIntact());
}

TEST(FrameOrientation, BottomUpStoresRowZeroLast) {
  Frame frame(8, 4, true, 0);
  fill(frame, screenPolygon({{0, 0}, {8, 0}, {8, 1}, {0, 1}}));
  // Row 0 at the top is the last row in memory.
  EXPECT_EQ(frame.viewport.pitch, -8);
  EXPECT_EQ(frame.viewport.rowOrigin[0], 9);
  EXPECT_EQ(frame.viewport.rowOrigin[-8], 0);
}

TEST(FillClamping, PolygonFarOffScreenWritesNothing) {
  Frame frame(64, 48);
  fill(frame, screenPolygon({{-5000, 10}, {-4000, 12}, {-4500, 30}}));
  fill(frame, screenPolygon({{5000, 10}, {6000, 12}, {5500, 30}}));
  fill(frame, screenPolygon({{10, -900}, {50, -800}, {30, -1}}));
  fill(frame, screenPolygon({{10, 48}, {50, 60}, {30, 5000}}));
  expectPainted(frame, [](int32_t, int32_t) { return false; });
}

TEST(FillClamping, HugePolygonFillsTheScreenAndNothingElse) {
  Frame frame(64, 48);
  fill(frame, screenPolygon({{-50000.3, -40000.7}, {60000.1, -30000.2}, {30000, 70000.6}, {-70000, 20000}}));
  expectPainted(frame, [](int32_t, int32_t) { return true; });
}

TEST(FillClamping, PartlyVisiblePolygonsMatchTheUnclampedRuleOnScreen) {
  const ScreenPolygon polygons[] = {
      screenPolygon({{-30.4, -20.6}, {50.2, 10.1}, {20.7, 70.3}}),
      screenPolygon({{-200000.5, 5.3}, {70.5, -3.2}, {40.25, 45.75}}),
      screenPolygon({{31.5, -300000.25}, {400000.5, 47.5}, {10.5, 47.9}}),
      screenPolygon({{0.5, -0.5}, {63.0, -0.5}, {63.0, 47.5}, {0.5, 47.5}}),
      screenPolygon({{-1.7, -2.2}, {66.1, 12.4}, {65.3, 49.9}, {-3.3, 51.1}}),
  };
  for (const ScreenPolygon& p : polygons) {
    Frame frame(64, 48);
    fill(frame, p);
    expectPainted(frame, referenceRule(p));
  }
}

TEST(FillClamping, RandomPolygonsAroundTheScreenMatchTheUnclampedRule) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> coordinate(-3000.0, 3000.0);
  std::uniform_real_distribution<double> near(-40.0, 110.0);
  for (int trial = 0; trial < 400; ++trial) {
    auto& pick = trial % 2 ? coordinate : near;
    const ScreenPolygon p =
        screenPolygon({{pick(random), pick(random)}, {pick(random), pick(random)}, {pick(random), pick(random)}});
    Frame frame(64, 48);
    fill(frame, p);
    expectPainted(frame, referenceRule(p));
    if (HasFailure()) break;
  }
}

TEST(FillArithmetic, SixtyFourBitsEqualTheThirtyTwoBitRuleWhereThatFits) {
  // x up to 30000: x * 65536 still fits in 32 bits.
  const ScreenPolygon polygons[] = {
      screenPolygon({{29000.3, 0.2}, {30000.7, 3.5}, {29500.1, 7.9}}),
      screenPolygon({{12.75, 0.5}, {29999.9, 6.25}, {8.125, 7.75}}),
      screenPolygon({{15000.33, -0.7}, {15003.1, 8.6}, {14990.2, 8.1}}),
  };
  for (const ScreenPolygon& p : polygons) {
    Frame frame(30720, 8, false, 1);
    fill(frame, p);
    EXPECT_GT(frame.count(9), 0);
    expectPainted(frame, referenceRule(p, true));
  }
}

TEST(FillArithmetic, EdgesBeyondThirtyTwoBitsStillLandOnTheirColumns) {
  // 40000 * 65536 does not fit in 32 bits.
  Frame frame(40960, 6, false, 1);
  fill(frame, screenPolygon({{39990.5, 0.5}, {40010.5, 0.5}, {40010.5, 4.5}, {39990.5, 4.5}}));
  expectPainted(frame, [](int32_t x, int32_t y) { return y >= 1 && y <= 4 && x >= 39991 && x <= 40010; });
}

TEST(FillArithmetic, NearlyFlatEdgeOfOneRowDoesNotOverflow) {
  // The left edge crosses one row boundary over 2e-9 pixels: its slope is enormous.
  Frame frame(32, 8);
  fill(frame, screenPolygon({{2, 0.999999999}, {20, 1.000000001}, {20, 5}, {-900000, 1.000000001}}));
  EXPECT_TRUE(frame.guardIntact());
  EXPECT_EQ(frame.at(10, 3), 9);
}

TEST(FillLimits, NonFiniteOrFarPointsPaintNothing) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ScreenPolygon polygons[] = {
      screenPolygon({{0, 0}, {20, 0}, {20, inf}}),
      screenPolygon({{0, 0}, {nan, 0}, {20, 10}}),
      screenPolygon({{0, 0}, {999999, 0}, {20, 10}}),
      screenPolygon({{0, -999999}, {20, 0}, {20, 10}}),
  };
  for (const ScreenPolygon& p : polygons) {
    Frame frame(32, 24);
    fill(frame, p);
    expectPainted(frame, [](int32_t, int32_t) { return false; });
  }
}

TEST(FillLimits, PointsJustInsideTheLimitStillPaint) {
  Frame frame(32, 24);
  fill(frame, screenPolygon({{0, 0}, {999998.5, 0}, {20, 10}}));
  EXPECT_GT(frame.count(9), 0);
  EXPECT_TRUE(frame.guardIntact());
}

}  // namespace
