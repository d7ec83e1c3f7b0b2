// Circles and arcs from three points, their sweeps and their intersections.
#include "zefcorek/Arc3P2D.h"
#include "zefcorek/Circle2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

testing::AssertionResult pointNear(const T_POINT2D& p, double x, double y, double tol = 1e-12) {
  if (std::fabs(p.x - x) <= tol && std::fabs(p.y - y) <= tol) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "(" << p.x << ", " << p.y << "), wanted (" << x << ", " << y << ")";
}

TEST(Circle2DTest, FromCentreAndRadius) {
  const T_CIRCLE2D c(1, 2, 3);
  EXPECT_TRUE(c.valid);
  EXPECT_TRUE(pointNear(c.p1, -2, 2, 0));
  EXPECT_TRUE(pointNear(c.p2, 4, 2, 0));
  EXPECT_TRUE(pointNear(c.p3, 1, 5, 0));

  T_CIRCLE2D d;
  EXPECT_FALSE(d.valid);
  d.FromCR(-1, 0, 0.5);
  EXPECT_TRUE(d.valid);
  EXPECT_EQ(d.radius, 0.5L);
  EXPECT_TRUE(pointNear(d.p3, -1, 0.5, 0));
}

TEST(Circle2DTest, CentreAndRadiusFromThreePoints) {
  struct Case {
    const char* what;
    T_POINT2D pts[3];
    double cx, cy, r;
  };
  const Case cases[] = {
      {"triangle", {{0, 0}, {1, 0}, {0.5, 1}}, 0.5, 0.375, 0.625},
      {"first and third coincide", {{0, 0}, {2, 2}, {0, 0}}, 1, 1, std::sqrt(2.0)},
      {"back to the start along x", {{0, 0}, {2, 0}, {0, 0}}, 1, 0, 1},
      {"back to the start along y", {{0, 0}, {0, 2}, {0, 0}}, 0, 1, 1},
      {"second chord horizontal", {{0, 0}, {1, 1}, {-1, 1}}, 0, 1, 1},
      {"far from the origin", {{1e6 + 3, 2e6}, {1e6, 2e6 + 3}, {1e6 - 3, 2e6}}, 1e6, 2e6, 3},
      {"nearly horizontal first chord", {{0, 0}, {10, 5e-9}, {5, 5}}, 5, 0, 5},
  };
  for (const Case& c : cases) {
    const T_CIRCLE2D circle(c.pts);
    ASSERT_TRUE(circle.valid) << c.what;
    EXPECT_TRUE(pointNear(circle.center, c.cx, c.cy, 1e-9)) << c.what;
    EXPECT_NEAR(double(circle.radius), c.r, 1e-9) << c.what;
    // The three forms of building agree.
    T_CIRCLE2D byPointers(&c.pts[0], &c.pts[1], &c.pts[2]);
    T_CIRCLE2D byCoordinates(c.pts[0].x, c.pts[0].y, c.pts[1].x, c.pts[1].y, c.pts[2].x, c.pts[2].y);
    EXPECT_EQ(byPointers.radius, circle.radius) << c.what;
    EXPECT_EQ(byCoordinates.radius, circle.radius) << c.what;
  }
}

TEST(Circle2DTest, PointsWithoutACircleChangeNothing) {
  struct Case {
    const char* what;
    T_POINT2D pts[3];
  };
  const Case cases[] = {
      {"collinear along x", {{0, 0}, {1, 0}, {2, 0}}},
      {"collinear, slanted", {{0, 0}, {1, 1}, {2, 2}}},
      {"collinear, steep", {{0, 0}, {1, 3}, {-1, -3}}},
      {"collinear, nearly horizontal", {{0, 0}, {1, 1e-9}, {2, 2e-9}}},
      {"all in one place", {{4, 4}, {4, 4}, {4, 4}}},
  };
  for (const Case& c : cases) {
    const T_CIRCLE2D fresh(c.pts);
    EXPECT_FALSE(fresh.valid) << c.what;
    EXPECT_EQ(fresh.radius, 0.0L) << c.what;

    T_CIRCLE2D reused(7, 8, 9);
    reused.From3P(c.pts);
    EXPECT_FALSE(reused.valid) << c.what;
    EXPECT_EQ(reused.radius, 9.0L) << c.what;
    EXPECT_TRUE(pointNear(reused.center, 7, 8, 0)) << c.what;
  }
}

