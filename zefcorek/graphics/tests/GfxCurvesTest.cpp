// Point sequences, the B-spline and polyline smoothing.
#include "zefcorek/GfxBSpline.h"
#include "zefcorek/GfxPoints.h"
#include "zefcorek/SmoothPoly.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/V3DList.h"
#include "zefcorek/ZefCoreK.h"

#include "CommandOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Points = std::vector<tagT_POINT3D>;

IGfxPtDestination3* makePoints(const Points& points, uint32_t options = 0) {
  void* made = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IGfxPtDestination3Imp, &made, 0), S_OK);
  auto* sequence = static_cast<IGfxPtDestination3*>(made);
  for (const tagT_POINT3D& p : points) EXPECT_EQ(sequence->AddPoint(&p), 0);
  sequence->SetOptions(options);
  return sequence;
}

Points pointsOf(IGfxPtSource3* source) {
  uint32_t count = 0;
  source->GetCount(&count);
  Points out(count);
  for (uint32_t i = 0; i < count; ++i) source->GetPoint(i, &out[i]);
  return out;
}

::testing::AssertionResult near(const tagT_POINT3D& a, const tagT_POINT3D& b, double tolerance) {
  if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                       << ", " << b.z << ")";
}

TEST(GfxPoints, IndexesCountsBoundsAndCopies) {
  IGfxPtDestination3* three = makePoints({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
  tagT_POINT3D p{};
  EXPECT_EQ(three->GetPoint(4, &p), 0);
  EXPECT_EQ(p.x, 1);
  three->ChangeOptions(kGfxPtNoWrap, true);
  EXPECT_EQ(three->GetPoint(4, &p), 10);
  EXPECT_EQ(three->SetPoint(3, &p), 10);
  EXPECT_EQ(three->GetPoint(2, nullptr), 10);
  EXPECT_EQ(three->TestOptions(kGfxPtNoWrap), 0);
  EXPECT_EQ(three->TestOptions(kGfxPtNoWrap | kGfxPtClosed), 1);

  IGfxPtDestination3* empty = makePoints({});
  for (uint32_t options : {0u, kGfxPtNoWrap}) {
    empty->SetOptions(options);
    EXPECT_EQ(empty->GetPoint(0, &p), 10);
  }
  tagT_POINT3D lo{9, 9, 9}, hi{9, 9, 9};
  EXPECT_EQ(empty->GetBounds(&lo, &hi), 0);
  EXPECT_TRUE(near(lo, {0, 0, 0}, 0));
  EXPECT_TRUE(near(hi, {0, 0, 0}, 0));

  IGfxPtDestination3* two = makePoints({{1, 5, -2}, {3, -1, 0}});
  EXPECT_EQ(two->GetBounds(&lo, &hi), 0);
  EXPECT_TRUE(near(lo, {1, -1, -2}, 0));
  EXPECT_TRUE(near(hi, {3, 5, 0}, 0));
  EXPECT_EQ(two->SetCount(5), 0);
  Points grown = pointsOf(two);
  ASSERT_EQ(grown.size(), 5u);
  EXPECT_TRUE(near(grown[1], {3, -1, 0}, 0));
  EXPECT_TRUE(near(grown[4], {0, 0, 0}, 0));
  EXPECT_EQ(two->SetCount(1), 0);
  EXPECT_EQ(pointsOf(two).size(), 1u);
  EXPECT_EQ(two->Grow(2), 0);
  EXPECT_EQ(pointsOf(two).size(), 3u);
  EXPECT_EQ(two->Grow(0xFFFFFFFF), 30) << "the count stays";
  EXPECT_EQ(pointsOf(two).size(), 3u);

  // CopyFrom takes the points and the closed and no-wrap bits only.
  three->SetOptions(kGfxPtClosed | 0x40);
  IGfxPtDestination3* copy = makePoints({{7, 7, 7}}, 0x80);
  EXPECT_EQ(copy->CopyFrom(three), 0);
  uint32_t options = 0;
  copy->GetOptions(&options);
  EXPECT_EQ(options, kGfxPtClosed | 0x80u);
  EXPECT_EQ(pointsOf(copy).size(), 3u);
  EXPECT_EQ(copy->CopyFrom(nullptr), 10);
  void* out = &out;
  EXPECT_EQ(copy->QueryInterface(IID_IUnknown, &out), 21);
  EXPECT_EQ(out, &out);

  for (IGfxPtDestination3* s : {three, empty, two, copy}) s->Release();
}

class BSplineTest : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IGfxBSplineImp, &made, 0), S_OK);
    spline = static_cast<IGfxBSpline*>(made);
  }
  void TearDown() override { spline->Release(); }
  // The curve through `control`, appended to a fresh destination.
  Points curve(const Points& control, uint32_t options, ZRESULT* result = nullptr) {
    IGfxPtDestination3* source = makePoints(control, options);
    IGfxPtDestination3* destination = makePoints({});
    spline->SetSource(source);
    spline->SetDestination(destination);
    const ZRESULT r = spline->Compute();
    if (result != nullptr) *result = r;
    Points out = pointsOf(destination);
    lastOptions = 0;
    destination->GetOptions(&lastOptions);
    spline->SetSource(nullptr);
    spline->SetDestination(nullptr);
    source->Release();
    destination->Release();
    return out;
  }
  IGfxBSpline* spline = nullptr;
  uint32_t lastOptions = 0;
};

