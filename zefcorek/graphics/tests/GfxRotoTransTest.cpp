// The control-point transformation: the point table, parameters, Compute,
// the unweighted fits, the coefficient record and numpy as an oracle.
#include "CommandOutput.h"
#include "GfxRotoTransFixture.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using graphics_test::point;

class RotoTransTest : public graphics_test::RotoTransFixture {
protected:
  void fit(uint32_t kind, const std::vector<GfxRotoTransPoint>& points, ZRESULT expected = 0) {
    rt->Reset(false);
    rt->SetParam(grpKind, kind);
    for (const GfxRotoTransPoint& p : points) ASSERT_EQ(rt->AddPoint(&p, nullptr), 0);
    ASSERT_EQ(rt->Compute(false), expected);
  }
  std::vector<double> coeffs(size_t count) {
    ZRESULT result = 0;
    std::vector<double> out = coeffsOf(count, result);
    EXPECT_EQ(result, 0);
    return out;
  }
};

TEST_F(RotoTransTest, OlderRecordsAndTheTable) {
  GfxRotoTransPoint old = point(1, 2, 3, 4, u"old", 7.0);
  old.cbSize = kGfxRotoTransPointOldSize;
  old.reserved2 = 0xFFFFFFFF;
  uint32_t id = 0;
  ASSERT_EQ(rt->AddPoint(&old, &id), 0);
  EXPECT_EQ(id, 1u);
  GfxRotoTransPoint back{};
  back.cbSize = kGfxRotoTransPointSize;
  ASSERT_EQ(rt->GetPoint(0, &back), 0);
  EXPECT_EQ(+back.weight, 1.0);
  EXPECT_EQ(back.reserved2, 0xFFFFFFFFu);
  // Into a 204-byte record: offsets 4 to 203 only.
  unsigned char bytes[212];
  std::memset(bytes, 0xAB, sizeof bytes);
  const uint32_t oldSize = kGfxRotoTransPointOldSize;
  std::memcpy(bytes, &oldSize, 4);
  ASSERT_EQ(rt->GetPoint(0, reinterpret_cast<GfxRotoTransPoint*>(bytes)), 0);
  EXPECT_EQ(std::memcmp(bytes + 4, reinterpret_cast<const unsigned char*>(&back) + 4, 200), 0);
  for (int i = 204; i < 212; ++i) EXPECT_EQ(bytes[i], 0xAB) << i;
  GfxRotoTransPoint wrong = back;
  wrong.cbSize = 208;
  EXPECT_EQ(rt->AddPoint(&wrong, nullptr), 10);
  EXPECT_EQ(rt->GetPoint(0, &wrong), 10);
  EXPECT_EQ(rt->GetPoint(1, &back), 10);

  // Full table.
  const GfxRotoTransPoint p = point(0, 0, 0, 0);
  for (uint32_t i = 1; i < kGfxRotoTransCapacity; ++i) ASSERT_EQ(rt->AddPoint(&p, nullptr), 0);
  EXPECT_EQ(rt->AddPoint(&p, nullptr), 2);
  uint32_t count = 0;
  rt->GetPointCount(&count);
  EXPECT_EQ(count, kGfxRotoTransCapacity);

  // Reset(true) keeps points and IDs; Reset(false) restarts both.
  rt->Reset(true);
  rt->GetPointCount(&count);
  EXPECT_EQ(count, kGfxRotoTransCapacity);
  rt->GetPointID(5, &id);
  EXPECT_EQ(id, 6u);
  rt->Reset(false);
  rt->GetPointCount(&count);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(rt->AddPoint(&p, &id), 0);
  EXPECT_EQ(id, 1u);
  void* out = &out;
  EXPECT_EQ(rt->QueryInterface(IID_IUnknown, &out), 21);
  EXPECT_EQ(out, nullptr);
}

TEST_F(RotoTransTest, IdsStayUnique) {
  std::mt19937 random(5);
  std::vector<uint32_t> live;
  const GfxRotoTransPoint p = point(0, 0, 0, 0);
  for (int step = 0; step < 2000; ++step) {
    if (live.empty() || random() % 3 != 0) {
      uint32_t id = 0;
      ASSERT_EQ(rt->AddPoint(&p, &id), 0);
      live.push_back(id);
    } else {
      const size_t at = random() % live.size();
      ASSERT_EQ(rt->DeletePointByID(live[at]), 0);
      live.erase(live.begin() + at);
    }
  }
  std::set<uint32_t> seen;
  uint32_t count = 0;
  rt->GetPointCount(&count);
  ASSERT_EQ(count, live.size());
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t id = 0;
    rt->GetPointID(i, &id);
    EXPECT_TRUE(seen.insert(id).second) << id;
    EXPECT_EQ(id, live[i]);
  }
  // Deleting the newest hands its ID back.
  uint32_t id = 0;
  rt->AddPoint(&p, &id);
  rt->DeletePointByID(id);
  uint32_t again = 0;
  rt->AddPoint(&p, &again);
  EXPECT_EQ(again, id);
  uint32_t index = 0;
  EXPECT_EQ(rt->IndexOfPointID(0xDEAD, &index), 10);
  EXPECT_EQ(index, kNoPointIndex);
}

