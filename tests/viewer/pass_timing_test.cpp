// The medians and worst pass that --fps and --timedemo print.
#include <gtest/gtest.h>

#include <memory>

#include "viewer/pass_timing.h"

TEST(PassTiming, MediansWorstAndTotals) {
  auto t = std::make_unique<PassTiming>();
  EXPECT_EQ(t->medianPassSeconds(), 0);
  for (double s : {0.5, 0.1, 0.3}) t->add(s, s / 10);
  EXPECT_DOUBLE_EQ(t->medianPassSeconds(), 0.3);
  EXPECT_DOUBLE_EQ(t->medianPresentSeconds(), 0.03);
  t->add(0.2, 0.02);
  EXPECT_DOUBLE_EQ(t->medianPassSeconds(), 0.25);  // even count: the mean of the middle two
  EXPECT_DOUBLE_EQ(t->worstPassSeconds(), 0.5);
  EXPECT_DOUBLE_EQ(t->totalPassSeconds(), 1.1);
  EXPECT_EQ(t->count(), 4);
  EXPECT_EQ(fpsLine(*t, 2.0), "2.0 fps, medians: pass 250.000 ms, present 25.000 ms, vsync wait 0.000 ms");
  t->add(0.2, 0.02, 0.016);
  EXPECT_DOUBLE_EQ(t->medianWaitSeconds(), 0);  // four of the five passes did not wait
  // Past the kept samples, passes still count towards the totals and the worst.
  t->clear();
  for (int i = 0; i < PassTiming::Capacity + 10; ++i) t->add(1e-3, 1e-4);
  t->add(9.0, 0);
  EXPECT_EQ(t->count(), PassTiming::Capacity + 11);
  EXPECT_DOUBLE_EQ(t->worstPassSeconds(), 9.0);
  EXPECT_DOUBLE_EQ(t->medianPassSeconds(), 1e-3);
}
