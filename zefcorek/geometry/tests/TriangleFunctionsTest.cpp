#include "zefcorek/TriangleFunctions.h"

#include "zefcorek/Vector3D.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(TriangleFunctionsTest, Centres) {
  const T_POINT2D a{0, 0}, b{3, 0}, c{0, 3};
  T_POINT2D out{};
  CalcTrgBarycenter(&a, &b, &c, &out);
  EXPECT_DOUBLE_EQ(out.x, 1.0);
  EXPECT_DOUBLE_EQ(out.y, 1.0);

  const T_POINT2D d{4, 0}, e{0, 3};
  EXPECT_TRUE(CalcTrgIncenter(&a, &d, &e, &out));
  EXPECT_DOUBLE_EQ(out.x, 1.0);
  EXPECT_DOUBLE_EQ(out.y, 1.0);
  out = {7, 7};
  const T_POINT2D p{2, 2};
  EXPECT_FALSE(CalcTrgIncenter(&p, &p, &p, &out));
  EXPECT_EQ(out.x, 7.0);
}

TEST(TriangleFunctionsTest, ArcLength) {
  const struct {
    const char* name;
    T_POINT2D points[3];
    int result;
    double length;
  } cases[] = {
      {"half circle", {{1, 0}, {-1, 0}, {0, 1}}, 0, kPi},
      {"three quarters", {{1, 0}, {0, 1}, {-1, 0}}, 0, 3 * kPi / 2},
      {"quarter, clockwise", {{0, 1}, {1, 0}, {0.6, 0.8}}, 0, kPi / 2},
      {"three quarters, clockwise", {{0, 1}, {1, 0}, {-1, 0}}, 0, 3 * kPi / 2},
      {"radius 2 through the top", {{2, 0}, {-2, 0}, {0, 2}}, 0, 2 * kPi},
      {"collinear", {{0, 0}, {1, 1}, {2, 2}}, 2, -1},
  };
  for (const auto& row : cases) {
    double length = -1;
    EXPECT_EQ(gfxuCalcArc3PLength(row.points, &length), row.result) << row.name;
    EXPECT_NEAR(length, row.length, 1e-14) << row.name;
  }
  double length = 0;
  EXPECT_EQ(gfxuCalcArc3PLength(nullptr, &length), 10);
  EXPECT_EQ(gfxuCalcArc3PLength(cases[0].points, nullptr), 10);
}

TEST(TriangleFunctionsTest, ClipToBox) {
  const struct {
    const char* name;
    T_POINT2D a, b;
    int result;
    T_POINT2D ca, cb;
  } cases[] = {
      {"left end outside", {-5, 5}, {5, 5}, 0, {0, 5}, {5, 5}},
      {"inside", {1, 1}, {2, 2}, 1, {1, 1}, {2, 2}},
      {"through two sides", {-5, -5}, {15, 15}, 0, {0, 0}, {10, 10}},
      {"right end beyond the top", {5, 5}, {10, 20}, 0, {5, 5}, {20.0 / 3, 10}},
      // Wholly outside: not rejected; the ends land on the box's corner.
      {"wholly outside", {-5, 20}, {-1, 30}, 0, {0, 10}, {0, 10}},
  };
  for (const auto& row : cases) {
    T_POINT2D a = row.a, b = row.b;
    EXPECT_EQ(gfxuClipLine2Box(10, 10, 0, 0, &a, &b), row.result) << row.name;
    EXPECT_NEAR(a.x, row.ca.x, 1e-12) << row.name;
    EXPECT_NEAR(a.y, row.ca.y, 1e-12) << row.name;
    EXPECT_NEAR(b.x, row.cb.x, 1e-12) << row.name;
    EXPECT_NEAR(b.y, row.cb.y, 1e-12) << row.name;
  }
}

TEST(TriangleFunctionsTest, OrthonormalBasis) {
  for (const T_VECTOR3D& input :
       {T_VECTOR3D(1, 2, 3), T_VECTOR3D(1, 1, 1), T_VECTOR3D(0, 0, 5), T_VECTOR3D(-2, 1e-9, 0)}) {
    T_VECTOR3D u, v, w;
    ASSERT_TRUE(input.OrthonormalBasis(u, v, w));
    EXPECT_NEAR(u.Cross(input).Len(), 0.0, 1e-15 * input.Len());
    EXPECT_GT(u.Dot(input), 0.0);
    for (const T_VECTOR3D& unit : {u, v, w}) EXPECT_NEAR(unit.Len(), 1.0, 1e-15);
    EXPECT_NEAR(u.Dot(v), 0.0, 1e-15);
    EXPECT_NEAR(u.Dot(w), 0.0, 1e-15);
    EXPECT_NEAR(v.Dot(w), 0.0, 1e-15);
    EXPECT_NEAR((u.Cross(v) - w).Len(), 0.0, 1e-15);
  }
  T_VECTOR3D u(1, 1, 1), v(1, 1, 1), w(1, 1, 1);
  EXPECT_FALSE(T_VECTOR3D().OrthonormalBasis(u, v, w));
  EXPECT_EQ(u, T_VECTOR3D());
  EXPECT_EQ(v, T_VECTOR3D());
  EXPECT_EQ(w, T_VECTOR3D());
}

}  // namespace
