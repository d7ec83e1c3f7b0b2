// The control-point solvers with one linear system: bilinear, conditioned
// affine, plain and weighted affine, and projective; numpy as an oracle.
#include "CommandOutput.h"
#include "GfxRotoTransFixture.h"

#include "../../runtime/tests/ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using graphics_test::point;
using graphics_test::Pt;

class LinearSolversTest : public graphics_test::RotoTransFixture {};

const std::vector<Pt> kUnitSquareTimesTwo = {{0, 0, 0, 0}, {1, 0, 2, 0}, {1, 1, 2, 2}, {0, 1, 0, 2}};
const std::vector<Pt> kDiamondOntoOnePoint = {{1, 0, 7, 9}, {-1, 0, 7, 9}, {0, 1, 7, 9}, {0, -1, 7, 9}};

TEST_F(LinearSolversTest, AffineAndBilinearCases) {
  // Three points are below kind 6's minimum: unchanged and unmodified.
  EXPECT_EQ(fit(grtAffinePlain, {{0, 0, 1, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}}), 2);
  EXPECT_TRUE(rt->IsUnmodified());
  // Four or more on y = 0: singular, solved 0, modified.
  EXPECT_EQ(fit(grtAffinePlain, {{0, 0, 1, 1}, {1, 0, 2, 1}, {2, 0, 1, 2}, {3, 0, 5, 5}}), 2);
  EXPECT_TRUE(rt->NeedsCompute());
  EXPECT_FALSE(rt->IsUnmodified());
  // X = 2x + 3y + 1, Y = -x + 4y - 2.
  std::vector<Pt> affine;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}})
    affine.push_back({x, y, 2 * x + 3 * y + 1, -x + 4 * y - 2});
  ASSERT_EQ(fit(grtAffinePlain, affine), 0);
  const std::vector<double> expected = {2, 3, 1, -1, 4, -2};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(c()[k], expected[k], 1e-12) << k;
  // Kind 17: equal weights as kind 6; all weights 0 singular.
  for (Pt& p : affine) p.w = 2.5;
  ASSERT_EQ(fit(grtWeightedAffinePlain, affine), 0);
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(c()[k], expected[k], 1e-12) << k;
  for (Pt& p : affine) p.w = 0;
  EXPECT_EQ(fit(grtWeightedAffinePlain, affine), 2);

  // Bilinear: the unit square onto the square of side 2.
  ASSERT_EQ(fit(grtBilinear, kUnitSquareTimesTwo), 0);
  const std::vector<double> b = c();
  const double forward[8] = {0, 2, 0, 0, 0, 0, 2, 0};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(b[k], forward[k], 1e-12) << k;
  EXPECT_NEAR(b[9], 0.5, 1e-12);
  EXPECT_NEAR(b[14], 0.5, 1e-12);

  // Kind 9 with everything onto one point: the linear part is zero, the
  // test fails, c6, c7 hold the point. Kind 5 the same way.
  for (uint32_t kind : {grtWeightedAffine, grtConditionedAffine}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(fit(kind, kDiamondOntoOnePoint), 2);
    EXPECT_TRUE(rt->NeedsCompute());
  }
  // The weighted centre of three points with weights 2, 1, 1.
  ASSERT_EQ(fit(grtWeightedAffine, {{0, 0, 0, 0, 2}, {4, 0, 8, 0, 1}, {0, 4, 0, 8, 1}}), 0);
  EXPECT_NEAR(c()[0], 1.0, 1e-15);
  EXPECT_NEAR(c()[1], 1.0, 1e-15);
}

// A failed backward bilinear fit keeps the new forward coefficients and
// leaves the object unsolved: an object whose backward system is singular
// while the forward one is not cannot be built from four points, so the
// failure is provoked through collinear destinations.
TEST_F(LinearSolversTest, BilinearBackwardFailure) {
  const std::vector<Pt> points = {{0, 0, 0, 0}, {1, 0, 1, 0}, {1, 1, 2, 0}, {0, 1, 3, 0}};
  EXPECT_EQ(fit(grtBilinear, points), 2);
  EXPECT_TRUE(rt->NeedsCompute());
}

