// Side tests against a directed line.
#include "zefcorek/PtOrientation.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PtOrientationTest, SignedDistanceFromTheDirectedLine) {
  struct Case {
    T_POINT2D a, b, q;
    double expected;
  };
  const Case cases[] = {
      {{0, 0}, {1, 0}, {5, 2}, 2.0},    // left
      {{0, 0}, {1, 0}, {5, -2}, -2.0},  // right
      {{1, 0}, {0, 0}, {5, 2}, -2.0},   // reversed direction
      {{0, 0}, {1, 0}, {-3, 0}, 0.0},   // on the line, beyond an end
      {{0, 0}, {3, 4}, {4, -3}, -5.0},
      {{2, 2}, {2, 2}, {5, 5}, -1.0},  // no line: reported as the right side
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(PtOrientation(&c.a, &c.b, &c.q), c.expected, 1e-15)
        << "q (" << c.q.x << ", " << c.q.y << ")";
    const int sign = c.expected < 0 ? -1 : (c.expected > 0 ? 1 : 0);
    EXPECT_EQ(PtOrientationSign(&c.a, &c.b, &c.q), sign);
    EXPECT_EQ(PtOrientationSign(&c.a, &c.b, &c.q, 2.0), c.expected < -2.0 ? -1 : 0);
  }
}

TEST(PtOrientationTest, SignWithAndWithoutDeadBand) {
  struct Case {
    double d;
    double tol;
    int plain;
    int banded;
  };
  const Case cases[] = {
      {0.0, 0.1, 0, 0},      {-0.0, 0.1, 0, 0},    {kNaN, 0.1, 0, 0},
      {0.05, 0.1, 1, 0},     {-0.05, 0.1, -1, 0},  {0.1, 0.1, 1, 0},  // the band is closed
      {-0.1, -0.1, -1, 0},   {0.2, -0.1, 1, 1},    {-0.2, -0.1, -1, -1},
      {1e-300, 0.0, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PtOrientationSign(c.d), c.plain) << c.d;
    EXPECT_EQ(PtOrientationSign(c.d, c.tol), c.banded) << c.d << " tol " << c.tol;
  }
}

}  // namespace
