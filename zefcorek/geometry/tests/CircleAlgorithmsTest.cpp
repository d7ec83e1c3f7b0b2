// The circle fit, the arc's measures, the tangents of two circles and the
// in-circle test.
#include "zefcorek/Arc3P2D.h"
#include "zefcorek/Circle2D.h"
#include "zefcorek/CircleTangents.h"
#include "zefcorek/InCircleTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

testing::AssertionResult pointNear(const T_POINT2D& p, double x, double y, double tol = 1e-9) {
  if (std::fabs(p.x - x) <= tol && std::fabs(p.y - y) <= tol) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "(" << p.x << ", " << p.y << "), wanted (" << x << ", " << y << ")";
}

long double signedDistance(const T_LINE2D& l, const T_POINT2D& p) { return l.a * p.x + l.b * p.y + l.c; }

// --- least-squares circle -------------------------------------------------

TEST(CircleFitTest, NoPointsLeavesTheCircle) {
  T_CIRCLE2D c(3, 4, 5);
  c.CalcFromPointsLeastSquares(0, nullptr);
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.center.x, 3);
  EXPECT_EQ(c.center.y, 4);
  EXPECT_EQ(c.radius, 5.0L);
}

TEST(CircleFitTest, PointsOfAnExactCircle) {
  std::vector<T_POINT2D> pts;
  for (int i = 0; i < 12; ++i)
    pts.push_back({-7 + 2.5 * std::cos(i * kTwoPi / 12), 11 + 2.5 * std::sin(i * kTwoPi / 12)});
  T_CIRCLE2D c;
  c.CalcFromPointsLeastSquares(unsigned(pts.size()), pts.data());
  ASSERT_TRUE(c.valid);
  EXPECT_TRUE(pointNear(c.center, -7, 11, 1e-9));
  EXPECT_NEAR(double(c.radius), 2.5, 1e-9);
  EXPECT_TRUE(pointNear(c.p3, -7, 13.5, 1e-9));  // the three points follow
}

TEST(CircleFitTest, RoundsRunningOutStillGiveACircle) {
  // Points on a short arc converge slowly: 100 rounds are not enough, and
  // the circle of the last round is still produced.
  std::vector<T_POINT2D> pts;
  for (int i = 0; i < 5; ++i) pts.push_back({1000 * std::cos(0.001 * i), 1000 * std::sin(0.001 * i)});
  T_CIRCLE2D c;
  c.CalcFromPointsLeastSquares(unsigned(pts.size()), pts.data());
  EXPECT_TRUE(c.valid);
  EXPECT_TRUE(std::isfinite(double(c.radius)));
  EXPECT_GT(c.radius, 0.0L);
  EXPECT_EQ(c.p2.x, double(c.center.x + c.radius));
}

TEST(CircleFitTest, NoisyPointsComeWithinTheNoise) {
  std::mt19937_64 rng(34);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 50; ++trial) {
    const double cx = (unit(rng) - 0.5) * 1000, cy = (unit(rng) - 0.5) * 1000;
    const double r = 1 + unit(rng) * 100, noise = r * 1e-3;
    std::vector<T_POINT2D> pts;
    for (int i = 0; i < 40; ++i) {
      const double a = unit(rng) * kTwoPi;
      const double rr = r + (unit(rng) - 0.5) * 2 * noise;
      pts.push_back({cx + rr * std::cos(a), cy + rr * std::sin(a)});
    }
    T_CIRCLE2D c;
    c.CalcFromPointsLeastSquares(unsigned(pts.size()), pts.data());
    ASSERT_TRUE(c.valid);
    EXPECT_TRUE(pointNear(c.center, cx, cy, noise)) << "trial " << trial;
    EXPECT_NEAR(double(c.radius), r, noise) << "trial " << trial;
  }
}

// --- arc measures ----------------------------------------------------------

TEST(ArcMeasuresTest, LengthAndAngles) {
  const T_ARC3P2D upper(2, 0, 0, 2, -2, 0);  // counter-clockwise, 0 .. pi
  EXPECT_NEAR(upper.CalcLength(), 2 * kPi, 1e-15);
  EXPECT_NEAR(upper.CalcPtOnArcAngle(), kPi / 2, 1e-15);
  const T_POINT2D left{-5, 0};
  EXPECT_NEAR(upper.CalcPtAngle(&left), kPi, 1e-15);

  const T_ARC3P2D lowerInverted(2, 0, 0, -2, -2, 0);  // clockwise: sweep pi .. 2pi
  ASSERT_TRUE(lowerInverted.Inverted());
  EXPECT_NEAR(lowerInverted.CalcLength(), 2 * kPi, 1e-15);

  const T_ARC3P2D full(1, 0, 0, 1, 1, 0);  // first = third: a full circle
  EXPECT_NEAR(full.CalcLength(), kTwoPi * std::sqrt(0.5), 1e-15);

  const T_ARC3P2D collinear(0, 0, 1, 0, 2, 0);  // no circle
  ASSERT_FALSE(collinear.valid);
  EXPECT_EQ(collinear.CalcLength(), 0.0);
  EXPECT_EQ(collinear.CalcPtOnArcAngle(), 0.0);
  EXPECT_EQ(collinear.CalcPtAngle(&left), 0.0);
  EXPECT_FALSE(collinear.IsPtOnArc(&left));
}

