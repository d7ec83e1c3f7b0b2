// Snapping distances and intersections, and the betweenness test.
#include "zefcorek/SnapUtils.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SnapUtilsTest, NoResultValue) {
  EXPECT_EQ(kSnapNoResult, (long double)std::nextafter(1e30, 0.0));
  EXPECT_LT(kSnapNoResult, 1e30L);
}

TEST(SnapUtilsTest, DistanceFromLine) {
  const T_POINT2D p{0, 3}, a{0, 0}, b{10, 0};
  EXPECT_EQ(snapUtP2LinDist2(&p, &a, &b), 9.0L);
  EXPECT_EQ(snapUtP2LinDist2(&p, &a, &a), kSnapNoResult);
  const T_POINT2D c{1, 1}, d{3, 3}, q{0, 2};
  EXPECT_NEAR(double(snapUtP2LinDist2(&q, &c, &d)), 2.0, 1e-15);
}

TEST(SnapUtilsTest, PointNearSegment) {
  const T_POINT2D a{0, 0}, b{10, 0};
  struct Case {
    const char* what;
    long double maxDist2;
    T_POINT2D p;
    bool near;
    long double d2, dA2, dB2;
  };
  const Case cases[] = {
      {"beside the middle", 1, {5, 0.5}, true, 0.25L, 25.25L, 25.25L},
      {"beyond the end along x", 1, {12, 0.5}, false, 0, 0, 0},
      {"the limit is strict", 0.25L, {5, 0.5}, false, 0, 0, 0},
      {"just past an end: the product is below 0.01", 1, {10.0009, 0.5}, true, 0.25L, 0, 0},
      {"farther past: the product is above 0.01", 1, {10.001, 0.5}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    long double d2 = 0, dA2 = 0, dB2 = 0;
    EXPECT_EQ(snapUtChkP2SegDist2(c.maxDist2, &c.p, &a, &b, &d2, &dA2, &dB2), c.near) << c.what;
    if (!c.near) {
      EXPECT_EQ(d2, kSnapNoResult) << c.what;
      EXPECT_EQ(dA2, kSnapNoResult) << c.what;
      EXPECT_EQ(dB2, kSnapNoResult) << c.what;
      continue;
    }
    EXPECT_NEAR(double(d2), double(c.d2), 1e-12) << c.what;
    if (c.dA2 != 0) {
      EXPECT_NEAR(double(dA2), double(c.dA2), 1e-12) << c.what;
      EXPECT_NEAR(double(dB2), double(c.dB2), 1e-12) << c.what;
    }
  }
  // Null outputs are allowed; a segment of zero length is never near.
  const T_POINT2D p{5, 0.5};
  EXPECT_TRUE(snapUtChkP2SegDist2(1, &p, &a, &b, nullptr, nullptr, nullptr));
  EXPECT_FALSE(snapUtChkP2SegDist2(1, &a, &a, &a, nullptr, nullptr, nullptr));

  // A nearly vertical segment spanning less than 0.1 in x: the x test is
  // skipped, although p lies beyond both ends in x.
  const T_POINT2D v1{0, 0}, v2{0.05, 10}, beside{0.2, 5};
  long double d2 = 0;
  EXPECT_TRUE(snapUtChkP2SegDist2(1, &beside, &v1, &v2, &d2, nullptr, nullptr));
  const T_POINT2D above{0.2, 10.5};
  EXPECT_FALSE(snapUtChkP2SegDist2(1, &above, &v1, &v2, &d2, nullptr, nullptr)) << "the y test still applies";
}

TEST(SnapUtilsTest, Intersections) {
  const T_POINT2D a1{0, 0}, a2{10, 0};
  const T_POINT2D b1{5, -5}, b2{5, 5};
  const T_POINT2D c1{11, -5}, c2{11, 5};
  const T_POINT2D e1{10.000005, -5}, e2{10.000005, 5};
  const T_POINT2D ref{5, 3};
  T_POINT2D ip{-1, -1};
  long double d2 = -1;
  EXPECT_TRUE(snapUtSegSegIntersect(&a1, &a2, &b1, &b2, &ip, &ref, &d2));
  EXPECT_EQ(ip.x, 5);
  EXPECT_EQ(ip.y, 0);
  EXPECT_EQ(d2, 9.0L);

  EXPECT_FALSE(snapUtSegSegIntersect(&a1, &a2, &c1, &c2, &ip, nullptr, nullptr));
  EXPECT_NEAR(ip.x, 11, 1e-12) << "written although outside";
  EXPECT_TRUE(snapUtLnSegIntersect(&a1, &a2, &c1, &c2, &ip, nullptr, nullptr)) << "the first is a line";
  EXPECT_FALSE(snapUtLnSegIntersect(&c1, &c2, &a1, &a2, &ip, nullptr, nullptr)) << "the second is a segment";
  EXPECT_TRUE(snapUtLnLnIntersect(&c1, &c2, &a1, &a2, &ip, nullptr, nullptr));
  EXPECT_TRUE(snapUtSegSegIntersect(&a1, &a2, &e1, &e2, &ip, nullptr, nullptr)) << "0.000005 beyond the end";

  // Parallel and coincident lines: false, ip untouched, no distance.
  const T_POINT2D p1{0, 1}, p2{10, 1};
  ip = {-7, -7};
  d2 = -1;
  EXPECT_FALSE(snapUtLnLnIntersect(&a1, &a2, &p1, &p2, &ip, &ref, &d2));
  EXPECT_FALSE(snapUtLnSegIntersect(&a1, &a2, &p1, &p2, &ip, &ref, &d2));
  EXPECT_FALSE(snapUtSegSegIntersect(&a1, &a2, &p1, &p2, &ip, &ref, &d2));
  EXPECT_FALSE(snapUtSegSegIntersect(&a1, &a2, &a1, &a2, &ip, &ref, &d2));
  EXPECT_EQ(ip.x, -7);
  EXPECT_EQ(d2, -1);
}

TEST(SnapUtilsTest, MinMaxAndSegSwaps) {
  EXPECT_EQ(snapUtMin(1, 2), 1.0L);
  EXPECT_EQ(snapUtMax(1, 2), 2.0L);
  // Without an order the second argument is the answer.
  EXPECT_EQ(snapUtMin(std::nan(""), 1), 1.0L);
  EXPECT_TRUE(std::isnan(snapUtMax(3, std::nan(""))));

  struct Case {
    T_POINT2D p0, p1, p2;
    bool middle, result;
  };
  const Case cases[] = {
      {{0, 0}, {1, 0}, {-1, 0}, false, true}, {{0, 0}, {1, 0}, {2, 0}, false, false},
      {{0, 0}, {1, 0}, {2, 0}, true, true},   {{0, 0}, {0, 1}, {0, -1}, false, true},  // along y when x says nothing
      {{0, 0}, {1, 1}, {1, 2}, true, true},    // x equal at p1 and p2: y decides
      {{0, 0}, {0, 0}, {2, 2}, false, false},  // a zero sign is never opposite
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckSegSwaps(&c.p0, &c.p1, &c.p2, c.middle), c.result)
        << c.p1.x << "," << c.p1.y << " " << c.p2.x << "," << c.p2.y << " " << c.middle;
}

}  // namespace
