#include "zefcorek/Angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

TEST(AnglesTest, ClampTo2PI) {
  const struct {
    double a, expected;
  } cases[] = {
      {-0.5, kTwoPi - 0.5}, {kTwoPi, kTwoPi},  // the range is closed
      {7.0, 7.0 - kTwoPi},  {0.0, 0.0},
      {-kTwoPi, 0.0},       {3 * kTwoPi + 1.0, 3 * kTwoPi + 1.0 - kTwoPi - kTwoPi - kTwoPi},
  };
  for (const auto& row : cases)
    EXPECT_EQ(aeClampTo2PI(row.a), row.expected) << row.a;

  // Non-finite angles give NaN; huge ones are reduced, not stepped forever.
  EXPECT_TRUE(std::isnan(aeClampTo2PI(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(aeClampTo2PI(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(aeClampTo2PI(-std::numeric_limits<double>::infinity())));
  for (double huge : {1e300, -1e300, 1e7, -1e7}) {
    const double r = aeClampTo2PI(huge);
    EXPECT_GE(r, 0.0) << huge;
    EXPECT_LE(r, kTwoPi) << huge;
  }
}

TEST(AnglesTest, AzimuthsFromAnglesAndPoints) {
  EXPECT_EQ(aeAngle2Azimuth(0.0), kPi / 2);
  EXPECT_EQ(aeAngle2Azimuth(kPi / 2), 0.0);
  EXPECT_DOUBLE_EQ(aeAngle2Azimuth(kPi), 3 * kPi / 2);

  const T_POINT2D origin{0, 0};
  const struct {
    T_POINT2D to;
    double expected;
  } cases[] = {
      {{0, -5}, kPi}, {{0, 5}, 0.0},   {{0, 0}, 0.0},
      {{-1, 0}, 3 * kPi / 2}, {{1, 0}, kPi / 2}, {{1, 1}, kPi / 4},
  };
  for (const auto& row : cases)
    EXPECT_DOUBLE_EQ(aeCalcAzimutEx(&origin, &row.to), row.expected)
        << "to (" << row.to.x << ", " << row.to.y << ")";
}

TEST(AnglesTest, RightAngleAtAVertex) {
  const struct {
    T_POINT2D a, b, c;
    double expected;
  } cases[] = {
      {{0, -1}, {0, 0}, {1, 0}, kPi / 2},       // left turn: quarter on the right
      {{0, -1}, {0, 0}, {-1, 0}, 3 * kPi / 2},  // right turn
      {{0, -1}, {0, 0}, {0, 1}, kPi},           // straight on
      {{5, 5}, {6, 5}, {5, 5}, 0.0},            // back the same way
  };
  for (const auto& row : cases)
    EXPECT_DOUBLE_EQ(aeCalcRightAngle(row.a, row.b, row.c), row.expected)
        << "c (" << row.c.x << ", " << row.c.y << ")";
}

}  // namespace
