// Segment clipping by the three methods and the clip window.
#include "zefcorek/Clipper2D.h"

#include "../src/LineClipCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

namespace lc = zefcorek::lineclip;

struct Seg {
  double x1, y1, x2, y2;
};

constexpr int kMethods[] = {T_CLIPPER2D::kLineEncoding, T_CLIPPER2D::kLiangBarsky, T_CLIPPER2D::kCohenSutherland};

// Clips s against the window by one method; answers the result and the
// clipped record.
int32_t clipBy(int method, const Seg& s, const T_CLIPPER2D& w, Seg& out) {
  T_CODEDCLIPSEG2D r{{s.x1, s.y1, s.x2, s.y2, w.xmin, w.ymin, w.xmax, w.ymax}, 0};
  int32_t result = 0;
  if (method == T_CLIPPER2D::kLineEncoding)
    result = SPYLineClip2D(&r);
  else if (method == T_CLIPPER2D::kLiangBarsky)
    result = LBLineClip2D(&r.seg);
  else
    result = CSLineClip2D(&r.seg);
  out = {r.seg.x1, r.seg.y1, r.seg.x2, r.seg.y2};
  return result;
}

testing::AssertionResult segNear(const Seg& s, const Seg& want, double tol = 1e-12) {
  if (std::fabs(s.x1 - want.x1) <= tol && std::fabs(s.y1 - want.y1) <= tol && std::fabs(s.x2 - want.x2) <= tol &&
      std::fabs(s.y2 - want.y2) <= tol)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "(" << s.x1 << ", " << s.y1 << ")-(" << s.x2 << ", " << s.y2 << "), wanted ("
                                     << want.x1 << ", " << want.y1 << ")-(" << want.x2 << ", " << want.y2 << ")";
}

TEST(Clipper2DTest, WindowAndPointTest) {
  const T_CLIPPER2D def;
  EXPECT_EQ(def.method, T_CLIPPER2D::kLiangBarsky);
  EXPECT_TRUE(def.ClipPt(0, 0));
  EXPECT_TRUE(def.ClipPt({16384, 16384}));
  EXPECT_FALSE(def.ClipPt(16384.5, 0));
  EXPECT_FALSE(def.ClipPt(-1, 0));
  EXPECT_TRUE(def.ClipPt(std::nan(""), 5)) << "a NaN passes every limit";

  const T_CLIPPER2D inverted(10, 0, 0, 10);
  EXPECT_FALSE(inverted.ClipPt(5, 5));
  EXPECT_FALSE(inverted.ClipPt(0, 0));

  const T_POINT2D corners[2] = {{1, 2}, {3, 4}};
  const T_CLIPPER2D fromArray(corners), fromSize(corners[0], 2, 2);
  T_CLIPPER2D copy(fromSize);
  for (const T_CLIPPER2D* c : {&fromArray, &fromSize, static_cast<const T_CLIPPER2D*>(&copy)}) {
    EXPECT_EQ(c->xmin, 1);
    EXPECT_EQ(c->ymax, 4);
  }
  copy.method = 2;
  EXPECT_EQ(T_CLIPPER2D(copy).method, 2);
}

TEST(Clipper2DTest, ClipLineByMethod) {
  T_CLIPPER2D w(0, 0, 10, 10);
  EXPECT_FALSE(w.CheckClipLine(-5, -5, -1, 20)) << "wholly left";
  EXPECT_TRUE(w.CheckClipLine(0, 0, 10, 10)) << "edge to edge";
  EXPECT_TRUE(w.CheckClipLine(0, 10, 10, 10)) << "along the top edge";

  const T_POINT2D a{-5, 5}, b{5, 5};
  T_POINT2D ca{}, cb{};
  for (int method : kMethods) {
    w.method = method;
    ASSERT_TRUE(w.ClipLine(a, b, ca, cb)) << method;
    EXPECT_EQ(ca.x, 0) << method;
    EXPECT_EQ(cb.x, 5) << method;
    ASSERT_TRUE(w.ClipLine(b, a, ca, cb)) << method;
    EXPECT_EQ(ca.x, 5) << method << ": the direction is kept";
    EXPECT_EQ(cb.x, 0) << method;
    const T_POINT2D l1{-5, 1}, l2{-1, 9};
    EXPECT_FALSE(w.ClipLine(l1, l2, ca, cb)) << method;
    EXPECT_EQ(ca.x, -5);
    EXPECT_EQ(cb.y, 9);
  }
  w.method = 7;
  const T_POINT2D in1{1, 1}, in2{2, 2};
  EXPECT_FALSE(w.ClipLine(in1, in2, ca, cb));
  EXPECT_EQ(ca.x, 1);
  EXPECT_EQ(cb.x, 2);
}