TEST(Arc3P2DTest, SweepFromThreePoints) {
  struct Case {
    const char* what;
    T_POINT2D pts[3];
    bool ccw;
    double start, end;
  };
  const Case cases[] = {
      {"upper half, counter-clockwise", {{1, 0}, {0, 1}, {-1, 0}}, true, 0, kPi},
      {"lower half, clockwise", {{1, 0}, {0, -1}, {-1, 0}}, false, kPi, kTwoPi},
      {"left half across the cut", {{0, 1}, {-1, 0}, {0, -1}}, true, kPi / 2, 3 * kPi / 2},
      {"right half, clockwise", {{0, 1}, {1, 0}, {0, -1}}, false, -kPi / 2, kPi / 2},
      {"closed arc", {{1, 0}, {0, 1}, {1, 0}}, true, 0, kTwoPi},
      {"nearly closed arc", {{1, 0}, {-1, 0}, {1, 0.00005}}, true, 0, kTwoPi},
      {"collinear: no arc", {{0, 0}, {1, 1}, {2, 2}}, true, 0, 0},
  };
  for (const Case& c : cases) {
    const T_ARC3P2D arc(c.pts);
    EXPECT_EQ(arc.ccw, c.ccw) << c.what;
    EXPECT_EQ(arc.Inverted(), !c.ccw) << c.what;
    EXPECT_NEAR(arc.startAngle, c.start, 1e-12) << c.what;
    EXPECT_NEAR(arc.endAngle, c.end, 1e-12) << c.what;

    T_ARC3P2D reused;
    reused.From3P(c.pts[0].x, c.pts[0].y, c.pts[1].x, c.pts[1].y, c.pts[2].x, c.pts[2].y);
    EXPECT_EQ(reused.ccw, c.ccw) << c.what;
    EXPECT_NEAR(reused.startAngle, c.start, 1e-12) << c.what;
    EXPECT_NEAR(reused.endAngle, c.end, 1e-12) << c.what;
  }

  const T_ARC3P2D none;
  EXPECT_FALSE(none.Inverted());
  EXPECT_EQ(none.startAngle, 0.0);
  EXPECT_EQ(none.endAngle, kTwoPi);

  T_ARC3P2D closed;
  const T_POINT2D loop[] = {{1, 0}, {0, 1}, {1, 0}};
  closed.From3P(&loop[0], &loop[1], &loop[2]);
  EXPECT_TRUE(pointNear(closed.center, 0.5, 0.5));
  EXPECT_NEAR(double(closed.radius), std::sqrt(0.5), 1e-15);
}

TEST(Circle2DTest, LineIntersections) {
  T_CIRCLE2D unit(0, 0, 1);
  struct Case {
    T_POINT2D a, b;
    int expected;
    T_POINT2D first, second;
  };
  const Case cases[] = {
      {{-2, 0}, {2, 0}, 2, {-1, 0}, {1, 0}}, {{2, 0}, {-2, 0}, 2, {1, 0}, {-1, 0}},  // the first met from a comes first
      {{-2, 1}, {2, 1}, 1, {0, 1}, {}},      {{-2, 2}, {2, 2}, 0, {}, {}},
      {{5, 5}, {5, 5}, 0, {}, {}},  // no line
  };
  for (const Case& c : cases) {
    T_POINT2D out[2] = {};
    EXPECT_EQ(unit.CalcLineIntersection(&c.a, &c.b, out), c.expected) << c.a.y;
    if (c.expected >= 1) {
      EXPECT_TRUE(pointNear(out[0], c.first.x, c.first.y)) << c.a.y;
    }
    if (c.expected == 2) {
      EXPECT_TRUE(pointNear(out[1], c.second.x, c.second.y)) << c.a.y;
    }
  }
  T_CIRCLE2D invalid;
  T_POINT2D out[2];
  const T_POINT2D a{-2, 0}, b{2, 0};
  EXPECT_EQ(invalid.CalcLineIntersection(&a, &b, out), 0);
}

