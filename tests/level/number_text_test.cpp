// The level tool's one way of writing numbers.
#include <gtest/gtest.h>

#include "plan/number_text.h"

namespace {

TEST(NumberText, SignificantDigitsAndNoiseAroundZero) {
  EXPECT_EQ(numberText(0.001, 6), "0.001");
  EXPECT_EQ(numberText(1.0 / 3, 6), "0.333333");
  EXPECT_EQ(numberText(1.0 / 3, 4), "0.3333");
  EXPECT_EQ(numberText(-9.875, 3), "-9.88");
  EXPECT_EQ(numberText(4e18, 4), "4e+18");
  EXPECT_EQ(numberText(3e-7, 4), "3e-07");
  EXPECT_EQ(numberText(3e-7, 4, NearZero::AsZero), "0");
  EXPECT_EQ(numberText(4.9e-4, 3, NearZero::AsZero), "0");
  EXPECT_EQ(numberText(5e-4, 3, NearZero::AsZero), "0.0005");
  EXPECT_EQ(numberText(-0.0, 3, NearZero::AsZero), "0");
  EXPECT_EQ(numberText(-0.0, 3), "-0");
  EXPECT_EQ(pointText({5, 0, -1.5f}, 3), "(5, 0, -1.5)");
}

}  // namespace
