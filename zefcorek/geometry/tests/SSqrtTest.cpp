// The square root of a magnitude, in extended precision.
#include "zefcorek/SSqrt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(SSqrtTest, TakesTheRootOfTheMagnitude) {
  struct Case {
    double v;
    long double expected;
  };
  const Case cases[] = {
      {4.0, 2.0L},
      {-4.0, 2.0L},  // a sum of squares rounded below zero stays real
      {0.0, 0.0L},
      {-0.0, 0.0L},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<long double>::infinity()},
  };
  for (const Case& c : cases) EXPECT_EQ(SSqrt(c.v), c.expected) << "v = " << c.v;
}

TEST(SSqrtTest, KeepsExtendedPrecisionAndNaN) {
  // The root of 2 in extended precision differs from the double root widened.
  EXPECT_EQ(SSqrt(2.0), std::sqrt(2.0L));
  EXPECT_NE(SSqrt(2.0), static_cast<long double>(std::sqrt(2.0)));
  EXPECT_TRUE(std::isnan(SSqrt(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
