// Polyline simplification: the seven-point example under every flag set,
// the small cases, the automatic tolerance and random noisy tracks.
#include "zefcorek/PolySimplifier.h"

#include "zefcorek/AllocationFaults.h"
#include "zefcorek/RecList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

struct Calls {
  std::vector<unsigned> iterations;
  int stopAt = -1;  // answer false at this call (0-based)
};

bool recordCall(T_POLYSIMPLIFIER*, void* data, unsigned iteration) {
  auto* calls = static_cast<Calls*>(data);
  calls->iterations.push_back(iteration);
  return int(calls->iterations.size()) - 1 != calls->stopAt;
}

TPolySimpParms parms(double tolerance, uint32_t flags, Calls* calls) {
  return {tolerance, 0, flags, 0, calls != nullptr ? &recordCall : nullptr, calls};
}

void fill(T_POLYSIMPLIFIER& s, const std::vector<T_POINT2D>& pts) {
  for (const T_POINT2D& p : pts) ASSERT_GE(s.AddBasePt(&p), 0);
}

std::vector<T_POINT2D> simpPts(const T_POLYSIMPLIFIER& s, bool ex) {
  std::vector<T_POINT2D> out;
  const unsigned n = ex ? s.GetSimpPtCountEx() : s.GetSimpPtCount();
  for (unsigned i = 0; i < n; ++i) {
    T_POINT2D p{};
    EXPECT_TRUE(ex ? s.GetSimpPtEx(i, &p) : s.GetSimpPt(i, &p));
    out.push_back(p);
  }
  T_POINT2D untouched{-7, -7};
  EXPECT_FALSE(ex ? s.GetSimpPtEx(n, &untouched) : s.GetSimpPt(n, &untouched));
  EXPECT_EQ(untouched.x, -7);
  return out;
}

testing::AssertionResult pointsAre(const std::vector<T_POINT2D>& got, const std::vector<T_POINT2D>& want) {
  bool same = got.size() == want.size();
  for (size_t i = 0; same && i < got.size(); ++i)
    same = std::fabs(got[i].x - want[i].x) < 1e-9 && std::fabs(got[i].y - want[i].y) < 1e-9;
  if (same) return testing::AssertionSuccess();
  auto f = testing::AssertionFailure() << "got";
  for (const T_POINT2D& p : got) f << " (" << p.x << ", " << p.y << ")";
  return f;
}

const std::vector<T_POINT2D> kSeven = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {3, 3}};

TEST(PolySimplifierTest, SevenPointExample) {
  struct Case {
    uint32_t flags;
    unsigned lines, calls;
    std::vector<T_POINT2D> pts, ptsEx;
  };
  const std::vector<T_POINT2D> splitPts = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 3}};
  const std::vector<T_POINT2D> splitEx = {{0, 0}, {1.5, 0}, {3, 0}, {3, 3}};
  const std::vector<T_POINT2D> joinedPts = {{0, 0}, {3, 0}, {3, 1}, {3, 3}};
  const std::vector<T_POINT2D> joinedEx = {{0, 0}, {3, 0}, {3, 3}};
  const Case cases[] = {
      {0, 3, 4, splitPts, splitEx},
      {1, 3, 4, splitPts, splitEx},
      {2, 2, 3, joinedPts, joinedEx},
      {3, 2, 3, joinedPts, joinedEx},
  };
  for (const Case& c : cases) {
    T_POLYSIMPLIFIER s;
    fill(s, kSeven);
    Calls calls;
    const TPolySimpParms p = parms(0.1, c.flags, &calls);
    EXPECT_TRUE(s.Execute(&p)) << c.flags;
    EXPECT_EQ(s.GetSimpLnCount(), c.lines) << c.flags;
    EXPECT_EQ(calls.iterations.size(), c.calls) << c.flags;
    EXPECT_EQ(calls.iterations.back(), c.calls) << c.flags;
    EXPECT_TRUE(pointsAre(simpPts(s, false), c.pts)) << c.flags;
    EXPECT_TRUE(pointsAre(simpPts(s, true), c.ptsEx)) << c.flags;
    TPolySimpLine last{};
    ASSERT_TRUE(s.GetSimpLn(c.lines - 1, &last));
    EXPECT_EQ(last.A, 1);
    EXPECT_EQ(last.B, 0);
    EXPECT_EQ(last.C, -3);
  }
}

