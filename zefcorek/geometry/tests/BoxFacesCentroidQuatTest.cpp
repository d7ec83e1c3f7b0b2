// Box faces and corners, polygon centroids, the matrix of a quaternion, its
// Euler angles and the shared identity.
#include "zefcorek/BBox3D.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/Mat4.h"
#include "zefcorek/PolygonCentroid.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

bool same(const tagT_POINT3D& a, const tagT_POINT3D& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(BoxFacesTest, FacesAndCorners) {
  T_BBOX3D box;
  tagT_POINT3D face[4] = {};
  EXPECT_FALSE(box.GetFace(0, face));
  const tagT_POINT3D lo{1, 2, 3}, hi{4, 5, 6};
  box.Init(&lo, &hi);
  EXPECT_FALSE(box.GetFace(7, face));
  const struct {
    unsigned face;
    tagT_POINT3D corners[4];
  } cases[] = {
      {0, {{1, 2, 6}, {4, 2, 6}, {4, 5, 6}, {1, 5, 6}}}, {1, {{1, 2, 3}, {4, 2, 3}, {4, 5, 3}, {1, 5, 3}}},
      {2, {{1, 2, 3}, {1, 5, 3}, {1, 5, 6}, {1, 2, 6}}}, {3, {{4, 2, 3}, {4, 5, 3}, {4, 5, 6}, {4, 2, 6}}},
      {4, {{1, 2, 3}, {4, 2, 3}, {4, 2, 6}, {1, 2, 6}}}, {5, {{1, 5, 3}, {4, 5, 3}, {4, 5, 6}, {1, 5, 6}}},
      {6, {{1, 2, 0}, {4, 2, 0}, {4, 5, 0}, {1, 5, 0}}},
  };
  for (const auto& row : cases) {
    ASSERT_TRUE(box.GetFace(row.face, face)) << row.face;
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(same(face[k], row.corners[k])) << "face " << row.face << ", corner " << k;
  }
  tagT_POINT3D corner{};
  EXPECT_TRUE(box.GetVertex(5, &corner));
  EXPECT_TRUE(same(corner, {4, 2, 6}));
  corner = {7, 7, 7};
  EXPECT_FALSE(box.GetVertex(8, &corner));
  EXPECT_TRUE(same(corner, {7, 7, 7}));
}

template <class Point>
IRecList* polygon(std::initializer_list<Point> points) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), S_OK);
  auto* list = static_cast<IRecList*>(out);
  list->SetOption(0, sizeof(Point));
  for (const Point& p : points) list->AddTail(&p, nullptr);
  return list;
}

TEST(PolygonCentroidTest, TwoAndThreeDimensions) {
  const struct {
    const char* name;
    std::initializer_list<T_POINT2D> points;
    bool result;
    T_POINT2D centroid;
  } cases2[] = {
      {"unit square ccw", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true, {0.5, 0.5}},
      {"unit square cw", {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, true, {0.5, 0.5}},
      {"L shape", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, true, {5.0 / 6, 5.0 / 6}},
      {"square of side 0.03", {{0, 0}, {0.03, 0}, {0.03, 0.03}, {0, 0.03}}, false, {0, 0}},
  };
  for (const auto& row : cases2) {
    IRecList* list = polygon(row.points);
    T_POINT2D out{9, 9};
    EXPECT_EQ(CalcPgonCentroid2D(list, &out), row.result) << row.name;
    EXPECT_NEAR(out.x, row.centroid.x, 1e-15) << row.name;
    EXPECT_NEAR(out.y, row.centroid.y, 1e-15) << row.name;
    list->Release();
  }
  EXPECT_FALSE(CalcPgonCentroid2D(nullptr, nullptr));

  IRecList* two = polygon<tagT_POINT3D>({{0, 0, 0}, {1, 0, 0}});
  tagT_POINT3D out{9, 9, 9};
  EXPECT_FALSE(CalcPgonCentroid3D(two, &out));
  EXPECT_EQ(out.x, 9.0);
  two->Release();
  IRecList* square = polygon<tagT_POINT3D>({{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}});
  EXPECT_TRUE(CalcPgonCentroid3D(square, &out));
  EXPECT_NEAR(out.x, 0.5, 1e-15);
  EXPECT_NEAR(out.y, 0.5, 1e-15);
  EXPECT_NEAR(out.z, 2.0, 1e-15);
  square->Release();
  IRecList* flat = polygon<tagT_POINT3D>({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
  out = {9, 9, 9};
  EXPECT_FALSE(CalcPgonCentroid3D(flat, &out));
  EXPECT_EQ(out.x, 9.0);
  flat->Release();
}

testing::AssertionResult matricesNear(const T_MAT4& a, const T_MAT4& b, double tol) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (!(std::fabs(a(r, c) - b(r, c)) <= tol))
        return testing::AssertionFailure() << "(" << r << ", " << c << "): " << a(r, c) << " against " << b(r, c);
    }
  }
  return testing::AssertionSuccess();
}

