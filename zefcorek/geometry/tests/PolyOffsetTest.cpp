// The polygon offset: corners, restarts, result selection, the sort, and a
// pointer array the factory could not make.
#include "zefcorek/PolyOffset.h"

#include "zefcorek/V3DList.h"

#include "zefcorek/AllocationFaults.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrArray.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace {

struct Pt {
  double x, y;
};

struct Result {
  std::vector<Pt> pts;
  std::vector<unsigned> ids;
  int orientation;
  double area;
};

void load(TPolyOffset& o, const std::vector<Pt>& ring, const std::vector<double>& ofs) {
  o.InitBasePoly(unsigned(ring.size()), 1);
  for (unsigned i = 0; i < ring.size(); ++i) {
    const tagT_POINT3D p{ring[i].x, ring[i].y, 7.0};
    o.SetBasePolyPt(i, &p);
    o.SetBasePolyOfs(i, ofs.size() == 1 ? ofs[0] : ofs[i]);
  }
}

std::vector<Result> results(const TPolyOffset& o) {
  std::vector<Result> out;
  for (unsigned i = 0; i < o.GetNewPolyCount(); ++i) {
    const auto* r = static_cast<OffsetResultPoly*>(o.subPolys->GetAt(i));
    Result res{{}, {}, r->orientation, r->area};
    for (unsigned j = 0; j < o.GetNewPolyNumPts(i); ++j) {
      tagT_POINT3D p{};
      o.GetNewPolyPt(i, j, &p);
      res.pts.push_back({p.x, p.y});
      res.ids.push_back(r->list->GetID(j));
    }
    out.push_back(res);
  }
  return out;
}

testing::AssertionResult ringIs(const std::vector<Pt>& got, const std::vector<Pt>& want, double tol = 1e-9) {
  bool same = got.size() == want.size();
  for (size_t i = 0; same && i < got.size(); ++i)
    same = std::fabs(got[i].x - want[i].x) <= tol && std::fabs(got[i].y - want[i].y) <= tol;
  if (same) return testing::AssertionSuccess();
  auto failure = testing::AssertionFailure() << "got";
  for (const Pt& p : got) failure << " (" << p.x << ", " << p.y << ")";
  return failure;
}

const std::vector<Pt> kClockwiseSquare = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};

TEST(PolyOffsetTest, SquareInBothModesAndOrders) {
  TPolyOffset o;
  EXPECT_EQ(o.GetMode(), 0u);
  EXPECT_EQ(o.GetCutLevel(), 3.0);
  EXPECT_EQ(o.GetKeepOrg(), 0);

  load(o, kClockwiseSquare, {1});
  ASSERT_EQ(o.Execute(), 0);
  auto r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(ringIs(r[0].pts, {{1, 1}, {1, 9}, {9, 9}, {9, 1}}));
  EXPECT_EQ(r[0].ids, (std::vector<unsigned>{0, 1, 2, 3}));
  EXPECT_EQ(r[0].orientation, 1);
  EXPECT_NEAR(r[0].area, 64, 1e-9);
  tagT_POINT3D z{};
  o.GetNewPolyPt(0, 0, &z);
  EXPECT_EQ(z.z, 7.0) << "the height is kept";

  load(o, kClockwiseSquare, {1});
  o.SetMode(1);
  ASSERT_EQ(o.Execute(), 0);
  r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(ringIs(r[0].pts, {{-1, -1}, {-1, 11}, {11, 11}, {11, -1}}));
  EXPECT_NEAR(r[0].area, 144, 1e-9);

  // Negated offsets give the same outline; the mode sets the side.
  load(o, kClockwiseSquare, {1});
  o.InvertOffsets();
  ASSERT_EQ(o.Execute(), 0);
  EXPECT_TRUE(ringIs(results(o)[0].pts, {{-1, -1}, {-1, 11}, {11, 11}, {11, -1}}));
  o.SetMode(0);

  // Counter-clockwise: the offset runs outside and comes out
  // counter-clockwise, which the selection drops, unless kept.
  const std::vector<Pt> ccw(kClockwiseSquare.rbegin(), kClockwiseSquare.rend());
  load(o, ccw, {1});
  EXPECT_EQ(o.Execute(), -1);
  EXPECT_EQ(o.GetNewPolyCount(), 0u);
  load(o, ccw, {1});
  o.SetKeepOrg(1);
  ASSERT_EQ(o.Execute(), 0);
  r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].orientation, -1);
  EXPECT_NEAR(r[0].area, 144, 1e-9);
}

