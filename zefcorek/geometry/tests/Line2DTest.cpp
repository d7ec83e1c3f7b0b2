// The directed 2-D line: constructions, side tests, offsets along the line,
// intersections, projections and the least-squares fit.
#include "zefcorek/Line2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

const long double kHalfRoot2 = std::sqrt(0.5L);

testing::AssertionResult lineIs(const T_LINE2D& l, long double a, long double b, long double c) {
  const long double tol = 1e-15L;
  if (std::fabs(l.a - a) <= tol && std::fabs(l.b - b) <= tol && std::fabs(l.c - c) <= tol)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "line (" << double(l.a) << ", " << double(l.b) << ", " << double(l.c)
                                     << "), wanted (" << double(a) << ", " << double(b) << ", " << double(c) << ")";
}

TEST(Line2DTest, From2PNormalisesAndOrientsToTheLeft) {
  const T_LINE2D axis(T_POINT2D{0, 0}, T_POINT2D{1, 0});
  EXPECT_TRUE(lineIs(axis, 0, 1, 0));
  EXPECT_EQ(axis.PointPos(0, 1), 1);
  EXPECT_EQ(axis.PointPos(T_POINT2D{0, -1}), -1);
  EXPECT_EQ(axis.PointPos(7, 0), 0);

  // A 3-4-5 line: the value of a point is its signed distance.
  const T_LINE2D diagonal(0, 0, 3, 4);
  EXPECT_TRUE(lineIs(diagonal, -0.8L, 0.6L, 0));
  long double dist = 0;
  EXPECT_EQ(diagonal.PointPosEx(T_POINT2D{4, -3}, dist), -1);
  EXPECT_NEAR(double(dist), 5.0, 1e-15);

  // Coincident points make no line; every point then lies "on" it.
  T_LINE2D none = diagonal;
  EXPECT_FALSE(none.From2P(2, 2, 2, 2));
  EXPECT_TRUE(lineIs(none, 0, 0, 0));
  EXPECT_EQ(none.PointPos(5, -9), 0);
  EXPECT_EQ(none.PointPos(std::numeric_limits<double>::quiet_NaN(), 0), 0);
}

