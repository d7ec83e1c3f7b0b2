#include "zefcorek/PlaneFit.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/MtxLib.h"
#include "zefcorek/ZefCoreK.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace {

IPlaneFit* makeFit() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPlaneFitImp, &out, 0), S_OK);
  return static_cast<IPlaneFit*>(out);
}

struct FitReleaser {
  void operator()(IPlaneFit* fit) const { fit->Release(); }
};
using FitPtr = std::unique_ptr<IPlaneFit, FitReleaser>;

T_PLANEFITDATA planeOf(IPlaneFit* fit) {
  T_PLANEFITDATA data{9, 9, 9, 9};
  EXPECT_EQ(fit->GetPlaneData(&data), S_OK);
  return data;
}

TEST(PlaneFitTest, FitsByNumberOfPoints) {
  const struct {
    const char* name;
    std::initializer_list<tagT_POINT3D> points;
    HRESULT result;
    T_PLANEFITDATA plane;
  } cases[] = {
      {"no point", {}, E_FAIL, {0, 0, 0, 0}},
      {"one point", {{1, 2, 5}}, S_OK, {1, 0, 0, 5}},
      {"two points", {{1, 2, 4}, {-7, 3, 6}}, S_OK, {1, 0, 0, 5}},
      {"four points", {{0, 0, 1}, {1, 0, 3}, {0, 1, 4}, {1, 1, 6}}, S_OK, {1, 2, 3, 1}},
      {"on one line in x-y", {{0, 0, 1}, {1, 1, 2}, {2, 2, 3}}, E_FAIL, {0, 0, 0, 0}},
  };
  for (const auto& row : cases) {
    FitPtr fit(makeFit());
    unsigned id = 0;
    for (const tagT_POINT3D& p : row.points) fit->AddPoint(id++, &p);
    // Compute overwrites whatever the record held, also when it fails.
    const T_PLANEFITDATA stale{1, 7, 7, 7};
    fit->SetPlaneData(&stale);
    EXPECT_EQ(fit->Compute(), row.result) << row.name;
    const T_PLANEFITDATA got = planeOf(fit.get());
    EXPECT_EQ(got.valid, row.plane.valid) << row.name;
    EXPECT_NEAR(got.a, row.plane.a, 1e-14) << row.name;
    EXPECT_NEAR(got.b, row.plane.b, 1e-14) << row.name;
    EXPECT_NEAR(got.c, row.plane.c, 1e-14) << row.name;
  }
}