TEST_F(LinearSolversTest, ProjectiveCases) {
  const std::vector<Pt> quad = {{0, 0, 0, 0}, {1, 0, 2, 0}, {1, 1, 3, 3}, {0, 1, 0, 1}};
  ASSERT_EQ(fit(grtProjective, quad), 0);
  const std::vector<double> h = c();
  const double expected[8] = {6.0 / 7, 0, 0, 0, 6.0 / 7, 0, -4.0 / 7, -1.0 / 7};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(h[k], expected[k], 1e-12) << k;
  T_POINT2D in{0.5, 0.5}, out{}, back{};
  ASSERT_EQ(rt->TransformPoint(&in, &out), 0);
  EXPECT_NEAR(out.x, 2.0 / 3, 1e-12);
  EXPECT_NEAR(out.y, 2.0 / 3, 1e-12);
  ASSERT_EQ(rt->InverseTransformPoint(&out, &back), 0);
  EXPECT_NEAR(back.x, 0.5, 1e-12);
  // Every convex quadrilateral is reproduced exactly (to rounding).
  const std::vector<Pt> other = {{0, 0, 10, 5}, {1, 0, 14, 4}, {1, 1, 15, 9}, {0, 1, 9, 8}};
  ASSERT_EQ(fit(grtProjective, other), 0);
  for (const Pt& p : other) {
    T_POINT2D s{p.x, p.y}, d{};
    rt->TransformPoint(&s, &d);
    EXPECT_NEAR(d.x, p.X, 1e-11);
    EXPECT_NEAR(d.y, p.Y, 1e-11);
  }
  // Affine data: no perspective.
  std::vector<Pt> affine;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {2.0, 0.0}, {0.0, 3.0}, {2.0, 3.0}, {1.0, 1.0}})
    affine.push_back({x, y, 2 * x - y + 3, x + y - 1});
  ASSERT_EQ(fit(grtProjective, affine), 0);
  EXPECT_NEAR(c()[6], 0, 1e-12);
  EXPECT_NEAR(c()[7], 0, 1e-12);
  // Scaled weights change nothing.
  std::vector<Pt> weighted = affine;
  weighted[4].X += 0.3;
  for (size_t i = 0; i < weighted.size(); ++i) weighted[i].w = 1 + i;
  ASSERT_EQ(fit(grtProjective, weighted), 0);
  const std::vector<double> first = c();
  for (Pt& p : weighted) p.w *= 7;
  ASSERT_EQ(fit(grtProjective, weighted), 0);
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(c()[k], first[k], 1e-12 * std::max(1.0, std::fabs(first[k]))) << k;
  // Three points: 2, unmodified.
  EXPECT_EQ(fit(grtProjective, {{0, 0, 1, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}}), 2);
  EXPECT_TRUE(rt->IsUnmodified());
  // Every X = 0 makes the first row of H exactly zero: H is singular while
  // the normal equations are not.
  EXPECT_EQ(fit(grtProjective, {{0, 0, 0, 1}, {1, 0, 0, 2}, {1, 1, 0, 4}, {0, 1, 0, 3}, {2, 3, 0, 9.5}}), 2);
  EXPECT_TRUE(rt->NeedsCompute());
  EXPECT_FALSE(rt->IsUnmodified());
}

TEST_F(LinearSolversTest, FailureKeepsTheEarlierFitAndMapsRoundTrip) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> coordinate(-10, 10);
  std::uniform_real_distribution<double> weight(0.5, 2);
  std::normal_distribution<double> noise(0, 0.001);
  for (uint32_t kind :
       {grtConditionedAffine, grtAffinePlain, grtWeightedAffine, grtWeightedAffinePlain, grtProjective, grtBilinear}) {
    SCOPED_TRACE(kind);
    std::vector<Pt> points;
    for (int i = 0; i < 12; ++i) {
      const double x = coordinate(random), y = coordinate(random);
      points.push_back(
          {x, y, 1.2 * x - 0.4 * y + 3 + noise(random), 0.3 * x + 0.9 * y - 1 + noise(random), weight(random)});
    }
    ASSERT_EQ(fit(kind, points), 0);
    if (kind != grtBilinear) {
      for (int i = 0; i < 10; ++i) {
        const T_POINT2D in{coordinate(random), coordinate(random)};
        T_POINT2D out{}, back{};
        ASSERT_EQ(rt->TransformPoint(&in, &out), 0);
        ASSERT_EQ(rt->InverseTransformPoint(&out, &back), 0);
        EXPECT_NEAR(back.x, in.x, 1e-9);
        EXPECT_NEAR(back.y, in.y, 1e-9);
      }
    }
    // Collinear sources through SetPoint (which keeps the fit), then a
    // restoring Compute that fails.
    const std::vector<double> held = c();
    for (uint32_t i = 0; i < 12; ++i) {
      const GfxRotoTransPoint p = point(i, 0, i, 1);
      rt->SetPoint(i, &p);
    }
    EXPECT_EQ(rt->Compute(true), 2);
    EXPECT_FALSE(rt->NeedsCompute());
    EXPECT_EQ(c(), held);
  }
}