TEST(Line2DTest, Constructions) {
  const T_POINT2D o{0, 0}, e{2, 0};
  struct Case {
    const char* what;
    std::function<bool(T_LINE2D&)> build;
    bool result;
    long double a, b, c;
  };
  const Case cases[] = {
      {"sin/cos: x = 1 upwards",
       [](T_LINE2D& l) {
         return l.FromSinCos({1, 2}, 1, 0);
       },
       true, -1, 0, 1},
      {"tan 1 towards +x",
       [](T_LINE2D& l) {
         return l.FromTan({0, 1}, 1, true);
       },
       true, -kHalfRoot2, kHalfRoot2, -kHalfRoot2},
      {"tan 1 towards -x",
       [](T_LINE2D& l) {
         return l.FromTan({0, 1}, 1, false);
       },
       true, -kHalfRoot2, -kHalfRoot2, kHalfRoot2},
      {"cot 0 towards +y",
       [](T_LINE2D& l) {
         return l.FromCot({2, 0}, 0, true);
       },
       true, -1, 0, 2},
      {"cot 0 towards -y",
       [](T_LINE2D& l) {
         return l.FromCot({2, 0}, 0, false);
       },
       true, 1, 0, -2},
      {"bisector of a right angle",
       [](T_LINE2D& l) {
         return l.BisectorFrom3P({0, 0}, {1, 0}, {0, 1});
       },
       true, -kHalfRoot2, kHalfRoot2, 0},
      // Angles near pi and -pi average to 0: still the x axis, towards +x.
      {"bisector across the cut",
       [](T_LINE2D& l) {
         return l.BisectorFrom3P({0, 0}, {-1, 0.001}, {-1, -0.001});
       },
       true, 0, 1, 0},
      {"axis of a segment", [&](T_LINE2D& l) { return l.AxisFrom2P(o, e); }, true, -1, 0, 1},
      {"perpendicular in p1", [&](T_LINE2D& l) { return l.PerpendicularInP1From2P(o, e); }, true, -1, 0, 0},
      {"perpendicular in p2", [&](T_LINE2D& l) { return l.PerpendicularInP2From2P(o, e); }, true, -1, 0, 2},
      {"perpendicular through p3",
       [&](T_LINE2D& l) {
         return l.PerpendicularFrom3P(o, e, {5, 7});
       },
       true, -1, 0, 5},
      {"perpendicular at distance", [&](T_LINE2D& l) { return l.PerpendicularAtDistFrom2P(o, e, 3, nullptr); }, true,
       -1, 0, 3},
      {"axis of no segment", [&](T_LINE2D& l) { return l.AxisFrom2P(e, e); }, false, 0, 0, 0},
      {"perpendicular at distance on no segment",
       [&](T_LINE2D& l) { return l.PerpendicularAtDistFrom2P(o, o, 3, nullptr); }, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    T_LINE2D line;
    EXPECT_EQ(c.build(line), c.result) << c.what;
    EXPECT_TRUE(lineIs(line, c.a, c.b, c.c)) << c.what;
  }
}

TEST(Line2DTest, ShiftAndPerpendicularsInPlace) {
  T_LINE2D line(0, 0, 1, 0);
  EXPECT_TRUE(line.ShiftToPt({0, 5}));
  EXPECT_TRUE(lineIs(line, 0, -1, 5));
  EXPECT_EQ(line.PointPos(0, 6), -1);

  // The base line may be the line itself.
  T_LINE2D self(0, 0, 1, 0);
  T_POINT2D foot{};
  EXPECT_TRUE(self.PerpendicularAtDistFromPL({1, 1}, self, 2, &foot));
  EXPECT_EQ(foot.x, 3);
  EXPECT_EQ(foot.y, 1);
  EXPECT_TRUE(lineIs(self, -1, 0, 3));
}

TEST(Line2DTest, DeltaAlongTheLineRoundTrips) {
  struct Case {
    T_POINT2D p1, p2;
    long double d;
  };
  const Case cases[] = {
      {{0, 0}, {1, 0}, 2},      // |b| > |a|
      {{1, 1}, {1, 9}, -3.5L},  // |a| > |b|
      {{0, 0}, {1, 1}, 4},      // |a| = |b|: divides by b
      {{0, 0}, {-1, 1}, 0.25L},
  };
  for (const Case& c : cases) {
    const T_LINE2D line(c.p1, c.p2);
    T_POINT2D q{};
    EXPECT_TRUE(line.PtFromDelta(c.p1, c.d, q));
    long double back = 0;
    EXPECT_TRUE(line.DeltaFromPtsOnLine(c.p1, q, back));
    EXPECT_NEAR(double(back), double(c.d), 1e-15) << c.p2.x << " " << c.p2.y;
    EXPECT_EQ(line.PointPos(q), 0);
  }
  T_POINT2D q{};
  T_LINE2D(0, 0, 1, 0).PtFromDelta({0, 0}, 2, q);
  EXPECT_EQ(q.x, 2);
  EXPECT_EQ(q.y, 0);

  long double d = 7;
  EXPECT_FALSE(T_LINE2D().DeltaFromPtsOnLine({0, 0}, {1, 1}, d));
  EXPECT_EQ(d, 0);
}

TEST(Line2DTest, IntersectionCodes) {
  const T_LINE2D horizontal(0, 0, 1, 0);
  const T_POINT2D untouched{-99, -99};
  struct Case {
    const char* what;
    T_LINE2D other;
    T_POINT2D c1, c2;
    double tol;  // < 0: plain IntersectEx
    int expected;
    T_POINT2D point;
  };
  const Case cases[] = {
      {"crossing inside", T_LINE2D(1, -1, 1, 1), {0, -1}, {2, 1}, -1, 3, {1, 0}},
      {"crossing on the edge", T_LINE2D(2, -1, 2, 1), {0, -1}, {2, 1}, -1, 3, {2, 0}},
      {"crossing outside", T_LINE2D(3, -1, 3, 1), {2, 1}, {0, -1}, -1, 0, {3, 0}},
      {"crossing within tolerance", T_LINE2D(2.05, -1, 2.05, 1), {0, -1}, {2, 1}, 0.1, 3, {2.05, 0}},
      {"crossing beyond tolerance", T_LINE2D(2.5, -1, 2.5, 1), {0, -1}, {2, 1}, 0.1, 0, {2.5, 0}},
      {"parallel", T_LINE2D(0, 1, 1, 1), {0, -1}, {2, 1}, -1, 1, untouched},
      {"reversed parallel", T_LINE2D(1, 1, 0, 1), {0, -1}, {2, 1}, -1, 1, untouched},
      {"same line", T_LINE2D(5, 0, 9, 0), {0, -1}, {2, 1}, -1, 2, untouched},
  };
  for (const Case& c : cases) {
    T_POINT2D out = untouched;
    const int got = c.tol < 0 ? horizontal.IntersectEx(c.other, c.c1, c.c2, &out)
                              : horizontal.IntersectEx2(c.other, c.c1, c.c2, &out, c.tol);
    EXPECT_EQ(got, c.expected) << c.what;
    EXPECT_NEAR(out.x, c.point.x, 1e-15) << c.what;
    EXPECT_NEAR(out.y, c.point.y, 1e-15) << c.what;
    T_POINT2D plain = untouched;
    EXPECT_EQ(horizontal.Intersect(c.other, &plain), c.expected == 3 ? 0 : c.expected) << c.what;
  }
}

TEST(Line2DTest, ProjectionAndDistanceByMode) {
  const T_LINE2D axis(0, 0, 1, 0);
  struct Case {
    int mode;
    bool projects;
    T_POINT2D projected;  // of (3, 4)
  };
  const Case projections[] = {
      {T_LINE2D::kPerpendicular, true, {3, 0}},
      {T_LINE2D::kAlongX, false, {3, 4}},  // the line is parallel to x
      {T_LINE2D::kAlongY, true, {3, 0}},
      {4, false, {3, 4}},
  };
  for (const Case& c : projections) {
    T_POINT2D p{3, 4};
    EXPECT_EQ(axis.ProjectPoint(p, c.mode), c.projects) << "mode " << c.mode;
    EXPECT_EQ(p.x, c.projected.x) << "mode " << c.mode;
    EXPECT_EQ(p.y, c.projected.y) << "mode " << c.mode;
    T_POINT2D out{-1, -1};
    EXPECT_EQ(axis.ProjectPointEx({3, 4}, c.mode, out), c.projects) << "mode " << c.mode;
    if (c.projects)
      EXPECT_TRUE(out.x == c.projected.x && out.y == c.projected.y) << "mode " << c.mode;
    else
      EXPECT_TRUE(out.x == -1 && out.y == -1) << "mode " << c.mode;
  }

  // A slanted line y = x - 1, for the offsets along both axes.
  const T_LINE2D slant(1, 0, 2, 1);
  T_POINT2D p{4, 1};
  EXPECT_TRUE(slant.ProjectPoint(p, T_LINE2D::kAlongX));
  EXPECT_NEAR(p.x, 2, 1e-15);
  p = {4, 1};
  EXPECT_TRUE(slant.ProjectPoint(p, T_LINE2D::kPerpendicular));
  EXPECT_NEAR(p.x, 3, 1e-15);
  EXPECT_NEAR(p.y, 2, 1e-15);

  struct DistanceCase {
    const T_LINE2D* line;
    T_POINT2D p;
    int mode;
    bool ok;
    double dist;
  };
  const DistanceCase distances[] = {
      {&axis, {0, -2}, 3, true, -2},  {&axis, {0, -2}, 3 + 8, true, 2},
      {&axis, {0, -2}, 4, false, -2},  // keeps the plain value
      {&axis, {0, -2}, 1, false, -2}, {&axis, {0, -2}, 2, true, -2},
      {&slant, {4, 1}, 1, true, 2},  // (4, 1) lies 2 to the right along x
      {&slant, {4, 1}, 2, true, -2},  {&slant, {4, 1}, 2 + 8, true, 2},
  };
  for (const DistanceCase& c : distances) {
    long double dist = 0;
    EXPECT_EQ(c.line->PtDistance(c.p, c.mode, dist), c.ok) << "mode " << c.mode;
    EXPECT_NEAR(double(dist), c.dist, 1e-15) << "mode " << c.mode;
    long double byCoordinates = 0;
    c.line->PtDistance(c.p.x, c.p.y, c.mode, byCoordinates);
    EXPECT_EQ(byCoordinates, dist);
  }
}

TEST(Line2DTest, LeastSquaresFit) {
  // (0, 1), (1, 3), (2, 2): slope 0.5, intercept 1.5.
  const T_POINT2D scatter[] = {{0, 1}, {1, 3}, {2, 2}};
  T_LINE2D fit;
  ASSERT_TRUE(fit.CalcFromPointsLeastSquares(3, scatter));
  const long double len = std::sqrt(1.25L);
  EXPECT_TRUE(lineIs(fit, -0.5L / len, 1 / len, -1.5L / len));

  // A line through the origin is a line like any other.
  const T_POINT2D throughOrigin[] = {{-2, -1}, {0, 0}, {4, 2}, {6, 3}};
  ASSERT_TRUE(fit.CalcFromPointsLeastSquares(4, throughOrigin));
  const long double len2 = std::sqrt(1.25L);
  EXPECT_TRUE(lineIs(fit, -0.5L / len2, 1 / len2, 0));

  // Far from the origin the fit must not lose the points to cancellation.
  const T_POINT2D far[] = {{1e9, 3e9}, {1e9 + 1, 3e9 + 3}, {1e9 + 2, 3e9 + 6}};
  ASSERT_TRUE(fit.CalcFromPointsLeastSquares(3, far));
  for (const T_POINT2D& p : far) {
    long double d = 1;
    fit.PtDistance(p, T_LINE2D::kPerpendicular, d);
    EXPECT_NEAR(double(d), 0, 1e-6);
  }

  // No regression line: fewer than two points, or all points on one x.
  const T_POINT2D vertical[] = {{0.1, 0}, {0.1, 1}, {0.1, 5}};
  const struct {
    unsigned n;
    const T_POINT2D* pts;
  } failures[] = {{0, scatter}, {1, scatter}, {3, vertical}, {2, nullptr}};
  for (const auto& f : failures) {
    T_LINE2D line(0, 0, 1, 1);
    EXPECT_FALSE(line.CalcFromPointsLeastSquares(f.n, f.pts)) << f.n;
    EXPECT_TRUE(lineIs(line, 0, 0, 0)) << f.n;
  }
}

}  // namespace