TEST(PolySimplifierTest, GrowingBeforeTheIterations) {
  T_POLYSIMPLIFIER grown;
  fill(grown, kSeven);
  TPolySimpParms loose = parms(1e9, 0, nullptr);
  ASSERT_TRUE(grown.Execute(&loose));
  ASSERT_EQ(grown.GetSimpLnCount(), 1u) << "a huge tolerance grows one run";

  // The last point always joins the last run, however far off.
  T_POLYSIMPLIFIER far;
  fill(far, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 100}});
  TPolySimpParms tight = parms(0.01, 0, nullptr);
  ASSERT_TRUE(far.Execute(&tight));
  TPolySimpLine last{};
  ASSERT_TRUE(far.GetSimpLn(far.GetSimpLnCount() - 1, &last));
  unsigned n = 0;
  last.Points->GetCount(&n);
  T_POINT2D end{};
  last.Points->GetAt(n - 1, &end);
  EXPECT_EQ(end.y, 100);

  // A rejection at the third point leaves a line of two points that keeps
  // the three-point fit; it is not split.
  T_POLYSIMPLIFIER three;
  fill(three, {{0, 0}, {1, 0}, {1, 5}, {1, 6}, {1, 7}});
  ASSERT_TRUE(three.Execute(&tight));
  TPolySimpLine first{};
  ASSERT_TRUE(three.GetSimpLn(0, &first));
  first.Points->GetCount(&n);
  EXPECT_EQ(n, 2u);
  EXPECT_GT(first.MeanDist, 0.01) << "the fit that still held (1,5)";
}

TEST(PolySimplifierTest, SmallCases) {
  // No points: no line, one call with iteration 1.
  T_POLYSIMPLIFIER none;
  Calls calls;
  TPolySimpParms p = parms(0.1, 3, &calls);
  EXPECT_TRUE(none.Execute(&p));
  EXPECT_EQ(none.GetSimpLnCount(), 0u);
  EXPECT_EQ(calls.iterations, (std::vector<unsigned>{1}));
  EXPECT_EQ(none.GetSimpPtCount(), 0u);
  EXPECT_EQ(none.GetSimpPtCountEx(), 0u);
  calls = {{}, 0};
  EXPECT_FALSE(none.Execute(&p)) << "the only call answered false";
  EXPECT_EQ(none.GetBasePt(0), nullptr);

  struct Case {
    const char* what;
    std::vector<T_POINT2D> pts;
    double a, b, c;
  };
  const Case cases[] = {
      {"vertical pair", {{2, 0}, {2, 5}}, 1, 0, -2},
      {"coincident pair", {{2, 3}, {2, 3}}, 0, 0, 0},
      {"horizontal pair", {{0, 4}, {3, 4}}, 0, 1, -4},
      {"vertical run", {{7, 0}, {7, 1}, {7, 2}, {7, 5}}, 1, 0, -7},
  };
  for (const Case& c : cases) {
    T_POLYSIMPLIFIER s;
    fill(s, c.pts);
    TPolySimpParms q = parms(0.1, 0, nullptr);
    ASSERT_TRUE(s.Execute(&q));
    ASSERT_EQ(s.GetSimpLnCount(), 1u) << c.what;
    TPolySimpLine l{};
    ASSERT_TRUE(s.GetSimpLn(0, &l));
    EXPECT_NEAR(l.A, c.a, 1e-12) << c.what;
    EXPECT_NEAR(l.B, c.b, 1e-12) << c.what;
    EXPECT_NEAR(l.C, c.c, 1e-12) << c.what;
    EXPECT_EQ(s.GetSimpPtCountEx(), 2u) << c.what;
  }
  T_POLYSIMPLIFIER pair;
  fill(pair, {{1, 1}, {4, 5}});
  TPolySimpParms q = parms(0.1, 0, nullptr);
  ASSERT_TRUE(pair.Execute(&q));
  EXPECT_TRUE(pointsAre(simpPts(pair, false), {{1, 1}, {4, 5}}));

  // Points on one line: one line, mean distance 0.
  T_POLYSIMPLIFIER straight;
  for (int i = 0; i < 20; ++i) {
    const T_POINT2D pt{double(i), 0.5 * i + 1};
    straight.AddBasePt(&pt);
  }
  ASSERT_TRUE(straight.Execute(&q));
  ASSERT_EQ(straight.GetSimpLnCount(), 1u);
  TPolySimpLine l{};
  straight.GetSimpLn(0, &l);
  EXPECT_NEAR(l.MeanDist, 0, 1e-12);
  EXPECT_EQ(straight.GetSimpPtCount(), 2u);

  // A single point: its line has the zero fit and the point as centre.
  T_POLYSIMPLIFIER single;
  const T_POINT2D only{3, 4};
  single.AddBasePt(&only);
  ASSERT_TRUE(single.Execute(&q));
  ASSERT_EQ(single.GetSimpLnCount(), 1u);
  single.GetSimpLn(0, &l);
  EXPECT_EQ(l.CenterX, 3);
  EXPECT_EQ(l.CenterY, 4);
  EXPECT_EQ(l.A, 0);
  EXPECT_FALSE(single.SuggestGetOrGetEx());
  EXPECT_TRUE(none.SuggestGetOrGetEx());
}