TEST(PlaneFitTest, PointsRecordAndInterface) {
  FitPtr fit(makeFit());
  EXPECT_EQ(fit->GetCount(), 0u);
  EXPECT_EQ(planeOf(fit.get()).valid, 0u);
  EXPECT_EQ(fit->AddPoint(1, nullptr), E_INVALIDARG);
  for (unsigned id : {10u, 20u, 30u}) {
    const tagT_POINT3D p{double(id), 0, 0};
    EXPECT_EQ(fit->AddPoint(id, &p), S_OK);
  }
  EXPECT_EQ(fit->GetCount(), 3u);
  unsigned id = 0;
  tagT_POINT3D p{};
  EXPECT_EQ(fit->GetPoint(0, &id, &p), S_OK);
  EXPECT_EQ(id, 30u);
  EXPECT_EQ(p.x, 30.0);
  EXPECT_EQ(fit->GetPoint(2, &id, nullptr), S_OK);
  EXPECT_EQ(id, 10u);
  p = {5, 5, 5};
  EXPECT_EQ(fit->GetPoint(3, &id, &p), E_INVALIDARG);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(p.x, 0.0);
  EXPECT_EQ(p.y, 0.0);
  EXPECT_EQ(p.z, 5.0) << "z is not written";
  EXPECT_EQ(fit->GetPoint(0, nullptr, nullptr), E_INVALIDARG);

  const T_PLANEFITDATA set{1, 0.5, -0.5, 42};
  EXPECT_EQ(fit->SetPlaneData(&set), S_OK);
  EXPECT_EQ(planeOf(fit.get()).c, 42.0);
  EXPECT_EQ(fit->SetPlaneData(nullptr), E_INVALIDARG);
  EXPECT_EQ(fit->GetPlaneData(nullptr), E_INVALIDARG);
  // The points lie on one line: Compute overwrites the record with zeros.
  EXPECT_EQ(fit->Compute(), E_FAIL);
  EXPECT_EQ(planeOf(fit.get()).c, 0.0);

  void* out = nullptr;
  EXPECT_EQ(fit->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, fit.get());
  EXPECT_EQ(fit->Release(), 1u);
  EXPECT_EQ(fit->QueryInterface(CLSID_IPlaneFitImp, &out), S_OK);
  EXPECT_EQ(fit->Release(), 1u);
  out = fit.get();
  EXPECT_EQ(fit->QueryInterface(IID_IStdDataInterface, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(fit->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);

  EXPECT_EQ(fit->Clear(), S_OK);
  EXPECT_EQ(fit->GetCount(), 0u);
}

// The exact least-squares plane of the points (as doubles, exactly) from the
// normal equations over the rationals, by Cramer's rule.
std::vector<mpq_class> exactPlane(const std::vector<tagT_POINT3D>& points) {
  mpq_class m[3][3], v[3];
  for (const tagT_POINT3D& p : points) {
    const mpq_class x(p.x), y(p.y), z(p.z);
    const mpq_class row[3] = {x, y, 1};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      v[i] += row[i] * z;
    }
  }
  const auto det = [](const mpq_class a[3][3]) -> mpq_class {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const mpq_class d = det(m);
  std::vector<mpq_class> solution;
  for (int k = 0; k < 3; ++k) {
    mpq_class replaced[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) replaced[i][j] = j == k ? v[i] : m[i][j];
    }
    solution.push_back(det(replaced) / d);
  }
  return solution;
}

// The plane from the raw sums of the coordinates, as a fit without
// centring would form it.
std::vector<double> rawSumsPlane(const std::vector<tagT_POINT3D>& points) {
  MtxLib::TGenMtx m(3, 3);
  MtxLib::TColVec v(3);
  for (const tagT_POINT3D& p : points) {
    const double row[3] = {p.x, p.y, 1.0};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m.At(i, j) += row[i] * row[j];
      v.At(i, 0) += row[i] * p.z;
    }
  }
  std::unique_ptr<MtxLib::TGenMtx> s(m.Solve(v));
  return {s->At(0, 0), s->At(1, 0), s->At(2, 0)};
}

double relativeError(double got, const mpq_class& exact) {
  const mpq_class error = mpq_class(got) - exact;
  return std::fabs(error.get_d()) / std::fabs(exact.get_d());
}

TEST(PlaneFitTest, SurveyingCoordinatesAgreeWithExactLeastSquares) {
  std::mt19937_64 random(4101);
  std::uniform_real_distribution<double> spread(0.0, 1000.0);
  std::normal_distribution<double> noise(0.0, 0.01);
  std::vector<tagT_POINT3D> points;
  FitPtr fit(makeFit());
  for (unsigned i = 0; i < 1000; ++i) {
    const double x = 5e5 + spread(random), y = 5e6 + spread(random);
    const tagT_POINT3D p{x, y, 0.013 * x - 0.021 * y + 1234.5 + noise(random)};
    points.push_back(p);
    fit->AddPoint(i, &p);
  }
  ASSERT_EQ(fit->Compute(), S_OK);
  const T_PLANEFITDATA got = planeOf(fit.get());
  const std::vector<mpq_class> exact = exactPlane(points);
  EXPECT_LE(relativeError(got.a, exact[0]), 1e-9);
  EXPECT_LE(relativeError(got.b, exact[1]), 1e-9);
  EXPECT_LE(relativeError(got.c, exact[2]), 1e-9);

  // The raw sums lose the plane's constant on the same points.
  const std::vector<double> raw = rawSumsPlane(points);
  EXPECT_GT(relativeError(raw[2], exact[2]), 1e-9);
}

}  // namespace
