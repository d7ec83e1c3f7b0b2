// The 2-D and 3-D vector classes: arithmetic, precision, guards and ties.
#include "zefcorek/Vector2D.h"
#include "zefcorek/Vector3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const long double kPi = std::acos(-1.0L);

TEST(Vector2DTest, ArithmeticWorksComponentByComponent) {
  const T_VECTOR2D a(6, 8), b(2, -4);
  struct Case {
    const char* what;
    T_VECTOR2D got;
    T_VECTOR2D expected;
  };
  const Case cases[] = {
      {"a + b", a + b, T_VECTOR2D(8, 4)},
      {"a - b", a - b, T_VECTOR2D(4, 12)},
      {"a * b", a * b, T_VECTOR2D(12, -32)},
      {"a / b", a / b, T_VECTOR2D(3, -2)},
      {"a * s", a * 0.5L, T_VECTOR2D(3, 4)},
      {"a / s", a / 2.0L, T_VECTOR2D(3, 4)},
      {"+=", T_VECTOR2D(a) += b, T_VECTOR2D(8, 4)},
      {"*= s", T_VECTOR2D(a) *= 2.0L, T_VECTOR2D(12, 16)},
      {"polar", T_VECTOR2D().SetPolar(2, kPi), T_VECTOR2D(-2, double(2 * std::sin(kPi)))},
      {"from point", T_VECTOR2D(T_POINT2D{1.5, -2.5}), T_VECTOR2D(1.5, -2.5)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what << ": (" << c.got.x << ", " << c.got.y << ")";
  EXPECT_EQ(a.Dot(b), -20.0L);
  EXPECT_EQ(a.Len(), 10.0L);
  EXPECT_EQ(a.Len2(), 100.0L);
  EXPECT_EQ(a.Distance(T_VECTOR2D(3, 4)), 5.0L);
  EXPECT_EQ(a.Distance2(T_VECTOR2D(3, 4)), 25.0L);
}

TEST(VectorTest, DotProductKeepsExtendedPrecision) {
  // x*x = 1 + 2^-26 + 2^-54: the last term survives in extended precision
  // only, and the difference x*x - 1 exposes it.
  const double x = 1.0 + std::ldexp(1.0, -27);
  const long double expected = std::ldexp(1.0L, -26) + std::ldexp(1.0L, -54);
  EXPECT_EQ(T_VECTOR2D(x, 1).Dot(T_VECTOR2D(x, -1)), expected);
  EXPECT_EQ(T_VECTOR3D(x, 1, 0).Dot(T_VECTOR3D(x, -1, 0)), double(expected));
  EXPECT_NE(double(expected), x * x - 1.0);
}

TEST(VectorTest, NormalizationGuardsOnlyTheSafeForms) {
  T_VECTOR2D v2(3, 4);
  EXPECT_TRUE(v2.SafeNormalize());
  EXPECT_EQ(v2, T_VECTOR2D(0.6L, 0.8L));

  T_VECTOR2D zero2;
  EXPECT_FALSE(zero2.SafeNormalize());
  EXPECT_EQ(zero2, T_VECTOR2D());
  T_VECTOR2D out2(9, 9);
  EXPECT_FALSE(zero2.SafeNormalized(out2));
  EXPECT_EQ(out2, T_VECTOR2D());
  const T_VECTOR2D nan2 = zero2.Normalized();
  EXPECT_TRUE(std::isnan(nan2.x) && std::isnan(nan2.y));

  T_VECTOR3D v3(0, 0, -2), out3;
  EXPECT_TRUE(v3.SafeNormalized(out3));
  EXPECT_EQ(out3, T_VECTOR3D(0, 0, -1));
  EXPECT_EQ(v3, T_VECTOR3D(0, 0, -2));
  T_VECTOR3D zero3;
  EXPECT_FALSE(zero3.SafeNormalize());
  EXPECT_EQ(zero3, T_VECTOR3D());
  zero3.Normalize();
  EXPECT_TRUE(std::isnan(zero3.x));
}

TEST(VectorTest, AngleIsClampedAndNaNForZeroVectors) {
  // For these vectors the cosine of the angle to their opposite rounds below
  // -1; without the clamp acos would give a NaN.
  const T_VECTOR2D below2[] = {{-0.58495735019535289L, -8.511499198576665L},
                               {2.7046243662747216L, -8.2109361271069101L}};
  for (const T_VECTOR2D& d : below2) EXPECT_EQ(d.Angle(d * -1.0L), kPi) << d.x << " " << d.y;
  const T_VECTOR3D below3[] = {{2.7046243662747216, -8.2109361271069101, 1.1235779824475998},
                               {4.9798156300998464, -0.83750897556795323, -3.8762664652508683}};
  for (const T_VECTOR3D& d : below3) EXPECT_EQ(d.Angle(-d), double(kPi)) << d.x << " " << d.y << " " << d.z;

  EXPECT_NEAR(double(T_VECTOR2D(1, 0).Angle(T_VECTOR2D(0, -5))), M_PI / 2, 1e-15);
  EXPECT_NEAR(T_VECTOR3D(1, 1, 0).Angle(T_VECTOR3D(0, 0, 3)), M_PI / 2, 1e-15);
  EXPECT_NEAR(T_VECTOR3D(1, 0, 0).Angle(T_VECTOR3D(1, 1, 0)), M_PI / 4, 1e-15);
  EXPECT_TRUE(std::isnan(T_VECTOR2D(1, 0).Angle(T_VECTOR2D())));
  EXPECT_TRUE(std::isnan(T_VECTOR3D().Angle(T_VECTOR3D(1, 0, 0))));
}

TEST(VectorTest, ClosestAxisPicksSmallestMagnitudeWithTiesToTheLaterXYIndex) {
  struct Case {
    T_VECTOR3D v;
    int expected;
  };
  const Case cases[] = {
      {{1, 2, 2}, 0},   {{2, 1, 1}, 1},  {{3, 3, 5}, 1},    {{3, 3, 3}, 1},
      {{-5, 4, -1}, 2}, {{1, -2, 3}, 0}, {{kNaN, 1, 2}, 1}, {{0, 0, 0}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.v.ClosestAxis(), c.expected) << c.v.x << " " << c.v.y << " " << c.v.z;
    const int expected2 = std::fabs(c.v.x) < std::fabs(c.v.y) ? 0 : 1;
    EXPECT_EQ(T_VECTOR2D(c.v.x, c.v.y).ClosestAxis(), expected2) << c.v.x << " " << c.v.y;
  }
  EXPECT_EQ(T_VECTOR2D(3, 3).ClosestAxis(), 1);
}

TEST(Vector3DTest, UnaryMinusLeavesItsOperandUnchanged) {
  const T_VECTOR3D b(1, -2, 3);
  T_VECTOR3D a(10, 10, 10);
  const T_VECTOR3D diff = a + -b;
  EXPECT_EQ(diff, T_VECTOR3D(9, 12, 7));
  EXPECT_EQ(b, T_VECTOR3D(1, -2, 3));
  T_VECTOR3D c(4, 5, 6);
  (void)-c;
  EXPECT_EQ(c, T_VECTOR3D(4, 5, 6));
}

TEST(Vector3DTest, CrossAndComponentArithmetic) {
  const T_VECTOR3D x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  EXPECT_EQ(x.Cross(y), z);
  EXPECT_EQ(y.Cross(z), x);
  EXPECT_EQ(z.Cross(x), y);
  EXPECT_EQ(T_VECTOR3D(1, 2, 3).Cross(T_VECTOR3D(4, 5, 6)), T_VECTOR3D(-3, 6, -3));

  const T_VECTOR3D a(2, 4, 8), b(1, -2, 4);
  EXPECT_EQ(a * b, T_VECTOR3D(2, -8, 32));
  EXPECT_EQ(a / b, T_VECTOR3D(2, -2, 2));
  EXPECT_EQ(a / 2.0, T_VECTOR3D(1, 2, 4));
  EXPECT_EQ(a - b, T_VECTOR3D(1, 6, 4));
  EXPECT_EQ(a.Dot(b), 26.0);
  EXPECT_EQ(T_VECTOR3D(2, 3, 6).Len(), 7.0);
  EXPECT_EQ(T_VECTOR3D(2, 3, 6).Distance(T_VECTOR3D()), 7.0);
  EXPECT_EQ(T_VECTOR3D(tagT_POINT3D{1, 2, 3}), T_VECTOR3D(1, 2, 3));

  T_VECTOR3D m(-1, 2, -3);
  EXPECT_EQ(m.Abs(), T_VECTOR3D(1, 2, 3));
  EXPECT_EQ(m, T_VECTOR3D(1, 2, 3));
}

TEST(VectorTest, EqualityIsExactAndNeverHoldsForNaN) {
  EXPECT_NE(T_VECTOR2D(1, 0), T_VECTOR2D(1, 1e-300));
  EXPECT_NE(T_VECTOR2D(kNaN, 0), T_VECTOR2D(kNaN, 0));
  EXPECT_FALSE(T_VECTOR3D(0, kNaN, 0) == T_VECTOR3D(0, kNaN, 0));
  EXPECT_EQ(T_VECTOR3D(0.0, 0, 0), T_VECTOR3D(-0.0, 0, 0));
}

}  // namespace