TEST_F(RotoTransTest, ParametersNamesShiftsAndRotations) {
  fit(grtSimilarity, {point(0, 0, 10, 10, u"P12"), point(1, 0, 10, 12, u"b")});
  EXPECT_FALSE(rt->NeedsCompute());
  EXPECT_EQ(rt->SetParam(grpKind, 7), 0);
  EXPECT_TRUE(rt->NeedsCompute());
  T_POINT2D residual{1, 1};
  EXPECT_EQ(rt->GetResiduals(&residual, nullptr), 2);
  EXPECT_EQ(residual.x, 0.0);
  uint32_t count = 0;
  rt->GetPointCount(&count);
  EXPECT_EQ(count, 2u);
  rt->SetModified(false);
  EXPECT_EQ(rt->SetParam(grpKind, 7), 0);
  EXPECT_TRUE(rt->IsUnmodified()) << "an equal value changes nothing";
  EXPECT_EQ(rt->SetParam(3, 1), 10);
  uint32_t value = 0;
  EXPECT_EQ(rt->GetParam(3, &value), 10);

  uint32_t index = 7;
  EXPECT_EQ(rt->FindPointByName(u"p12", &index), 0);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(rt->FindPointByName(u"none", &index), 1);
  EXPECT_EQ(index, kNoPointIndex);
  EXPECT_EQ(rt->FindPointByName(nullptr, &index), 10);

  // Kind 2: the source shift moves both ends.
  rt->SetParam(grpKind, grtAxisScales);
  const T_POINT2D shiftA{1, 2}, shiftB{5, 5};
  ASSERT_EQ(rt->ShiftPoints(&shiftA, &shiftB), 0);
  GfxRotoTransPoint back{};
  back.cbSize = kGfxRotoTransPointSize;
  rt->GetPoint(1, &back);
  EXPECT_EQ(+back.srcX, 2.0);
  EXPECT_EQ(+back.dstX, 11.0);
  EXPECT_EQ(+back.dstY, 14.0);
  EXPECT_EQ(rt->ShiftPoints(nullptr, nullptr), 10);
  // About (1, 0) by pi/2 the source (2, 0) turns into (1, 1).
  fit(grtSimilarity, {point(2, 0, 0, 0)});
  const T_POINT2D centre{1, 0};
  ASSERT_EQ(rt->RotatePoints(&centre, nullptr, M_PI / 2), 0);
  rt->GetPoint(0, &back);
  EXPECT_NEAR(+back.srcX, 1.0, 1e-15);
  EXPECT_NEAR(+back.srcY, 1.0, 1e-15);
  EXPECT_FALSE(rt->NeedsCompute()) << "rotating keeps the fit";
  // A kind above the last leaves the points where they are, and both still
  // mark the object modified.
  ASSERT_EQ(rt->SetParam(grpKind, kGfxRotoTransLastKind + 1), 0);
  rt->SetModified(false);
  ASSERT_EQ(rt->ShiftPoints(&shiftA, &shiftB), 0);
  EXPECT_FALSE(rt->IsUnmodified());
  rt->SetModified(false);
  ASSERT_EQ(rt->RotatePoints(&centre, &centre, 1.0), 0);
  EXPECT_FALSE(rt->IsUnmodified());
  rt->GetPoint(0, &back);
  EXPECT_NEAR(+back.srcX, 1.0, 1e-15);
  EXPECT_NEAR(+back.srcY, 1.0, 1e-15);
  EXPECT_EQ(+back.dstX, 0.0);
}