TEST(PolySimplifierTest, IterationsAndJoins) {
  // Nothing to split or join: lines + 1 iterations.
  T_POLYSIMPLIFIER s;
  fill(s, {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {3, 2}, {4, 2}});
  Calls calls;
  TPolySimpParms p = parms(0.01, 0, &calls);
  ASSERT_TRUE(s.Execute(&p));
  EXPECT_EQ(calls.iterations.size(), s.GetSimpLnCount() + 1);

  // A false answer of a call that was not the last lets one more iteration
  // run, and the last call decides.
  calls = {{}, 0};
  EXPECT_TRUE(s.Execute(&p));
  EXPECT_EQ(calls.iterations.size(), 2u);

  // Flags 4 alone: no join during the iterations; the final join still asks
  // for close offsets, so the horizontal and vertical lines stay apart.
  T_POLYSIMPLIFIER loose;
  fill(loose, kSeven);
  TPolySimpParms four = parms(0.1, 4, nullptr);
  ASSERT_TRUE(loose.Execute(&four));
  EXPECT_EQ(loose.GetSimpLnCount(), 2u) << "the two horizontal pieces join at the end";

  // Flags 6: every pair not at a right angle joins, whatever its offset.
  T_POLYSIMPLIFIER steps;
  fill(steps, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 2}, {5, 3}, {6, 3}, {7, 3}, {8, 3}});
  TPolySimpParms six = parms(0.01, 6, nullptr);
  ASSERT_TRUE(steps.Execute(&six));
  EXPECT_EQ(steps.GetSimpLnCount(), 1u);
}

TEST(PolySimplifierTest, AutomaticTolerance) {
  // 100 points spanning 100 x 100: 0.2 * sqrt(0.5 + 0.5) = 0.2. A zigzag
  // whose points lie 0.15 from their line grows long runs; at 0.25 no run
  // of the zigzag gets past three points. The far corner point comes last
  // and joins the last run.
  for (double amplitude : {0.15, 0.25}) {
    T_POLYSIMPLIFIER s;
    for (int i = 0; i < 99; ++i) {
      const T_POINT2D p{double(i), i % 2 == 0 ? 0 : 2 * amplitude};
      s.AddBasePt(&p);
    }
    const T_POINT2D corner{100, 100};
    s.AddBasePt(&corner);
    TPolySimpParms p = parms(-1, 0, nullptr);
    ASSERT_TRUE(s.Execute(&p));
    unsigned longest = 0;
    for (unsigned i = 0; i + 1 < s.GetSimpLnCount(); ++i) {
      TPolySimpLine l{};
      s.GetSimpLn(i, &l);
      unsigned n = 0;
      l.Points->GetCount(&n);
      longest = std::max(longest, n);
    }
    if (amplitude < 0.2) {
      EXPECT_GE(longest, 40u);
    } else {
      EXPECT_LE(longest, 3u);
    }
  }
}

TEST(PolySimplifierTest, RandomNoisyTracksKeepTheirPoints) {
  std::mt19937_64 rng(160);
  std::normal_distribution<double> noise(0.0, 0.3);
  for (int trial = 0; trial < 30; ++trial) {
    T_POLYSIMPLIFIER s;
    std::vector<T_POINT2D> pts;
    double x = 0, y = 0, heading = 0;
    for (int i = 0; i < 200; ++i) {
      heading += (i % 40 == 0) ? 1.2 : 0.0;
      x += std::cos(heading);
      y += std::sin(heading);
      pts.push_back({x + noise(rng), y + noise(rng)});
    }
    fill(s, pts);
    TPolySimpParms p = parms(trial % 3 == 0 ? -1 : 0.2, uint32_t(trial % 8), nullptr);
    ASSERT_TRUE(s.Execute(&p));
    std::vector<T_POINT2D> joined;
    for (unsigned i = 0; i < s.GetSimpLnCount(); ++i) {
      TPolySimpLine l{};
      ASSERT_TRUE(s.GetSimpLn(i, &l));
      unsigned n = 0;
      l.Points->GetCount(&n);
      EXPECT_GE(n, 2u) << "trial " << trial << " line " << i;
      for (unsigned k = 0; k < n; ++k) {
        T_POINT2D q{};
        l.Points->GetAt(k, &q);
        joined.push_back(q);
      }
    }
    ASSERT_EQ(joined.size(), pts.size()) << trial;
    for (size_t k = 0; k < pts.size(); ++k) {
      EXPECT_EQ(joined[k].x, pts[k].x) << trial << " point " << k;
      EXPECT_EQ(joined[k].y, pts[k].y) << trial << " point " << k;
    }
  }
}

TEST(PolySimplifierTest, ListsTheFactoryCouldNotMake) {
  zefcorek::ScopedAllocationFailure failing(1, /*persistent=*/true);
  T_POLYSIMPLIFIER s;
  const T_POINT2D p{1, 2};
  EXPECT_EQ(s.AddBasePt(&p), -1);
  EXPECT_EQ(s.GetBasePtCount(), 0u);
  Calls calls;
  TPolySimpParms q = parms(0.1, 3, &calls);
  EXPECT_TRUE(s.Execute(&q));
  EXPECT_EQ(s.GetSimpLnCount(), 0u);
  EXPECT_EQ(calls.iterations.size(), 1u);
  s.Clear();
}

}  // namespace