TEST(PolyOffsetTest, VertexStageCases) {
  TPolyOffset o;
  // Two of three vertices closer than 0.0001: too few remain.
  load(o, {{0, 0}, {0, 10}, {0.00005, 10}}, {1});
  EXPECT_EQ(o.Execute(), -1);

  // A vertex without offset stays; its neighbours take it as a circle of
  // radius 1e-5, so the corner next to it leans towards it.
  load(o, kClockwiseSquare, {0, 1, 1, 1});
  ASSERT_EQ(o.Execute(), 0);
  auto r = results(o);
  ASSERT_EQ(r.size(), 1u);
  ASSERT_EQ(r[0].pts.size(), 4u);
  EXPECT_EQ(r[0].pts[0].x, 0);
  EXPECT_EQ(r[0].pts[0].y, 0);
  EXPECT_NEAR(r[0].pts[1].y, 9, 1e-9);
  EXPECT_NEAR(r[0].pts[1].x, 0.9, 0.01) << "a neighbour of full radius would give 1";

  // The middle of three collinear vertices: the foot of the perpendicular.
  load(o, {{0, 0}, {0, 5}, {0, 10}, {10, 10}, {10, 0}}, {1});
  ASSERT_EQ(o.Execute(), 0);
  r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(ringIs(r[0].pts, {{1, 1}, {1, 5}, {1, 9}, {9, 9}, {9, 1}}));

  // A sharp corner at (20, 0) beside the short edge to (19.6, -0.1): that
  // vertex goes, the corner moves to where the edges round it meet, and the
  // corners are built again on three vertices.
  load(o, {{0, 0}, {0, 4}, {20, 0}, {19.6, -0.1}}, {1});
  ASSERT_EQ(o.Execute(), 0);
  EXPECT_EQ(o.orgPoly->GetCount(), 3u);
  const auto* moved = static_cast<OffsetBaseVertex*>(o.orgPoly->GetAt(2));
  EXPECT_NE(moved->basePt.x, 20.0);
  EXPECT_NEAR(moved->basePt.y * 19.6 + 0.1 * moved->basePt.x, 0, 1e-9) << "on the line D->A";
  r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].pts.size(), 3u);
}

TEST(PolyOffsetTest, KeptResultsAndEarlierResults) {
  TPolyOffset o;
  // A sliver whose offset collapses to a flat ring: no orientation.
  load(o, {{0, 0}, {0, 10}, {2, 10}, {2, 0}}, {1});
  EXPECT_EQ(o.Execute(), -1);
  load(o, {{0, 0}, {0, 10}, {2, 10}, {2, 0}}, {1});
  o.SetKeepOrg(1);
  ASSERT_EQ(o.Execute(), 0);
  auto r = results(o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].orientation, 0);
  EXPECT_LT(r[0].area, 1e-6);

  // Execute keeps the results of an earlier run.
  o.SetKeepOrg(0);
  load(o, kClockwiseSquare, {1});
  ASSERT_EQ(o.Execute(), 0);
  o.SetMode(1);
  ASSERT_EQ(o.Execute(), 0);
  r = results(o);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_GT(r[0].area, r[1].area) << "largest first";
  o.ClearSubPolys();
  EXPECT_EQ(o.GetNewPolyCount(), 0u);
}

TEST(PolyOffsetTest, ArraysTheFactoryCouldNotMake) {
  zefcorek::ScopedAllocationFailure failing(1, /*persistent=*/true);
  TPolyOffset o;
  EXPECT_EQ(o.orgPoly, nullptr);
  load(o, kClockwiseSquare, {1});
  EXPECT_EQ(o.Execute(), -1);
  EXPECT_EQ(o.GetNewPolyCount(), 0u);
  o.InvertOffsets();
  o.Clear();
}

// --- the sort ---------------------------------------------------------------

IPtrArray* arrayOf(std::vector<int>& values) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPtrArrayImp, &out, 0), S_OK);
  auto* a = static_cast<IPtrArray*>(out);
  for (int& v : values) (void)a->Add(&v, nullptr);
  return a;
}

// The offset's compares: -1 when the key is not above the other's, so equal
// keys answer -1 both ways.
int byKeyNotAbove(void* a, void* b, void*) { return *static_cast<int*>(a) / 10 <= *static_cast<int*>(b) / 10 ? -1 : 1; }
int byKeyDescending(void* a, void* b, void*) {
  return *static_cast<int*>(a) / 10 > *static_cast<int*>(b) / 10 ? -1 : 1;
}

void checkSort(std::vector<int> values, TPolyOffset::CompareFunc compare, bool descending) {
  IPtrArray* a = arrayOf(values);
  TPolyOffset::SortPtrArray(a, compare, nullptr, 0, int(values.size()) - 1);
  std::vector<int> want = values;
  std::stable_sort(want.begin(), want.end(),
                   [&](int x, int y) { return descending ? x / 10 > y / 10 : x / 10 < y / 10; });
  std::vector<int> got;
  for (unsigned i = 0; i < a->GetCount(); ++i) got.push_back(*static_cast<int*>(a->GetAt(i)));
  EXPECT_EQ(got, want);
  a->Release();
}

TEST(PolyOffsetTest, SortIsAStableSort) {
  int permutations = 0;
  for (int n = 0; n <= 7; ++n) {
    // Keys with repeats (tens digit), each item unique (units digit).
    std::vector<int> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) values[size_t(i)] = (i % 3) * 10 + i;
    std::sort(values.begin(), values.end());
    do {
      checkSort(values, &byKeyNotAbove, false);
      checkSort(values, &byKeyDescending, true);
      ++permutations;
    } while (std::next_permutation(values.begin(), values.end()));
  }
  EXPECT_EQ(permutations, 1 + 1 + 2 + 6 + 24 + 120 + 720 + 5040);
  std::mt19937 rng(35);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<int> values(size_t(rng() % 300));
    for (size_t i = 0; i < values.size(); ++i) values[i] = int(rng() % 50) * 10 + int(i % 10);
    checkSort(values, &byKeyNotAbove, false);
  }
}

}  // namespace
