#include "zefcorek/T3DRotation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

using Row = std::array<double, 4>;

Row row(const double* m, int r) { return Row{m[r * 4], m[r * 4 + 1], m[r * 4 + 2], m[r * 4 + 3]}; }

testing::AssertionResult rowNear(const double* m, int r, Row expected, double tol = 1e-15) {
  const Row got = row(m, r);
  for (int k = 0; k < 4; ++k) {
    if (!(std::fabs(got[k] - expected[k]) <= tol))
      return testing::AssertionFailure() << "row " << r << " = (" << got[0] << ", " << got[1] << ", " << got[2] << ", "
                                         << got[3] << ")";
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult isIdentity(const double* m) {
  for (int r = 0; r < 3; ++r) {
    Row expected{0, 0, 0, 0};
    expected[r] = 1;
    if (auto result = rowNear(m, r, expected, 0.0); !result) return result;
  }
  return testing::AssertionSuccess();
}

struct View {
  double x, y, z, dx, dy, dz;
};
View viewOf(const T3DRotation& rot) {
  View v{};
  rot.GetView(&v.x, &v.y, &v.z, &v.dx, &v.dy, &v.dz);
  return v;
}

TEST(T3DRotationTest, AfterConstructionEverythingIsTheIdentity) {
  const T3DRotation rot;
  for (const double* m : {rot.viewTranslation, rot.viewRotation, rot.viewMatrix, rot.objectTranslation,
                          rot.objectRotation, rot.objectMatrix, rot.combinedMatrix})
    EXPECT_TRUE(isIdentity(m));
  const View v = viewOf(rot);
  EXPECT_EQ(v.x, 0.0);
  EXPECT_EQ(v.dz, 1.0);
  tagT_POINT3D out{};
  T3DRotation::Transform(rot.combinedMatrix, {1, 2, 3}, out);
  EXPECT_EQ(out.x, 1.0);
  EXPECT_EQ(out.z, 3.0);
  EXPECT_DOUBLE_EQ(rot.pi, kPi);
}

TEST(T3DRotationTest, ViewMembers) {
  T3DRotation rot;
  rot.Move(1, 2, 3);
  View v = viewOf(rot);
  EXPECT_EQ(v.x, 1.0);
  EXPECT_EQ(v.y, 2.0);
  EXPECT_EQ(v.z, 3.0);
  tagT_POINT3D out{};
  T3DRotation::Transform(rot.viewMatrix, {1, 2, 3}, out);
  EXPECT_EQ(out.x, 0.0);
  EXPECT_EQ(out.y, 0.0);
  EXPECT_EQ(out.z, 0.0);
  // The combined matrix follows only the object members.
  EXPECT_TRUE(isIdentity(rot.combinedMatrix));
  rot.MoveObject(0, 0, 0);
  EXPECT_TRUE(rowNear(rot.combinedMatrix, 0, {1, 0, 0, -1}));

  T3DRotation fresh;
  fresh.MoveForward(5);
  v = viewOf(fresh);
  EXPECT_EQ(v.z, 5.0);

  T3DRotation turned;
  turned.RotateUp(0.7);
  turned.RotateUp(-0.7);
  for (int r = 0; r < 3; ++r) {
    Row expected{0, 0, 0, 0};
    expected[r] = 1;
    EXPECT_TRUE(rowNear(turned.viewRotation, r, expected, 1e-15));
  }
  T3DRotation rolled;
  rolled.Roll(kPi / 2);
  EXPECT_TRUE(rowNear(rolled.viewRotation, 0, {0, 1, 0, 0}, 1e-16));

  T3DRotation axis;
  axis.AxisAngle(0, 0, 0, 1);
  EXPECT_TRUE(isIdentity(axis.viewRotation));
  axis.AxisAngle(0, 0, 2, kPi / 2);
  EXPECT_TRUE(rowNear(axis.viewRotation, 0, {0, -1, 0, 0}, 1e-16));
}

TEST(T3DRotationTest, LookAt) {
  const struct {
    const char* name;
    double target[3];
    int result;
    Row right, up, forward;
  } cases[] = {
      {"along z", {0, 0, 10}, 0, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}},
      {"along the up vector", {0, 5, 0}, 0, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 0}},
      {"at the eye", {0, 0, 0}, -1, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}},
  };
  for (const auto& row : cases) {
    T3DRotation rot;
    EXPECT_EQ(rot.LookAt(0, 0, 0, row.target[0], row.target[1], row.target[2]), row.result) << row.name;
    EXPECT_TRUE(rowNear(rot.viewRotation, 0, row.right)) << row.name;
    EXPECT_TRUE(rowNear(rot.viewRotation, 1, row.up)) << row.name;
    EXPECT_TRUE(rowNear(rot.viewRotation, 2, row.forward)) << row.name;
  }
  T3DRotation rot;
  rot.UpVector(0, 0, 1);
  EXPECT_EQ(rot.LookAt(1, 1, 1, 1, 1, 1 + 1e-7), -1);
  EXPECT_TRUE(isIdentity(rot.viewTranslation));
}

// Orthonormal rows: R R^T = I.
double orthonormalError(const double* m) {
  double worst = 0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double d = 0;
      for (int k = 0; k < 3; ++k) d += m[i * 4 + k] * m[j * 4 + k];
      worst = std::max(worst, std::fabs(d - (i == j ? 1.0 : 0.0)));
    }
  }
  return worst;
}

TEST(T3DRotationTest, LongSequencesStayOrthonormal) {
  std::mt19937_64 random(4001);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  T3DRotation rot;
  for (int step = 0; step < 2000; ++step) {
    const double a = angle(random);
    switch (step % 8) {
      case 0:
        rot.Roll(a);
        rot.RollObject(a);
        break;
      case 1:
        rot.RotateRight(a);
        rot.RotateRightObject(a);
        break;
      case 2:
        rot.RotateUp(a);
        rot.RotateUpObject(a);
        break;
      case 3:
        rot.MoveForward(a);
        rot.MoveForwardObject(a);
        break;
      case 4:
        rot.MoveRight(a);
        rot.MoveUpObject(a);
        break;
      case 5:
        rot.MoveUp(a);
        rot.MoveRightObject(a);
        break;
      case 6: rot.AxisAngle(angle(random), angle(random), angle(random), a); break;
      default: rot.AxisAngleObject(angle(random), angle(random), angle(random), a); break;
    }
  }
  EXPECT_LT(orthonormalError(rot.viewRotation), 1e-12);
  EXPECT_LT(orthonormalError(rot.objectRotation), 1e-12);
  EXPECT_LT(orthonormalError(rot.combinedMatrix), 1e-12);
}

}  // namespace