TEST_F(RotoTransTest, SimilarityFits) {
  fit(grtSimilarity, {point(0, 0, 10, 10), point(1, 0, 10, 12)});
  EXPECT_EQ(coeffs(6), (std::vector<double>{0, 0, 2, 0, 10, 10}));
  const T_POINT2D p = map(0, 1);
  EXPECT_EQ(p.x, 8.0);
  EXPECT_EQ(p.y, 10.0);
  T_POINT2D f{}, i{};
  ASSERT_EQ(rt->GetResiduals(&f, &i), 0);
  EXPECT_EQ(f.x + f.y + i.x + i.y, 0.0);

  for (uint32_t kind : {grtSimilarity, grtSimilarityCentred}) {
    SCOPED_TRACE(kind);
    fit(kind, {point(3, 4, 103, 204)});
    const std::vector<double> c = coeffs(8);
    EXPECT_EQ(c[0], 3);
    EXPECT_EQ(c[3], 1);
    EXPECT_EQ(kind == grtSimilarity ? c[4] : c[6], 103);
    const T_POINT2D q = map(4, 4);
    EXPECT_EQ(q.x, 104);
    EXPECT_EQ(q.y, 204);
  }
  fit(grtSimilarity, {point(0, 0, 5, -1), point(2, 0, 9, -1), point(0, 2, 5, 3)});
  const std::vector<double> c = coeffs(6);
  EXPECT_NEAR(c[0], 2.0 / 3, 1e-15);
  EXPECT_NEAR(c[1], 2.0 / 3, 1e-15);
  EXPECT_NEAR(c[2], 0, 1e-14);
  EXPECT_NEAR(c[3], 2, 1e-14);
  fit(grtSimilarity, {point(1, 1, 0, 0), point(1, 1, 5, 5), point(1, 1, 7, 7)}, 2);
  EXPECT_TRUE(rt->NeedsCompute());
}

TEST_F(RotoTransTest, AffineAndAxisScales) {
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 0, 3, 1), point(0, 1, 1, 4)});
  const T_POINT2D p = map(1, 1);
  EXPECT_NEAR(p.x, 3, 1e-14);
  EXPECT_NEAR(p.y, 4, 1e-14);
  const T_POINT2D q = unmap(3, 4);
  EXPECT_NEAR(q.x, 1, 1e-14);
  EXPECT_NEAR(q.y, 1, 1e-14);
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 0, 3, 1)}, 2);
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 1, 3, 1), point(2, 2, 1, 4)}, 2);

  auto segment = [](double x1, double y1, double x2, double y2, double length) {
    GfxRotoTransPoint p = point(x1, y1, x2, y2);
    p.length = length;
    return p;
  };
  fit(grtAxisScales, {segment(0, 0, 3, 4, 10)});
  EXPECT_EQ(coeffs(2), (std::vector<double>{2, 2}));
  fit(grtAxisScales, {segment(0, 0, 0, 5, 10)});
  std::vector<double> c = coeffs(2);
  EXPECT_NEAR(c[0], 2, 1e-12);
  EXPECT_EQ(c[1], 2);
  fit(grtAxisScales, {segment(0, 0, 1, 0, 1), segment(0, 0, 2, 0, 4)});
  c = coeffs(2);
  EXPECT_NEAR(c[0], 1.8, 1e-12);
  EXPECT_NEAR(c[1], 1.5, 1e-6);
  T_POINT2D f{}, i{};
  ASSERT_EQ(rt->GetResiduals(&f, &i), 0);
  EXPECT_NEAR(f.x, std::sqrt(0.8) / 2, 1e-10);
  EXPECT_EQ(f.y + i.x + i.y, 0.0);
}

// The array forms map each point as the one-point calls do; unsolved, they
// fail and write nothing.
TEST_F(RotoTransTest, ArraysOfPoints) {
  const T_POINT2D in[3] = {{1, 1}, {-2, 0.5}, {3, 4}};
  T_POINT2D out[3] = {{9, 9}, {9, 9}, {9, 9}};
  EXPECT_EQ(rt->TransformPoints(in, out, 3), 2);
  EXPECT_EQ(rt->InverseTransformPoints(in, out, 3), 2);
  for (const T_POINT2D& q : out) EXPECT_TRUE(q.x == 9 && q.y == 9);
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 0, 3, 1), point(0, 1, 1, 4)});
  EXPECT_EQ(rt->TransformPoints(nullptr, out, 3), 10);
  EXPECT_EQ(rt->InverseTransformPoints(in, nullptr, 3), 10);
  ASSERT_EQ(rt->TransformPoints(in, out, 3), 0);
  for (int i = 0; i < 3; ++i) {
    const T_POINT2D one = map(in[i].x, in[i].y);
    EXPECT_TRUE(out[i].x == one.x && out[i].y == one.y) << i;
  }
  ASSERT_EQ(rt->InverseTransformPoints(in, out, 3), 0);
  for (int i = 0; i < 3; ++i) {
    const T_POINT2D one = unmap(in[i].x, in[i].y);
    EXPECT_TRUE(out[i].x == one.x && out[i].y == one.y) << i;
  }
}