// Every kind against numpy's lstsq on the same equations (weighted rows
// scaled by the root of p), for 4, 100 and 8192 points.
TEST_F(LinearSolversTest, AgreesWithNumpy) {
  zefcorek::testing::ScratchFolder folder;
  std::mt19937 random(77);
  std::uniform_real_distribution<double> coordinate(-1, 1);
  std::uniform_real_distribution<double> weight(0.5, 2);
  std::normal_distribution<double> noise(0, 0.01);
  int compared = 0;
  double projectiveDigits = 99;
  for (int n : {4, 100, 8192}) {
    for (bool pixels : {false, true}) {
      std::vector<Pt> points;
      for (int i = 0; i < n; ++i) {
        double x = coordinate(random), y = coordinate(random);
        if (pixels) {
          x = (x + 1) * 2000;
          y = (y + 1) * 2000;
        }
        const double v = pixels ? 1 + 1e-5 * x + 2e-5 * y : 1 + 0.05 * x - 0.03 * y;
        points.push_back({x, y, (1.1 * x - 0.2 * y + 0.5) / v + noise(random),
                          (0.3 * x + 0.8 * y - 0.4) / v + noise(random), weight(random)});
      }
      {
        std::ofstream file(folder.native("points.txt"));
        file.precision(17);
        for (const Pt& p : points) file << p.x << " " << p.y << " " << p.X << " " << p.Y << " " << p.w << "\n";
      }
      const std::string script =
          "import sys, numpy as np\n"
          "d=np.loadtxt(sys.argv[1],ndmin=2); x,y,X,Y,w=d.T; n=len(x); o=np.zeros(n); l=np.ones(n)\n"
          "p=np.sqrt(w/w.sum())\n"
          "def ls(A,b,s=None):\n"
          "  if s is not None: A=A*s[:,None]; b=b*s\n"
          "  return list(np.linalg.lstsq(A,b,rcond=None)[0])\n"
          "def two(rx,ry,bx,by,s=None):\n"
          "  return ls(np.vstack([rx,ry]),np.concatenate([bx,by]),None if s is None else np.concatenate([s,s]))\n"
          "out={}\n"
          "out[3]=two(np.column_stack([l,x,y,x*y,o,o,o,o]),np.column_stack([o,o,o,o,l,x,y,x*y]),X,Y)+"
          "two(np.column_stack([l,X,Y,X*Y,o,o,o,o]),np.column_stack([o,o,o,o,l,X,Y,X*Y]),x,y)\n"
          "xs=x-x.mean(); ys=y-y.mean()\n"
          "out[5]=ls(np.vstack([np.column_stack([xs,ys,o,o]),np.column_stack([o,o,ys,xs]),"
          "np.column_stack([xs*xs,xs*ys,ys*ys,xs*ys])]),np.concatenate([X,Y,o]))\n"
          "out[6]=two(np.column_stack([x,y,l,o,o,o]),np.column_stack([o,o,o,x,y,l]),X,Y)\n"
          "out[17]=two(np.column_stack([x,y,l,o,o,o]),np.column_stack([o,o,o,x,y,l]),X,Y,p)\n"
          "xc=(w*x).sum()/w.sum(); yc=(w*y).sum()/w.sum(); xw=x-xc; yw=y-yc\n"
          "out[9]=two(np.column_stack([xw,yw,o,o,l,o]),np.column_stack([o,o,yw,xw,o,l]),X,Y,p)\n"
          "out[18]=two(np.column_stack([x,y,l,o,o,o,-x*X,-y*X]),"
          "np.column_stack([o,o,o,x,y,l,-x*Y,-y*Y]),X,Y,p)\n"
          "for k in sorted(out): print(k, ' '.join(repr(float(v)) for v in out[k]))\n";
      std::string text;
      ASSERT_NO_FATAL_FAILURE(graphics_test::readCommand(
          "/usr/bin/python3 -c \"" + script + "\" " + folder.native("points.txt"), "python3-numpy is needed\n", &text));
      std::istringstream lines(text);
      std::string line;
      while (std::getline(lines, line)) {
        std::istringstream values(line);
        uint32_t kind = 0;
        values >> kind;
        std::vector<double> theirs;
        for (double v; values >> v;) theirs.push_back(v);
        if (pixels && kind != grtProjective) continue;
        SCOPED_TRACE(std::to_string(kind) + " n=" + std::to_string(n) + (pixels ? " pixels" : ""));
        ASSERT_EQ(fit(kind, points), 0);
        std::vector<double> ours = c();
        // Stored layouts: kind 5 and 9 keep the centre in c0, c1.
        const size_t offset = kind == grtConditionedAffine || kind == grtWeightedAffine ? 2 : 0;
        double worst = 0;
        for (size_t k = 0; k < theirs.size(); ++k) {
          const double relative = std::fabs(ours[offset + k] - theirs[k]) / std::max(1.0, std::fabs(theirs[k]));
          worst = std::max(worst, relative);
        }
        if (pixels) {
          projectiveDigits = std::min(projectiveDigits, -std::log10(std::max(worst, 1e-17)));
          continue;
        }
        EXPECT_LE(worst, 1e-9);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 18);
  std::printf("projective on pixel coordinates: %.1f digits agree with lstsq\n", projectiveDigits);
  RecordProperty("projective_pixel_digits", std::to_string(projectiveDigits));
}

}  // namespace
