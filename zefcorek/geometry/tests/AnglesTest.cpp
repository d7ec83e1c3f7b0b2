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
  for (const auto& row : cases) EXPECT_EQ(aeClampTo2PI(row.a), row.expected) << row.a;

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
      {{0, -5}, kPi}, {{0, 5}, 0.0}, {{0, 0}, 0.0}, {{-1, 0}, 3 * kPi / 2}, {{1, 0}, kPi / 2}, {{1, 1}, kPi / 4},
  };
  for (const auto& row : cases)
    EXPECT_DOUBLE_EQ(aeCalcAzimutEx(&origin, &row.to), row.expected) << "to (" << row.to.x << ", " << row.to.y << ")";
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
    EXPECT_DOUBLE_EQ(aeCalcRightAngle(row.a, row.b, row.c), row.expected) << "c (" << row.c.x << ", " << row.c.y << ")";
}

}  // namespace

namespace {

TEST(AnglesTest, InvertingAndAveraging) {
  const struct {
    const char* name;
    double got, expected, tolerance;
  } cases[] = {
      {"invert azimuth across 2*pi", aeInvertAzimuthFB(0.5), 0.5 + kPi, 0.0},
      {"invert azimuth across 0", aeInvertAzimuthFB(kPi + 0.5), 0.5, 1e-15},
      {"invert zenith", aeInvertZenitFB(0.5), kTwoPi - 0.5, 0.0},
      {"invert zenith past 2*pi", aeInvertZenitFB(-0.5), 0.5, 1e-15},
      {"mean across north", aeAzimuthAvg(0.1, kTwoPi - 0.1), 0.0, 1e-15},
      {"plain mean", aeAzimuthAvg(1, 2), 1.5, 0.0},
      {"zenith mean", aeZenitAvg(1, 2), 1.5, 0.0},
      {"reverse reading", aeAzimuthAvgFB(0.5, 0.5 + kPi), 0.5, 1e-15},
      {"zenith reverse reading", aeZenitAvgFB(1.5, kTwoPi - 1.6), 1.55, 1e-15},
      // Readings exactly 3*pi/2 apart: aeAzimuthAvg takes the second across
      // north, aeAzimuthAvgFB does not.
      {"three quarters, plain", aeAzimuthAvg(0.0, 4.71238898038469), 5.497787143782138, 1e-15},
      {"three quarters, reverse", aeAzimuthAvgFB(0.0, aeClampTo2PI(4.71238898038469 - kPi)), 2.356194490192345, 1e-15},
      // A mean just inside the snap limit becomes 0; just outside it stays.
      {"snapped at 1e-8", aeAzimuthAvg(kTwoPi - 0.9e-8, kTwoPi - 0.9e-8), 0.0, 0.0},
      {"not snapped at 1e-8", aeAzimuthAvg(kTwoPi - 2e-8, kTwoPi - 2e-8), kTwoPi - 2e-8, 1e-15},
      {"not snapped at 1e-10", aeAzimuthAvgFB(kTwoPi - 0.9e-8, aeInvertAzimuthFB(kTwoPi - 0.9e-8)), kTwoPi - 0.9e-8,
       1e-15},
      {"snapped at 1e-10", aeAzimuthAvgFB(kTwoPi - 0.5e-10, kPi - 0.5e-10), 0.0, 0.0},
  };
  for (const auto& row : cases) EXPECT_NEAR(row.got, row.expected, row.tolerance) << row.name;
}

TEST(AnglesTest, AnglesAtAVertexAndOfATriangle) {
  EXPECT_DOUBLE_EQ(aeCalcLeftAngle({0, -1}, {0, 0}, {1, 0}), 3 * kPi / 2);
  const T_POINT2D from{1, 2}, to{-3, 5};
  EXPECT_EQ(aeCalcAzimut(from, to), aeCalcAzimutEx(&from, &to));

  const struct { T_POINT2D a, b, c; } triangles[] = {{{0, 0}, {1, 0}, {0, 1}}, {{0, 0}, {0, 1}, {1, 0}}};
  for (const auto& t : triangles) {
    double pa = 0, pb = 0, pc = 0;
    auCalcTrgAngles(t.a, t.b, t.c, &pa, &pb, &pc);
    EXPECT_DOUBLE_EQ(pa, kPi / 2);
    EXPECT_DOUBLE_EQ(pb, kPi / 4);
    EXPECT_DOUBLE_EQ(pc, kPi / 4);
  }
}

}  // namespace