TEST_F(RotoTransTest, ComputeFailuresAndOptions) {
  fit(25, {point(0, 0, 1, 1)}, 2);
  EXPECT_TRUE(rt->NeedsCompute());
  T_POINT2D in{3, 4}, out{};
  EXPECT_EQ(rt->TransformPoint(&in, &out), 2);
  EXPECT_EQ(out.x, 3.0);
  EXPECT_EQ(out.y, 4.0);

  // A failing Compute(true) keeps a held fit.
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 0, 3, 1), point(0, 1, 1, 4)});
  const std::vector<double> held = coeffs(8);
  // SetPoint keeps the fit; collinear sources then make the refit fail.
  const GfxRotoTransPoint on1 = point(1, 1, 3, 1), on2 = point(2, 2, 1, 4);
  rt->SetPoint(1, &on1);
  rt->SetPoint(2, &on2);
  EXPECT_EQ(rt->Compute(true), 2);
  EXPECT_FALSE(rt->NeedsCompute());
  EXPECT_EQ(coeffs(8), held);
  EXPECT_EQ(map(1, 1).y, 4.0);
  // Without a held fit it stays unsolved.
  rt->Reset(true);
  EXPECT_EQ(rt->Compute(true), 2);
  EXPECT_TRUE(rt->NeedsCompute());
  uint32_t kind = 0;
  rt->GetParam(grpKind, &kind);
  EXPECT_EQ(kind, uint32_t{grtAffine});

  // Duplicates: only the later of two points 1e-7 apart takes part.
  rt->Reset(false);
  rt->SetParam(grpInputOptions, grtDropDuplicates);
  const GfxRotoTransPoint a = point(0, 0, 10, 10, u"first");
  const GfxRotoTransPoint b = point(1e-7, 0, 20, 20, u"later");
  const GfxRotoTransPoint c = point(1, 0, 10, 12);
  rt->AddPoint(&a, nullptr);
  rt->AddPoint(&b, nullptr);
  rt->AddPoint(&c, nullptr);
  rt->SetParam(grpKind, grtSimilarity);
  ASSERT_EQ(rt->Compute(false), 0);
  uint32_t index = 0;
  EXPECT_EQ(rt->FindPointByName(u"first", &index), 1);
  EXPECT_EQ(rt->FindPointByName(u"later", &index), 0);

  // Conformed affine: orthogonal rows of equal length.
  rt->Reset(false);
  rt->SetParam(grpResultOptions, grtConformAffine);
  fit(grtAffine, {point(0, 0, 0, 0), point(1, 0, 2, 0.5), point(0, 1, 0.1, 3), point(1, 1, 2, 4)});
  const std::vector<double> k = coeffs(8);
  EXPECT_NEAR(k[2] * k[5] + k[3] * k[4], 0, 1e-12);
  EXPECT_NEAR(std::hypot(k[2], k[3]), std::hypot(k[4], k[5]), 1e-12);
  // A c4 of 0 on rows that are not orthogonal fails and restores nothing.
  // X = x + y, Y = x on a square about the origin: c4 is exactly 0.
  fit(grtAffine, {point(-1, -1, -2, -1), point(1, -1, 0, 1), point(1, 1, 2, 1), point(-1, 1, 0, -1)}, 2);
  EXPECT_TRUE(rt->NeedsCompute());
}

TEST_F(RotoTransTest, UnsoundInversesFail) {
  // All destination points equal: d = 0 for the similarity inverse.
  fit(grtSimilarity, {point(-1, 0, 5, 5), point(1, 0, 5, 5), point(0, 1, 5, 5), point(0, -1, 5, 5)});
  T_POINT2D in{5, 5}, out{-1, -1};
  EXPECT_EQ(rt->InverseTransformPoint(&in, &out), 2);
  EXPECT_EQ(out.x, -1.0);
  T_POINT2D f{}, i{};
  ASSERT_EQ(rt->GetResiduals(&f, &i), 0);
  EXPECT_EQ(i.x, 0.0) << "failed inverses add nothing";
  EXPECT_TRUE(std::isfinite(f.x));

  // A zero axis scale; the oriented kinds with p = q = 0 (set by record).
  GfxRotoTransStreamableCoeffs record{};
  record.cbSize = kGfxRotoTransCoeffsSize;
  record.kind = grtAxisScales;
  const double scales[2] = {0, 1};
  std::memcpy(record.coeffs, scales, sizeof scales);
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  EXPECT_EQ(rt->InverseTransformPoint(&in, &out), 2);
  record.kind = grtOrientSimilarity;
  std::memset(record.coeffs, 0, sizeof record.coeffs);
  const double r = 1.0;
  std::memcpy(record.coeffs + 4 + 4 * 8, &r, 8);
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  EXPECT_EQ(rt->InverseTransformPoint(&in, &out), 2);
  EXPECT_EQ(out.x, -1.0);
}

