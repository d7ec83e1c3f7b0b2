// 3-D rays: construction and the nearest approach of two lines.
#include "zefcorek/Ray3D.h"

#include <gtest/gtest.h>

namespace {

TEST(Ray3DTest, FromTwoPointsHasAUnitDirection) {
  const T_RAY3D ray(tagT_POINT3D{1, 1, 1}, tagT_POINT3D{1, 4, 5});
  EXPECT_EQ(ray.origin, T_VECTOR3D(1, 1, 1));
  EXPECT_EQ(ray.direction, T_VECTOR3D(0, 0.6, 0.8));
  EXPECT_EQ(ray.PtAt(10), T_VECTOR3D(1, 7, 9));

  T_RAY3D degenerate;
  EXPECT_EQ(degenerate.direction, T_VECTOR3D(1, 0, 0));
  EXPECT_FALSE(degenerate.From2P({2, 2, 2}, {2, 2, 2}));
  EXPECT_EQ(degenerate.direction, T_VECTOR3D());

  Ray3DIntersPar par{7, 7, 1};
  EXPECT_FALSE(degenerate.NearestIntersectPar(ray, par));
  EXPECT_TRUE(par.ownPar == 0 && par.otherPar == 0 && par.computed == 0);
}

TEST(Ray3DTest, Determinants) {
  EXPECT_EQ(T_RAY3D::Det2D(1, 2, 3, 4), -2.0L);
  EXPECT_EQ(T_RAY3D::Det3D(2, 0, 0, 0, 3, 0, 0, 0, 4), 24.0L);
  EXPECT_EQ(T_RAY3D::Det3D(1, 2, 3, 4, 5, 6, 7, 8, 10), -3.0L);
}

TEST(Ray3DTest, NearestApproachAndIntersection) {
  const T_RAY3D xAxis({0, 0, 0}, {1, 0, 0});
  struct Case {
    const char* what;
    T_RAY3D other;
    bool parOk;
    double own, otherPar;
    bool meets;
    tagT_POINT3D point;
  };
  const tagT_POINT3D untouched{-9, -9, -9};
  const Case cases[] = {
      {"crossing", T_RAY3D({5, -3, 0}, {5, 0, 0}), true, 5, 3, true, {5, 0, 0}},
      {"skew by 0.01", T_RAY3D({5, -3, 0.01}, {5, 0, 0.01}), true, 5, 3, false, {5, 0, 0.005}},
      {"skew by 0.0005", T_RAY3D({5, -3, 0.0005}, {5, 0, 0.0005}), true, 5, 3, true, {5, 0, 0.00025}},
      {"parallel", T_RAY3D({0, 1, 0}, {3, 1, 0}), false, 0, 0, false, untouched},
  };
  for (const Case& c : cases) {
    Ray3DIntersPar par{};
    EXPECT_EQ(xAxis.NearestIntersectPar(c.other, par), c.parOk) << c.what;
    EXPECT_NEAR(par.ownPar, c.own, 1e-12) << c.what;
    EXPECT_NEAR(par.otherPar, c.otherPar, 1e-12) << c.what;
    EXPECT_EQ(par.computed, c.parOk ? 1 : 0) << c.what;
    tagT_POINT3D out = untouched;
    EXPECT_EQ(xAxis.IntersectEx(c.other, out), c.meets) << c.what;
    EXPECT_NEAR(out.x, c.point.x, 1e-12) << c.what;
    EXPECT_NEAR(out.y, c.point.y, 1e-12) << c.what;
    EXPECT_NEAR(out.z, c.point.z, 1e-12) << c.what;
  }
}

}  // namespace
