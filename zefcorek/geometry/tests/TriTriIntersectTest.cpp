#include "zefcorek/TriTriIntersect.h"

#include "TriTriPairs.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>

namespace {

using tritri::exactAnswer;
using tritri::P;
using tritri::Pair;

// The three tests on one pair; T2TIntersectWithIL's outputs start as NaN
// so that untouched ones show.
struct Answers {
  int withDivisions, withoutDivisions, withLine, coplanar;
  P point1, point2;
};

Answers run(const Pair& t) {
  Answers a{};
  a.withDivisions =
      tri_tri_intersect(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(), t.u[2].data());
  a.withoutDivisions =
      NoDivTriTriIsect(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(), t.u[2].data());
  a.coplanar = -1;
  a.point1.fill(std::nan(""));
  a.point2.fill(std::nan(""));
  a.withLine = T2TIntersectWithIL(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(),
                                  t.u[2].data(), &a.coplanar, a.point1.data(), a.point2.data());
  return a;
}

Pair pairOf(P v0, P v1, P v2, P u0, P u1, P u2) { return Pair{{v0, v1, v2}, {u0, u1, u2}}; }

const P kUntouched = {std::nan(""), std::nan(""), std::nan("")};

testing::AssertionResult pointNear(const P& got, const P& expected) {
  for (int k = 0; k < 3; ++k) {
    const bool bothNaN = std::isnan(got[k]) && std::isnan(expected[k]);
    if (!bothNaN && !(std::fabs(got[k] - expected[k]) <= 1e-12))
      return testing::AssertionFailure() << "(" << got[0] << ", " << got[1] << ", " << got[2] << ")";
  }
  return testing::AssertionSuccess();
}

TEST(TriTriIntersectTest, Cases) {
  const P o{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0};
  const struct {
    const char* name;
    Pair pair;
    int intersects;  // the two interval tests
    int withLine;
    int coplanar;  // -1: not written
    P point1, point2;
  } cases[] = {
      {"parallel planes 1 apart", pairOf(o, x, y, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}), 0, 0, -1, kUntouched, kUntouched},
      {"piercing",
       pairOf(o, x, y, {0.25, 0.25, -1}, {0.25, 0.25, 1}, {2, 2, 0}),
       1,
       1,
       0,
       {0.25, 0.25, 0},
       {0.5, 0.5, 0}},
      // 5e-7 above the unit triangle (|N1| = 1) is in its plane: touching.
      {"corner within the band",
       pairOf(o, x, y, {0.2, 0.2, 5e-7}, {2, 2, 1}, {2, -1, 1}),
       1,
       1,
       0,
       {0.2, 0.2, 5e-7},
       {0.2, 0.2, 5e-7}},
      // The same corner above the triangle scaled by 10 (|N1| = 100) is not.
      {"corner outside the band", pairOf(o, {10, 0, 0}, {0, 10, 0}, {0.2, 0.2, 5e-7}, {2, 2, 1}, {2, -1, 1}), 0, 0, -1,
       kUntouched, kUntouched},
      {"coplanar overlapping", pairOf(o, x, y, {0.2, 0.2, 0}, {2, 0.2, 0}, {0.2, 2, 0}), 1, 1, 1, kUntouched,
       kUntouched},
      {"coplanar, one inside the other", pairOf(o, {10, 0, 0}, {0, 10, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}), 1, 1, 1,
       kUntouched, kUntouched},
      {"coplanar apart", pairOf(o, x, y, {5, 5, 0}, {6, 5, 0}, {5, 6, 0}), 0, 0, 1, kUntouched, kUntouched},
      // The cut runs from x = -2e10 to 2e10: beyond the bound.
      {"runaway segment",
       pairOf({-3e10, -1, 0}, {3e10, -1, 0}, {0, 3e10, 0}, {-4e10, 0, -1}, {4e10, 0, -1}, {0, 0, 1}),
       1,
       0,
       0,
       {-2e10, 0, 0},
       {2e10, 0, 0}},
      // Triangle 2 is within the band of the tiny triangle 1's plane, but
      // triangle 1 is not within triangle 2's: answered as coplanar.
      {"coplanar for one side only",
       pairOf(o, {1e-3, 0, 0}, {0, 1e-3, 0}, {-1, -1.9995, -0.9}, {2, -1.9995, -0.9}, {-1, 2.0005, 0.9}), 1, 1, 1,
       kUntouched, kUntouched},
  };
  for (const auto& row : cases) {
    const Answers a = run(row.pair);
    EXPECT_EQ(a.withDivisions, row.intersects) << row.name;
    EXPECT_EQ(a.withoutDivisions, row.intersects) << row.name;
    EXPECT_EQ(a.withLine, row.withLine) << row.name;
    EXPECT_EQ(a.coplanar, row.coplanar) << row.name;
    if (row.point1[0] != row.point1[0]) {
      EXPECT_TRUE(pointNear(a.point1, kUntouched)) << row.name;
      EXPECT_TRUE(pointNear(a.point2, kUntouched)) << row.name;
      continue;
    }
    // The two ends in either order.
    const bool inOrder = pointNear(a.point1, row.point1) && pointNear(a.point2, row.point2);
    const bool reversed = pointNear(a.point1, row.point2) && pointNear(a.point2, row.point1);
    EXPECT_TRUE(inOrder || reversed) << row.name << ": (" << a.point1[0] << ", " << a.point1[1] << ", " << a.point1[2]
                                     << ") (" << a.point2[0] << ", " << a.point2[1] << ", " << a.point2[2] << ")";
  }
}