TEST(QuaternionTest, MatrixOfAQuaternion) {
  EXPECT_TRUE(matricesNear(T_MAT4(T_QUAT{0, 0, 0, 1}), T_MAT4(), 0.0));
  EXPECT_TRUE(matricesNear(T_MAT4(T_QUAT{0, 0, 0, 0}), T_MAT4(), 0.0));
  const T_MAT4 quarter(T_QUAT{0, 0, std::sin(kPi / 4), std::cos(kPi / 4)});
  EXPECT_NEAR(quarter(1, 0), 1.0, 1e-15);
  EXPECT_NEAR(quarter(0, 1), -1.0, 1e-15);

  // Against the rotation about the quaternion's axis by its angle, and any
  // length of quaternion.
  std::mt19937_64 random(4002);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 200; ++trial) {
    const T_VECTOR3D axis = T_VECTOR3D(unit(random), unit(random), unit(random)).Normalized();
    const double angle = unit(random) * kPi;
    const double scale = 0.1 + 5 * (unit(random) + 1);
    const double s = std::sin(angle / 2) * scale;
    const T_QUAT q{axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2) * scale};
    EXPECT_TRUE(matricesNear(T_MAT4(q), T_MAT4::Rotation(axis, angle), 1e-12)) << trial;
  }
}

// The matrix whose Euler angles are (a, b, c): the transpose of
// Rz(a) Ry(b) Rx(c).
T_MAT4 fromEuler(double a, double b, double c) {
  const T_MAT4 r = T_MAT4::Rotation(T_VECTOR3D(0, 0, 1), a) * T_MAT4::Rotation(T_VECTOR3D(0, 1, 0), b) *
                   T_MAT4::Rotation(T_VECTOR3D(1, 0, 0), c);
  T_MAT4 m;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) m(i, j) = r(j, i);
  }
  return m;
}

TEST(QuaternionTest, EulerAngles) {
  std::mt19937_64 random(4003);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 200; ++trial) {
    const double a = unit(random) * 3, b = unit(random) * 1.5, c = unit(random) * 3;
    double ga = 0, gb = 0, gc = 0;
    fromEuler(a, b, c).GetEulerAngles(&ga, &gb, &gc);
    EXPECT_NEAR(ga, a, 1e-12) << trial;
    EXPECT_NEAR(gb, b, 1e-12) << trial;
    EXPECT_NEAR(gc, c, 1e-12) << trial;
  }
  // At b = pi/2 only a - c is fixed: the angles given back rebuild the
  // matrix.
  const T_MAT4 locked = fromEuler(0.4, kPi / 2, 1.1);
  double ga = 9, gb = 9, gc = 9;
  locked.GetEulerAngles(&ga, &gb, &gc);
  EXPECT_EQ(ga, 0.0);
  EXPECT_TRUE(matricesNear(fromEuler(ga, gb, gc), locked, 1e-12));

  locked.GetEulerAngles(nullptr, nullptr, nullptr);
  double only = 9;
  locked.GetEulerAngles(nullptr, &only, nullptr);
  EXPECT_NEAR(only, kPi / 2, 1e-12);
}

TEST(QuaternionTest, SharedIdentity) {
  T_MAT4& shared = T_MAT4::Identity();
  EXPECT_EQ(&shared, &T_MAT4::miIdentity);
  shared(0, 3) = 42;
  EXPECT_TRUE(matricesNear(T_MAT4::Identity(), T_MAT4(), 0.0));
  shared(1, 1) = 7;
  (void)T_MAT4::Rotation(T_VECTOR3D(1, 0, 0), 1.0);
  EXPECT_EQ(T_MAT4::miIdentity(1, 1), 7.0) << "Rotation must not reset the shared matrix";
  T_MAT4::Identity();
}

}  // namespace
