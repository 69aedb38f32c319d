#include <gtest/gtest.h>

#include "tools/replay/replay_options.h"

namespace {

TEST(ReplayOptions, CountsAreDigitsOnlyAndNeverWrap) {
  int64_t v = -1;
  EXPECT_TRUE(parseCount("0", 10, v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(parseCount("0010", 10, v));
  EXPECT_EQ(v, 10);
  EXPECT_TRUE(parseCount("9223372036854775807", INT64_MAX, v));
  EXPECT_EQ(v, INT64_MAX);
  v = 7;
  for (const char* text : {"", "11", "-1", "+1", " 1", "1 ", "1.0", "0x1", "1e3", "\xd9\xa1"}) {
    EXPECT_FALSE(parseCount(text, 10, v)) << text;
    EXPECT_EQ(v, 7) << text;  // untouched on refusal
  }
  for (const char* text : {"9223372036854775808", "18446744073709551615", "18446744073709551616",
                           "99999999999999999999", "-9223372036854775808"}) {
    EXPECT_FALSE(parseCount(text, INT64_MAX, v)) << text;
    EXPECT_EQ(v, 7) << text;
  }
}

TEST(ReplayOptions, RepeatIsACountFrom1) {
  int64_t runs = 0;
  std::string error;
  EXPECT_TRUE(parseRepeatOption("1", runs, error));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(parseRepeatOption("100000000", runs, error));
  EXPECT_EQ(runs, 100000000);
  for (const char* text : {"0", "", "-1", "100000001", "1x", "18446744073709551617"}) {
    EXPECT_FALSE(parseRepeatOption(text, runs, error)) << text;
    EXPECT_EQ(error, std::string("--repeat: '") + text + "' is not a count from 1 to 100000000");
  }
}

TEST(ReplayOptions, SizesFrom0To65535Only) {
  int32_t w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(parseSizeOption("320x240", w, h, error));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  ASSERT_TRUE(parseSizeOption("0x65535", w, h, error));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 65535);
  // Signs, blanks, values past the range and values that wrap 32 or 64 bits to a small one.
  for (const char* text :
       {"-4294967196x200", "4294967396x200", "18446744073709551936x200", " 320x240", "320x240 ", "+320x+240",
        "320 x240", "65536x1", "1x65536", "320x", "x240", "320", "320x240x1", "320X240", "-0x0", ""}) {
    w = h = 5;
    EXPECT_FALSE(parseSizeOption(text, w, h, error)) << text;
    EXPECT_EQ(error, std::string("--size: '") + text + "' is not WxH with W and H from 0 to 65535");
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 5);
  }
}

TEST(ReplayOptions, PassesUpToTheBoundOnly) {
  int64_t passes = 0;
  std::string error;
  ASSERT_TRUE(parsePassesOption("100000000", passes, error));
  EXPECT_EQ(passes, MaxReplayPasses);
  ASSERT_TRUE(parsePassesOption("0", passes, error));
  EXPECT_EQ(passes, 0);
  for (const char* text : {"100000001", "99999999999999999999", "9223372036854775808", "18446744073709551615", "-1",
                           "+5", " 5", "5 ", "1e6", ""}) {
    EXPECT_FALSE(parsePassesOption(text, passes, error)) << text;
    EXPECT_EQ(error, std::string("--passes: '") + text + "' is not a count from 0 to 100000000");
  }
}

TEST(ReplayOptions, ShotsNameAllNoneOrPassesOfTheRun) {
  ShotPlan plan;
  std::string error;
  ASSERT_TRUE(parseShotsOption("", 5, plan, error));
  EXPECT_EQ(plan.kind, ShotPlan::Last);
  ASSERT_TRUE(parseShotsOption("all", 5, plan, error));
  EXPECT_EQ(plan.kind, ShotPlan::All);
  ASSERT_TRUE(parseShotsOption("none", 0, plan, error));
  EXPECT_EQ(plan.kind, ShotPlan::None);
  ASSERT_TRUE(parseShotsOption("5,1,3,1", 5, plan, error)) << error;
  EXPECT_EQ(plan.kind, ShotPlan::Listed);
  EXPECT_EQ(plan.passes, (std::set<int64_t>{1, 3, 5}));

  const struct {
    const char* text;
    int64_t passes;
    const char* error;
  } refused[] = {
      {"0", 5, "--shots: '0' is not a pass number (1 or more), all or none"},
      {"1,,2", 5, "--shots: '' is not a pass number (1 or more), all or none"},
      {"1,", 5, "--shots: '' is not a pass number (1 or more), all or none"},
      {"-1", 5, "--shots: '-1' is not a pass number (1 or more), all or none"},
      {" 1", 5, "--shots: ' 1' is not a pass number (1 or more), all or none"},
      {"ALL", 5, "--shots: 'ALL' is not a pass number (1 or more), all or none"},
      {"1000000", 2, "--shots: pass 1000000 is beyond the last pass (--passes 2)"},
      {"1,6", 5, "--shots: pass 6 is beyond the last pass (--passes 5)"},
      {"1", 0, "--shots: pass 1 is beyond the last pass (--passes 0)"},
      {"99999999999999999999999", 5, "--shots: pass 99999999999999999999999 is beyond the last pass (--passes 5)"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(parseShotsOption(c.text, c.passes, plan, error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