TEST_F(BSplineTest, OpenCubic) {
  const Points out = curve({{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}}, 0);
  ASSERT_EQ(out.size(), 5u);
  const Points expected = {{0, 0, 0}, {0.90625, 1.125, 0}, {2, 1.5, 0}, {3.09375, 1.125, 0}};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(near(out[i], expected[i], 1e-12)) << i;
  EXPECT_TRUE(near(out[4], {4, 0, 0}, 1e-4));
  EXPECT_EQ(lastOptions & kGfxPtClosed, 0u);
}

TEST_F(BSplineTest, ClosedSquare) {
  const Points out = curve({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, kGfxPtClosed);
  ASSERT_EQ(out.size(), 17u);
  EXPECT_TRUE(near(out[0], {5.0 / 6, 1.0 / 6, 0}, 1e-12));
  EXPECT_TRUE(near(out[16], out[0], 1e-4)) << "the ring closes";
  EXPECT_EQ(lastOptions & kGfxPtClosed, kGfxPtClosed);
}

TEST_F(BSplineTest, TwoPointsAndSettings) {
  ASSERT_EQ(spline->SetStepCount(5), 0);
  const Points line = curve({{0, 0, 1}, {10, 0, 1}}, 0);
  ASSERT_EQ(line.size(), 6u);
  for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(near(line[i], {2.0 * i, 0, 1}, 1e-12)) << i;

  uint32_t value = 0;
  EXPECT_EQ(spline->SetDegree(4), 2);
  EXPECT_EQ(spline->SetDegree(1), 2);
  EXPECT_EQ(spline->GetDegree(&value), 0);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(spline->SetStepCount(1), 10);
  EXPECT_EQ(spline->SetStepCount(129), 10);
  EXPECT_EQ(spline->SetStepCount(128), 0);
  uint32_t lo = 0, hi = 0;
  EXPECT_EQ(spline->GetDegreeRange(&lo, nullptr), 0);
  EXPECT_EQ(spline->GetDegreeRange(nullptr, &hi), 0);
  EXPECT_EQ(lo + hi, 5u);
  EXPECT_EQ(spline->GetDegreeRange(nullptr, nullptr), 10);

  // Refusals.
  ZRESULT result = 0;
  curve({{1, 1, 1}}, 0, &result);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(spline->Compute(), 2) << "no source, no destination";

  // A destination keeps what it held; the curve follows.
  spline->SetStepCount(4);
  IGfxPtDestination3* source = makePoints({{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}});
  IGfxPtDestination3* destination = makePoints({{9, 9, 9}});
  spline->SetSource(source);
  spline->SetDestination(destination);
  ASSERT_EQ(spline->Compute(), 0);
  const Points kept = pointsOf(destination);
  ASSERT_EQ(kept.size(), 6u);
  EXPECT_TRUE(near(kept[0], {9, 9, 9}, 0));
  EXPECT_TRUE(near(kept[1], {0, 0, 0}, 0));
  EXPECT_EQ(source->GetRefCount(), 2);
  source->Release();
  destination->Release();
}

// Clamped and periodic curves of degrees 2 and 3 against scipy's BSpline at
// the sampled parameters.
TEST_F(BSplineTest, AgreesWithScipy) {
  const Points control = {{0, 0, 0}, {2, 3, 0}, {5, 4, 0}, {7, 1, 0}, {9, 5, 0}, {12, 2, 0}};
  int compared = 0;
  for (uint32_t degree : {2u, 3u}) {
    for (bool closed : {false, true}) {
      SCOPED_TRACE(std::to_string(degree) + (closed ? " closed" : " open"));
      ASSERT_EQ(spline->SetDegree(degree), 0);
      ASSERT_EQ(spline->SetStepCount(4), 0);
      const Points ours = curve(control, closed ? kGfxPtClosed : 0);
      const int n = static_cast<int>(control.size());
      std::ostringstream script;
      script.precision(17);
      script << "import numpy as np\nfrom scipy.interpolate import BSpline\n"
             << "k=" << degree << "\nn=" << n << "\nclosed=" << (closed ? "True" : "False") << "\n"
             << "c=np.array([";
      for (const tagT_POINT3D& p : control) script << "[" << p.x << "," << p.y << "],";
      script << "])\n"
                "if closed:\n"
                "  c=np.vstack([c,c[:k]]); N=n+k; t=np.arange(N+k+1,dtype=float)\n"
                "else:\n"
                "  N=n; t=np.array([0.0]*k+list(range(0,N-k+1))+[float(N-k)]*k)\n"
                "s=BSpline(t,c,k)\n"
                "a=float(t[k]); ts=[a+i*0.25 for i in range((N-k)*4)]+[float(t[N])-0.00001]\n"
                "for x,y in s(np.array(ts)): print(repr(float(x)), repr(float(y)))\n";
      std::string text;
      ASSERT_NO_FATAL_FAILURE(
          graphics_test::readCommand("/usr/bin/python3 -c '" + script.str() + "'", "python3-scipy is needed\n", &text));
      std::istringstream lines(text);
      size_t i = 0;
      for (double x, y; lines >> x >> y; ++i) {
        ASSERT_LT(i, ours.size());
        EXPECT_NEAR(ours[i].x, x, 1e-12) << i;
        EXPECT_NEAR(ours[i].y, y, 1e-12) << i;
      }
      EXPECT_EQ(i, ours.size());
      ++compared;
    }
  }
  EXPECT_EQ(compared, 4);
}

// --- smoothing ---------------------------------------------------------------------

T_V3DLIST* polyline(const std::vector<tagT_POINT3D>& points, bool closed) {
  auto* list = new T_V3DLIST();
  for (size_t i = 0; i < points.size(); ++i) {
    list->Add(points[i].x, points[i].y, points[i].z);
    list->ChangeID(static_cast<unsigned>(i), static_cast<unsigned>(100 + i));
  }
  list->SetClosed(closed ? 1 : 0);
  return list;
}

TEST(SmoothPoly, OpenCorner) {
  T_V3DLIST* input = polyline({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}}, false);
  const T_SMOOTHPARAMS params{1, 1, 25};
  T_V3DLIST* out = nullptr;
  ASSERT_EQ(SmoothPoly(&params, input, &out), 4u);
  ASSERT_NE(out, nullptr);
  const Points expected = {{0, 0, 1}, {7.5, 0, 2}, {10, 2.5, 2}, {10, 10, 3}};
  const unsigned ids[] = {0xFFFFFFFF, 101, 0xFFFFFFFF, 0xFFFFFFFF};
  for (unsigned i = 0; i < 4; ++i) {
    const T_V3DVERTEX* v = out->GetVertex(i);
    EXPECT_TRUE(near({v->x, v->y, v->z}, expected[i], 1e-12)) << i;
    EXPECT_EQ(v->ID, ids[i]) << i;
  }
  EXPECT_EQ(out->IsClosed(), 0);
  delete out;
  delete input;
}