TEST(Circle2DTest, CircleIntersections) {
  const double h = std::sqrt(0.75);
  struct Case {
    const char* what;
    T_CIRCLE2D other;
    int expected;
    T_POINT2D first, second;
  };
  const Case cases[] = {
      {"touching outside", T_CIRCLE2D(2, 0, 1), 2, {1, 0}, {1, 0}},
      {"crossing", T_CIRCLE2D(1, 0, 1), 3, {0.5, h}, {0.5, -h}},
      {"concentric", T_CIRCLE2D(0, 0, 3), 1, {}, {}},
      {"apart", T_CIRCLE2D(3, 0, 1), 0, {}, {}},
      {"inside", T_CIRCLE2D(0.2, 0, 0.5), 0, {}, {}},
      {"touching inside", T_CIRCLE2D(0.5, 0, 0.5), 2, {1, 0}, {1, 0}},
      {"not valid", T_CIRCLE2D(), 0, {}, {}},
  };
  for (const Case& c : cases) {
    T_CIRCLE2D unit(0, 0, 1);
    T_CIRCLE2D other = c.other;
    T_POINT2D out[2] = {};
    EXPECT_EQ(unit.CalcCircleIntersection(other, out), c.expected) << c.what;
    if (c.expected >= 2) {
      EXPECT_TRUE(pointNear(out[0], c.first.x, c.first.y)) << c.what;
      EXPECT_TRUE(pointNear(out[1], c.second.x, c.second.y)) << c.what;
    }
  }
}

TEST(Arc3P2DTest, IntersectionsAreNarrowedToTheArc) {
  const double h = std::sqrt(0.75);
  T_ARC3P2D upper(1, 0, 0, 1, -1, 0);
  T_POINT2D out[2] = {};

  // The line through the circle twice, once on the arc.
  const T_POINT2D down{0, -2}, up{0, 2};
  EXPECT_EQ(upper.CalcLineIntersection(&down, &up, out), 3);
  EXPECT_TRUE(pointNear(out[0], 0, 1));
  const T_POINT2D left{-2, 0.5}, right{2, 0.5};
  EXPECT_EQ(upper.CalcLineIntersection(&left, &right, out), 2);
  const T_POINT2D low1{-2, -0.5}, low2{2, -0.5};
  EXPECT_EQ(upper.CalcLineIntersection(&low1, &low2, out), 0);
  const T_POINT2D tan1{-2, -1}, tan2{2, -1};
  EXPECT_EQ(upper.CalcLineIntersection(&tan1, &tan2, out), 0);  // touches off the arc

  // Through the virtual operation, as callers holding a circle see it.
  T_CIRCLE2D& asCircle = upper;
  T_CIRCLE2D shifted(1, 0, 1);
  EXPECT_EQ(asCircle.CalcCircleIntersection(shifted, out), T_ARC3P2D::kOneOfTwoKept);
  EXPECT_TRUE(pointNear(out[0], 0.5, h));
  T_CIRCLE2D notValid;
  EXPECT_EQ(upper.CalcCircleIntersection(notValid, out), 0);
  T_CIRCLE2D concentric(0, 0, 2);
  EXPECT_EQ(upper.CalcCircleIntersection(concentric, out), 1);

  struct Case {
    const char* what;
    T_ARC3P2D other;
    int expected;
  };
  const Case cases[] = {
      {"other's upper half", T_ARC3P2D(0, 0, 1, 1, 2, 0), T_ARC3P2D::kOneOfTwoKept},
      {"other's lower half", T_ARC3P2D(0, 0, 1, -1, 2, 0), 0},
      {"other's full circle", T_ARC3P2D(2, 0, 0, 0, 2, 0), T_ARC3P2D::kOneOfTwoKept},
      {"other's left half", T_ARC3P2D(1, 1, 0, 0, 1, -1), T_ARC3P2D::kOneOfTwoKept},
      {"other's right half", T_ARC3P2D(1, 1, 2, 0, 1, -1), 0},
  };
  for (const Case& c : cases) {
    T_ARC3P2D other = c.other;
    EXPECT_EQ(upper.CalcArcIntersection(other, out), c.expected) << c.what;
    if (c.expected == T_ARC3P2D::kOneOfTwoKept) {
      EXPECT_TRUE(pointNear(out[0], 0.5, h)) << c.what;
    }
  }
  T_ARC3P2D bigUpper(2, 0, 0, 2, -2, 0), unitFull(1, 0, 0, 1, 1, 0);
  EXPECT_EQ(unitFull.CalcArcIntersection(bigUpper, out), 0);
}

}  // namespace