TEST_F(RotoTransTest, CoefficientRecordRoundTrip) {
  fit(grtAffine, {point(0, 0, 1, 1), point(1, 0, 3, 1), point(0, 1, 1, 4), point(2, 3, 7, 9)});
  GfxRotoTransStreamableCoeffs record{};
  record.cbSize = kGfxRotoTransCoeffsSize;
  ASSERT_EQ(rt->GetCoeffs(&record), 0);
  EXPECT_EQ(record.pointCount, 4u);
  EXPECT_EQ(record.kind, uint32_t{grtAffine});
  for (size_t b = 52 + 64; b < 308; ++b) ASSERT_EQ(reinterpret_cast<const uint8_t*>(&record)[b], 0) << b;
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IGfxRotoTransImp, &made, 0), S_OK);
  auto* other = static_cast<IGfxRotoTrans*>(made);
  ASSERT_EQ(other->SetCoeffs(&record, false), 0);
  EXPECT_FALSE(other->NeedsCompute());
  uint32_t count = 9;
  other->GetPointCount(&count);
  EXPECT_EQ(count, 0u);
  const T_POINT2D in{2.5, -1.25};
  T_POINT2D a{}, b{};
  rt->TransformPoint(&in, &a);
  other->TransformPoint(&in, &b);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  record.version = 1;
  EXPECT_EQ(other->SetCoeffs(&record, false), 10);
  record.version = 0;
  record.kind = 21;
  EXPECT_EQ(other->SetCoeffs(&record, false), 2);
  other->Release();
  rt->Reset(true);
  record.kind = 1;
  EXPECT_EQ(rt->GetCoeffs(&record), 2);
  EXPECT_EQ(record.kind, 0u) << "zeroed";
}

// Kinds 0 and 1 on noisy points agree with numpy's lstsq on the same
// equations.
TEST_F(RotoTransTest, AgreesWithNumpy) {
  std::mt19937 random(17);
  std::normal_distribution<double> noise(0, 0.01);
  std::uniform_real_distribution<double> coordinate(-50, 50);
  std::vector<GfxRotoTransPoint> points;
  for (int i = 0; i < 30; ++i) {
    const double x = coordinate(random), y = coordinate(random);
    points.push_back(point(x, y, 1.5 * x - 0.7 * y + 100 + noise(random), 0.6 * x + 1.4 * y - 20 + noise(random)));
  }
  std::ostringstream data;
  data.precision(17);
  for (const GfxRotoTransPoint& p : points)
    data << "[" << +p.srcX << "," << +p.srcY << "," << +p.dstX << "," << +p.dstY << "],";
  const std::string script =
      "import numpy as np\n"
      "p=np.array([" +
      data.str() +
      "])\n"
      "c=p[:,:2].mean(axis=0); x=p[:,0]-c[0]; y=p[:,1]-c[1]; X=p[:,2]; Y=p[:,3]\n"
      "o=np.zeros_like(x); l=np.ones_like(x)\n"
      "A=np.vstack([np.column_stack([x,-y,l,o]),np.column_stack([y,x,o,l])])\n"
      "s=np.linalg.lstsq(A,np.concatenate([X,Y]),rcond=None)[0]\n"
      "B=np.vstack([np.column_stack([x,y,o,o,l,o]),np.column_stack([o,o,y,x,o,l])])\n"
      "a=np.linalg.lstsq(B,np.concatenate([X,Y]),rcond=None)[0]\n"
      "print(' '.join(repr(float(v)) for v in list(s)+list(a)))\n";
  std::string text;
  ASSERT_NO_FATAL_FAILURE(
      graphics_test::readCommand("/usr/bin/python3 -c \"" + script + "\"", "python3-numpy is needed\n", &text));
  std::istringstream values(text);
  double s[4], a[6];
  for (double& v : s) values >> v;
  for (double& v : a) values >> v;
  ASSERT_TRUE(values);

  fit(grtSimilarity, points);
  std::vector<double> c = coeffs(6);
  const double similarity[4] = {c[3], c[2], c[4], c[5]};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(similarity[k], s[k], 1e-9 * std::max(1.0, std::fabs(s[k]))) << k;
  fit(grtAffine, points);
  c = coeffs(8);
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(c[2 + k], a[k], 1e-9 * std::max(1.0, std::fabs(a[k]))) << k;
}

}  // namespace