TEST(SmoothPoly, SizesAndRefusals) {
  T_V3DLIST* squareRing = polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, true);
  const struct {
    uint8_t method;
    uint32_t level;
    uint32_t count;
  } rows[] = {{1, 1, 8}, {1, 3, 32}, {1, 12, 4 * 256}, {1, 0, 0}, {0, 2, 0}, {2, 2, 16}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.method) + "/" + std::to_string(row.level));
    const T_SMOOTHPARAMS params{row.method, row.level, 25};
    T_V3DLIST* out = reinterpret_cast<T_V3DLIST*>(1);
    EXPECT_EQ(SmoothPoly(&params, squareRing, &out), row.count);
    EXPECT_EQ(out == nullptr, row.count == 0);
    if (out != nullptr) {
      EXPECT_EQ(out->GetCount(), row.count);
      EXPECT_EQ(out->IsClosed(), 0) << "a new open list";
    }
    delete out;
  }
  T_V3DLIST* two = polyline({{0, 0, 0}, {1, 1, 0}}, false);
  T_V3DLIST* out = nullptr;
  const T_SMOOTHPARAMS params{1, 1, 25};
  EXPECT_EQ(SmoothPoly(&params, two, &out), 0u);
  EXPECT_EQ(out, nullptr);
  delete two;
  delete squareRing;
}

// Method 2 splits each vertex in its first round: along next - prev, by half
// the factor, around the vertex itself.
TEST(SmoothPoly, SplitInTheFirstRound) {
  T_V3DLIST* input = polyline({{0, 0, 5}, {10, 0, 6}, {10, 10, 7}}, false);
  const T_SMOOTHPARAMS params{2, 1, 20};
  T_V3DLIST* out = nullptr;
  ASSERT_EQ(SmoothPoly(&params, input, &out), 4u);
  // d = ((next - cur) f - (prev - cur) f) / 2 = ((0, 10) - (-10, 0)) 0.2 / 2 = (1, 1)
  const T_V3DVERTEX* a = out->GetVertex(1);
  const T_V3DVERTEX* b = out->GetVertex(2);
  EXPECT_TRUE(near({a->x, a->y, a->z}, {9, -1, 6}, 1e-12));
  EXPECT_TRUE(near({b->x, b->y, b->z}, {11, 1, 6}, 1e-12));
  delete out;
  delete input;
}

}  // namespace