TEST(ArcMeasuresTest, PointOnArc) {
  const T_ARC3P2D upper(1, 0, 0, 1, -1, 0);     // ccw, 0 .. pi
  const T_ARC3P2D inverted(-1, 0, 0, 1, 1, 0);  // the same sweep given clockwise
  ASSERT_FALSE(upper.Inverted());
  ASSERT_TRUE(inverted.Inverted());
  struct Case {
    const char* what;
    T_POINT2D p;
    bool on;
  };
  const Case cases[] = {
      {"top", {0, 1}, true},
      {"0.0009 outside the circle", {0, 1.0009}, true},
      {"0.0011 outside the circle", {0, 1.0011}, false},
      {"0.0009 inside the circle", {0, 0.9991}, true},
      {"0.0011 inside the circle", {0, 0.9989}, false},
      {"start end", {1, 0}, true},
      {"far end", {-1, 0}, true},
      {"just past the start end", {std::cos(-1e-6), std::sin(-1e-6)}, false},
      {"just past the far end", {std::cos(kPi + 1e-6), std::sin(kPi + 1e-6)}, false},
      {"bottom", {0, -1}, false},
      {"centre", {0, 0}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(upper.IsPtOnArc(&c.p), c.on) << c.what;
    EXPECT_EQ(inverted.IsPtOnArc(&c.p), c.on) << c.what << " (inverted)";
  }
}

TEST(ArcMeasuresTest, PointsOfTheFilteredIntersectionsLieOnTheArc) {
  std::mt19937_64 rng(341);
  std::uniform_real_distribution<double> coord(-10.0, 10.0);
  int checked = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const T_ARC3P2D arc(coord(rng), coord(rng), coord(rng), coord(rng), coord(rng), coord(rng));
    if (!arc.valid || arc.radius > 1000) continue;
    const T_POINT2D a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    T_POINT2D out[2];
    T_ARC3P2D copy(arc);
    const int n = copy.CalcLineIntersection(&a, &b, out);
    const int kept = n == 2 ? 2 : (n == 1 || n == 3 ? 1 : 0);
    for (int i = 0; i < kept; ++i) {
      EXPECT_TRUE(arc.IsPtOnArc(&out[i])) << "trial " << trial << " point " << i;
      ++checked;
    }
  }
  EXPECT_GT(checked, 500);
}

// --- tangents of two circles ----------------------------------------------

TEST(CircleTangentsTest, TwoCirclesApart) {
  const T_POINT2D c1{0, 0}, c2{10, 0};
  T_TANGENT2D t[4];
  ASSERT_EQ(Calc2CircleTangents(&c1, 1, &c2, 1, t), 4);
  // Outer tangents: y = -1 on the right of c1 -> c2, then y = 1.
  EXPECT_EQ(t[0].kind, T_TANGENT2D::kOuter);
  EXPECT_TRUE(pointNear(t[0].pt1, 0, -1));
  EXPECT_TRUE(pointNear(t[0].pt2, 10, -1));
  EXPECT_EQ(t[1].kind, T_TANGENT2D::kOuter);
  EXPECT_TRUE(pointNear(t[1].pt1, 0, 1));
  EXPECT_TRUE(pointNear(t[1].pt2, 10, 1));
  // Inner tangents through the midpoint.
  for (int i = 2; i < 4; ++i) {
    EXPECT_EQ(t[i].kind, T_TANGENT2D::kInner) << i;
    EXPECT_NEAR(double(signedDistance(t[i].line, {5, 0})), 0, 1e-12) << i;
    EXPECT_NEAR(double(std::fabs(signedDistance(t[i].line, c1))), 1, 1e-12) << i;
  }
  EXPECT_NEAR(t[2].pt1.y, -t[3].pt1.y, 1e-12);
}