TEST(LineClipTest, FixedSegments) {
  const T_CLIPPER2D w(0, 0, 10, 10);
  struct Case {
    const char* what;
    Seg in;
    bool accepted;
    Seg out;
  };
  const Case cases[] = {
      {"both inside", {1, 2, 3, 4}, true, {1, 2, 3, 4}},
      {"both on edges", {0, 3, 10, 10}, true, {0, 3, 10, 10}},
      {"crossing the right edge", {5, 5, 20, 5}, true, {5, 5, 10, 5}},
      {"through the window", {-5, 5, 15, 5}, true, {0, 5, 10, 5}},
      {"corner to corner outside", {-5, -5, 15, 15}, true, {0, 0, 10, 10}},
      {"wholly left", {-5, -5, -1, 20}, false, {}},
      {"past the corner", {-5, 8, 8, 21}, false, {}},
      {"degenerate inside", {3, 3, 3, 3}, true, {3, 3, 3, 3}},
      {"degenerate outside", {13, 3, 13, 3}, false, {}},
  };
  for (const Case& c : cases) {
    for (int method : kMethods) {
      Seg out{};
      const int32_t r = clipBy(method, c.in, w, out);
      EXPECT_EQ(r, c.accepted ? 1 : 0) << c.what << ", method " << method;
      if (c.accepted) {
        EXPECT_TRUE(segNear(out, c.out)) << c.what << ", method " << method;
      }
    }
  }
}

TEST(LineClipTest, LineEncodingCasesAndCode) {
  const T_CLIPPER2D w(0, 0, 10, 10);
  Seg out{};
  // Q below-left: to the left edge at (0, -5), still below, then to the
  // bottom.
  ASSERT_EQ(clipBy(T_CLIPPER2D::kLineEncoding, {5, 5, -5, -15}, w, out), 1);
  EXPECT_TRUE(segNear(out, {5, 5, 2.5, 0}));
  ASSERT_EQ(clipBy(T_CLIPPER2D::kLineEncoding, {5, 5, -5, 3}, w, out), 1);
  EXPECT_TRUE(segNear(out, {5, 5, 0, 4}));

  // The code is written also on a rejection: P above-left, Q above-right.
  T_CODEDCLIPSEG2D r{{-1, 11, 11, 12, 0, 0, 10, 10}, 0};
  EXPECT_EQ(SPYLineClip2D(&r), 0);
  EXPECT_EQ(r.code, 0x9A);
  // A case that rejects after moving an end leaves the record as it was.
  T_CODEDCLIPSEG2D miss{{-5, 8, 8, 21, 0, 0, 10, 10}, 0};
  EXPECT_EQ(SPYLineClip2D(&miss), 0);
  EXPECT_EQ(miss.code, 0x18);  // P left, Q above
  EXPECT_EQ(miss.seg.x1, -5);
}

// Every one of the 81 pairs of regions is a shared-side rejection, the
// inside pair, or exactly one row of the table; and each row's region pair
// is a real one.
TEST(LineClipTest, CaseTableCoversEveryRegionPair) {
  const uint8_t regions[] = {0, lc::kLeft, lc::kRight, lc::kBelow, lc::kAbove, lc::kBL, lc::kBR, lc::kAL, lc::kAR};
  int shared = 0, rows = 0;
  for (uint8_t p : regions) {
    for (uint8_t q : regions) {
      const int matches = int(std::count_if(std::begin(lc::kCases), std::end(lc::kCases),
                                            [&](const lc::Case& c) { return c.p == p && c.q == q; }));
      if ((p & q) != 0 || (p | q) == 0) {
        EXPECT_EQ(matches, 0) << int(p) << "/" << int(q);
        shared += (p & q) != 0;
        continue;
      }
      EXPECT_EQ(matches, 1) << int(p) << "/" << int(q);
      EXPECT_EQ(lc::findCase(lc::combinedCode(p, q)),
                &*std::find_if(std::begin(lc::kCases), std::end(lc::kCases),
                               [&](const lc::Case& c) { return c.p == p && c.q == q; }));
      ++rows;
    }
  }
  EXPECT_EQ(shared, 32);
  EXPECT_EQ(rows, 48);
  EXPECT_EQ(std::size(lc::kCases), 48u);
}

// The three methods agree on random segments at several scales.
TEST(LineClipTest, MethodsAgreeOnRandomSegments) {
  std::mt19937_64 rng(42);
  int accepted = 0, rejected = 0;
  for (double scale : {1e-3, 1.0, 1e3, 1e6}) {
    std::uniform_real_distribution<double> coord(-2 * scale, 3 * scale);
    const T_CLIPPER2D w(0, 0, scale, 0.7 * scale);
    for (int i = 0; i < 250000; ++i) {
      const Seg s{coord(rng), coord(rng), coord(rng), coord(rng)};
      Seg out[3];
      int32_t r[3];
      for (int m = 0; m < 3; ++m) r[m] = clipBy(kMethods[m], s, w, out[m]);
      ASSERT_EQ(r[0], r[1]) << "segment " << i << " at scale " << scale;
      ASSERT_EQ(r[2], r[1]) << "segment " << i << " at scale " << scale;
      if (r[1] == 0) {
        ++rejected;
        continue;
      }
      ++accepted;
      const double tol = 1e-9 * scale;
      EXPECT_TRUE(segNear(out[0], out[1], tol)) << i;
      EXPECT_TRUE(segNear(out[2], out[1], tol)) << i;
      // The direction is kept.
      EXPECT_GE((out[1].x2 - out[1].x1) * (s.x2 - s.x1) + (out[1].y2 - out[1].y1) * (s.y2 - s.y1), 0) << i;
    }
  }
  EXPECT_EQ(accepted + rejected, 1000000);
  EXPECT_GT(accepted, 100000);
  EXPECT_GT(rejected, 100000);
}

}  // namespace