// Whether some corner lies within 1e-6 (the tests' band, in their scaled
// distances) of the other triangle's plane: there the tests may answer
// otherwise than exact arithmetic, by design.
bool inBand(const Pair& t) {
  const auto scaled = [](const P* plane, const P* corners) {
    const P e1{plane[1][0] - plane[0][0], plane[1][1] - plane[0][1], plane[1][2] - plane[0][2]};
    const P e2{plane[2][0] - plane[0][0], plane[2][1] - plane[0][1], plane[2][2] - plane[0][2]};
    const P n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    double nearest = INFINITY;
    for (int i = 0; i < 3; ++i) {
      double d = 0;
      for (int k = 0; k < 3; ++k) d += n[k] * (corners[i][k] - plane[0][k]);
      nearest = std::min(nearest, std::fabs(d));
    }
    return nearest;
  };
  return scaled(t.v, t.u) < 1e-6 || scaled(t.u, t.v) < 1e-6;
}

// Random pairs of three kinds: in general position, nearly coplanar
// (triangle 2 lifted off triangle 1's plane by at most 1e-7), and touching
// (sharing a corner). Outside the band every answer must be exact.
TEST(TriTriIntersectTest, AgreesWithExactPredicatesOutsideTheBand) {
  tritri::PairDraw draw;
  constexpr int kPairs = 1000000;
  int disagreeInBand = 0, disagreeOutside = 0, inBandPairs = 0, intersecting = 0;
  for (int n = 0; n < kPairs; ++n) {
    const Pair t = draw.next(size_t(n));
    const Answers a = run(t);
    const bool exact = exactAnswer(t);
    intersecting += exact ? 1 : 0;
    if (inBand(t)) {
      ++inBandPairs;
      disagreeInBand += (a.withDivisions == 1) != exact ? 1 : 0;
      continue;
    }
    // Outside the band all three agree with exact arithmetic.
    const bool agree = a.withDivisions == exact && a.withoutDivisions == exact && (a.withLine == 1) == exact;
    if (!agree && ++disagreeOutside <= 10)
      ADD_FAILURE() << "pair " << n << ": " << a.withDivisions << a.withoutDivisions << a.withLine << ", exact "
                    << exact;
  }
  EXPECT_EQ(disagreeOutside, 0);
  std::printf("%d pairs, %d intersecting, %d in the band, %d disagreements there\n", kPairs, intersecting, inBandPairs,
              disagreeInBand);
}

}  // namespace
