// The 4-by-4 matrix: layout, affine maps, products and the inverse.
#include "zefcorek/Mat4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const T_MAT4 kCounting(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);

testing::AssertionResult matrixNear(const T_MAT4& got, const T_MAT4& want, double tol) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(got(r, c) - want(r, c)) > tol)
        return testing::AssertionFailure()
               << "element (" << r << ", " << c << ") is " << got(r, c) << ", wanted " << want(r, c);
    }
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult vectorNear(const T_VECTOR3D& got, const T_VECTOR3D& want, double tol) {
  if (got.Distance(want) <= tol) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z << "), wanted (" << want.x
                                     << ", " << want.y << ", " << want.z << ")";
}

TEST(Mat4Test, ElementsAreStoredColumnByColumn) {
  EXPECT_EQ(kCounting(0, 1), 2);
  EXPECT_EQ(kCounting(1, 0), 5);
  const double* stored = kCounting;
  const double expected[16] = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(stored[i], expected[i]) << i;
  EXPECT_TRUE(matrixNear(T_MAT4(expected), kCounting, 0));
  EXPECT_EQ(kCounting.Col(1), T_VECTOR3D(2, 6, 10));
  EXPECT_EQ(kCounting.Row(2), T_VECTOR3D(9, 10, 11));
}

TEST(Mat4Test, ArithmeticAndProducts) {
  EXPECT_TRUE(matrixNear(kCounting + kCounting, kCounting * 2.0, 0));
  EXPECT_TRUE(matrixNear(kCounting - kCounting, kCounting * 0.0, 0));
  const T_MAT4 square = kCounting * kCounting;
  EXPECT_EQ(square(0, 0), 90);
  EXPECT_EQ(square(0, 1), 100);
  EXPECT_EQ(square(3, 3), 600);
  EXPECT_TRUE(matrixNear(kCounting * T_MAT4(), kCounting, 0));
  EXPECT_TRUE(matrixNear(T_MAT4() * kCounting, kCounting, 0));
  // Row 3 plays no part in transforming a point.
  EXPECT_EQ(kCounting * T_VECTOR3D(1, 0, -1), T_VECTOR3D(2, 6, 10));
}

TEST(Mat4Test, TranslationAndRotation) {
  const T_MAT4 move = T_MAT4::Translation(T_VECTOR3D(1, 2, 3));
  EXPECT_EQ(move * T_VECTOR3D(0, 0, 0), T_VECTOR3D(1, 2, 3));
  EXPECT_EQ(move.Col(3), T_VECTOR3D(1, 2, 3));
  EXPECT_EQ(move.Row(0), T_VECTOR3D(1, 0, 0));
  EXPECT_TRUE(
      matrixNear(move * T_MAT4::Translation(T_VECTOR3D(-4, 0, 1)), T_MAT4::Translation(T_VECTOR3D(-3, 2, 4)), 0));

  struct Case {
    const char* what;
    T_VECTOR3D axis;
    double angle;
    T_VECTOR3D from, to;
  };
  const double third = 2 * M_PI / 3;
  const Case cases[] = {
      {"quarter turn about z, long axis", {0, 0, 2}, M_PI / 2, {1, 0, 0}, {0, 1, 0}},
      {"quarter turn about -z", {0, 0, -1}, M_PI / 2, {1, 0, 0}, {0, -1, 0}},
      {"quarter turn about x", {3, 0, 0}, M_PI / 2, {0, 1, 0}, {0, 0, 1}},
      {"third turn about the diagonal", {1, 1, 1}, third, {1, 0, 0}, {0, 1, 0}},
      {"the axis stays", {1, 2, 3}, 1.234, {2, 4, 6}, {2, 4, 6}},
      {"zero axis: scaled identity", {0, 0, 0}, M_PI / 3, {2, 4, 6}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    const T_MAT4 r = T_MAT4::Rotation(c.axis, c.angle);
    EXPECT_TRUE(vectorNear(r * c.from, c.to, 4e-15)) << c.what;
    EXPECT_EQ(r(3, 3), 1) << c.what;
    EXPECT_EQ(r.Col(3), T_VECTOR3D()) << c.what;
  }
}

TEST(Mat4Test, RotationLeavesTheSharedIdentityAlone) {
  T_MAT4& shared = T_MAT4::Identity();
  shared(0, 1) = 7;  // a caller scribbling on the shared matrix
  const T_MAT4 r = T_MAT4::Rotation(T_VECTOR3D(0, 0, 1), M_PI / 2);
  EXPECT_TRUE(vectorNear(r * T_VECTOR3D(1, 0, 0), T_VECTOR3D(0, 1, 0), 1e-15));
  EXPECT_EQ(shared(0, 1), 7);
  // Identity() itself resets the shared matrix, and hands out the same one.
  EXPECT_EQ(&T_MAT4::Identity(), &shared);
  EXPECT_TRUE(matrixNear(shared, T_MAT4(), 0));
}

TEST(Mat4Test, InverseOfKnownMatrices) {
  struct Case {
    const char* what;
    T_MAT4 m;
    T_MAT4 inverse;
  };
  const Case cases[] = {
      {"translation", T_MAT4::Translation(T_VECTOR3D(1, -2, 3)), T_MAT4::Translation(T_VECTOR3D(-1, 2, -3))},
      {"permutation", T_MAT4(0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0),
       T_MAT4(0, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0)},
      {"scaling", T_MAT4(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, -8, 0, 0, 0, 0, 1),
       T_MAT4(0.5, 0, 0, 0, 0, 0.25, 0, 0, 0, 0, -0.125, 0, 0, 0, 0, 1)},
  };
  for (const Case& c : cases) {
    T_MAT4 inv(kCounting);
    EXPECT_TRUE(inv.SetInv(c.m)) << c.what;
    EXPECT_TRUE(matrixNear(inv, c.inverse, 0)) << c.what;
  }

  // A matrix may invert itself.
  T_MAT4 self = T_MAT4::Rotation(T_VECTOR3D(1, 2, 2), 0.7);
  const T_MAT4 original = self;
  ASSERT_TRUE(self.SetInv(self));
  EXPECT_TRUE(matrixNear(self * original, T_MAT4(), 1e-15));
}

TEST(Mat4Test, InverseTimesMatrixIsTheIdentity) {
  std::mt19937 random(14);
  std::uniform_real_distribution<double> value(-10, 10);
  for (int round = 0; round < 20; ++round) {
    double elements[16];
    for (double& e : elements) e = value(random);
    const T_MAT4 m(elements);
    T_MAT4 inv;
    ASSERT_TRUE(inv.SetInv(m)) << round;
    EXPECT_TRUE(matrixNear(m * inv, T_MAT4(), 1e-12)) << round;
    EXPECT_TRUE(matrixNear(inv * m, T_MAT4(), 1e-12)) << round;
  }
}

TEST(Mat4Test, FailedInverseLeavesTheMatrixUnchanged) {
  const T_MAT4 singular[] = {
      T_MAT4(1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3),  // a zero row
      T_MAT4(1, 0, 2, 3, 4, 0, 5, 6, 7, 0, 8, 9, 1, 0, 1, 1),  // a zero column
      T_MAT4(1, 2, 0, 0, 2, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1),  // equal rows, scaled
  };
  for (const T_MAT4& m : singular) {
    T_MAT4 target = T_MAT4::Translation(T_VECTOR3D(5, 6, 7));
    EXPECT_FALSE(target.SetInv(m));
    EXPECT_TRUE(matrixNear(target, T_MAT4::Translation(T_VECTOR3D(5, 6, 7)), 0));
  }
}

}  // namespace