TEST(CircleTangentsTest, NestedOverlappingAndTinyCircles) {
  const T_POINT2D origin{0, 0}, c{3, 0};
  T_TANGENT2D t[4];
  EXPECT_EQ(Calc2CircleTangents(&origin, 1, &c, 5, t), kFirstCircleInside);
  for (const T_TANGENT2D& r : t) {
    EXPECT_EQ(r.kind, 0);
    EXPECT_EQ(r.line.a, 0.0L);
    EXPECT_TRUE(pointNear(r.pt1, 0, 0, 0));
  }
  EXPECT_EQ(Calc2CircleTangents(&c, 5, &origin, 1, t), kSecondCircleInside);
  EXPECT_EQ(Calc2CircleTangents(&origin, 2, &origin, 2, t), kFirstCircleInside);
  // Touching from inside counts as inside.
  EXPECT_EQ(Calc2CircleTangents(&origin, 2, &c, 5, t), kFirstCircleInside);

  // Overlapping circles: the outer tangents only, records 2 and 3 cleared,
  // with equal and with different radii.
  const T_POINT2D c2{1, 0};
  for (double r2 : {1.0, 1.5}) {
    ASSERT_EQ(Calc2CircleTangents(&origin, 1, &c2, r2, t), 2) << r2;
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(t[i].kind, T_TANGENT2D::kOuter) << r2;
      EXPECT_NEAR(double(std::fabs(signedDistance(t[i].line, origin))), 1, 1e-12) << r2;
      EXPECT_NEAR(double(std::fabs(signedDistance(t[i].line, c2))), r2, 1e-12) << r2;
    }
    EXPECT_LT(t[0].pt1.y, 0) << "right-hand tangent first, r2 " << r2;
    for (int i = 2; i < 4; ++i) {
      EXPECT_EQ(t[i].kind, 0);
      EXPECT_EQ(t[i].line.c, 0.0L);
    }
  }

  // A radius of 0 is a circle of 1e-5; a negative radius its magnitude.
  ASSERT_EQ(Calc2CircleTangents(&origin, 0, &c, -1, t), 4);
  EXPECT_NEAR(double(std::fabs(signedDistance(t[0].line, origin))), 1e-5, 1e-12);
  EXPECT_NEAR(double(std::fabs(signedDistance(t[0].line, c))), 1, 1e-12);
}

TEST(CircleTangentsTest, CirclesTouchingFromOutside) {
  const T_POINT2D c1{0, 0}, c2{3, 0};
  T_TANGENT2D t[4];
  ASSERT_EQ(Calc2CircleTangents(&c1, 1, &c2, 2, t), 4);
  EXPECT_EQ(t[0].kind, T_TANGENT2D::kOuter);
  EXPECT_EQ(t[1].kind, T_TANGENT2D::kOuter);
  // Both inner records are the tangent at the touching point.
  for (int i = 2; i < 4; ++i) {
    EXPECT_EQ(t[i].kind, T_TANGENT2D::kInner) << i;
    EXPECT_TRUE(pointNear(t[i].pt1, 1, 0, 1e-6)) << i;
  }
}

TEST(CircleTangentsTest, EveryTangentTouchesBothCircles) {
  std::mt19937_64 rng(342);
  std::uniform_real_distribution<double> coord(-100.0, 100.0), radius(0.01, 30.0);
  int lines = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const T_POINT2D c1{coord(rng), coord(rng)}, c2{coord(rng), coord(rng)};
    const double r1 = radius(rng), r2 = trial % 7 == 0 ? r1 : radius(rng);
    T_TANGENT2D t[4];
    const int n = Calc2CircleTangents(&c1, r1, &c2, r2, t);
    if (n < 0) continue;
    ASSERT_TRUE(n == 2 || n == 4);
    for (int i = 0; i < n; ++i) {
      const T_TANGENT2D& r = t[i];
      ASSERT_EQ(r.kind, i < 2 ? T_TANGENT2D::kOuter : T_TANGENT2D::kInner) << trial;
      EXPECT_NEAR(double(r.line.a * r.line.a + r.line.b * r.line.b), 1, 1e-15);
      const double scale = std::fmax(1.0, std::fmax(r1, r2));
      EXPECT_NEAR(double(std::fabs(signedDistance(r.line, c1))), r1, 1e-9 * scale) << trial;
      EXPECT_NEAR(double(std::fabs(signedDistance(r.line, c2))), r2, 1e-9 * scale) << trial;
      ++lines;
    }
    // Record 0 lies on the right of c1 -> c2, record 1 on the left.
    T_LINE2D centres(c1, c2);
    EXPECT_EQ(centres.PointPos(t[0].pt1), -1) << trial;
    EXPECT_EQ(centres.PointPos(t[1].pt1), 1) << trial;
  }
  EXPECT_GT(lines, 6000);
}

// --- in-circle test --------------------------------------------------------

TEST(InCircleTestTest, InsideOnAndOutside) {
  const T_POINT2D a{0, 0}, b{1, 0}, c{0, 1};
  struct Case {
    T_POINT2D d;
    bool result;
  };
  const Case cases[] = {{{0.5, 0.5}, false}, {{2, 2}, true}, {{1, 1}, true}, {{0, 0}, true}};
  for (const Case& k : cases) EXPECT_EQ(InCircleTest(&a, &b, &c, &k.d), k.result) << k.d.x << ", " << k.d.y;
  // The point just inside the circle, where a rounded determinant can lose
  // the sign, is still found inside.
  const T_POINT2D nearOn{1, std::nextafter(1.0, 0.0)};
  EXPECT_FALSE(InCircleTest(&a, &b, &c, &nearOn));
}

}  // namespace
