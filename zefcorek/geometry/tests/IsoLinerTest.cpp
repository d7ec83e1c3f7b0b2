// Contour lines: cutting triangles by levels, chaining the pieces into
// lines, and the lines of analytic surfaces.
#include "zefcorek/IsoLiner.h"

#include "zefcorek/AllocationFaults.h"
#include "zefcorek/RecList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

struct Line {
  std::vector<IsoLineSegment> pieces;
  bool closed;
};

std::vector<Line> linesOf(T_ISOLINER& t) {
  std::vector<Line> out;
  while (t.PrepareNextIsoLine()) {
    Line l{{}, false};
    IRecList* list = t.GetPreparedIsoLine(l.closed);
    unsigned n = 0;
    list->GetCount(&n);
    for (unsigned i = 0; i < n; ++i) {
      IsoLineSegment s{};
      list->GetAt(i, &s);
      l.pieces.push_back(s);
    }
    out.push_back(l);
  }
  return out;
}

TEST(IsoLinerTest, CuttingOneTriangle) {
  T_ISOLINER t;
  EXPECT_EQ(t.GetRefZ(), 0.0);
  EXPECT_EQ(t.GetDeltaZ(), 10.0);
  t.BeginProcess();
  const tagT_POINT3D tri[3] = {{0, 0, 0}, {10, 0, 10}, {0, 10, 20}};
  EXPECT_TRUE(t.ProcessTrg(tri));
  t.EndProcess();
  // Three lines of one piece each, highest level first.
  const auto lines = linesOf(t);
  ASSERT_EQ(lines.size(), 3u);
  const IsoLineSegment want[3] = {{20, {0, 10}, {0, 10}}, {10, {10, 0}, {0, 5}}, {0, {0, 0}, {0, 0}}};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(lines[size_t(i)].pieces.size(), 1u);
    const IsoLineSegment& s = lines[size_t(i)].pieces[0];
    EXPECT_EQ(s.z, want[i].z);
    EXPECT_EQ(s.pt1.x, want[i].pt1.x);
    EXPECT_EQ(s.pt1.y, want[i].pt1.y);
    EXPECT_EQ(s.pt2.x, want[i].pt2.x);
    EXPECT_EQ(s.pt2.y, want[i].pt2.y);
  }
  bool closed = true;
  EXPECT_FALSE(t.PrepareNextIsoLine());
  EXPECT_EQ(t.GetPreparedIsoLine(closed), nullptr);
}

TEST(IsoLinerTest, LevelsOfATriangle) {
  struct Case {
    const char* what;
    double refZ, deltaZ;
    double z[3];
    std::vector<double> levels;  // empty: ProcessTrg answers false
  };
  const Case cases[] = {
      {"flat", 0, 10, {5, 5, 5}, {}},
      {"no level in range", 0, 10, {12, 15, 18}, {}},
      {"negative heights", 0, 10, {-25, -20, -15}, {-20}},
      {"fine interval", 0, 0.5, {0.4, 1.3, 2.1}, {2.0, 1.5, 1.0, 0.5}},
      {"shifted reference", 3, 10, {-10, 0, 30}, {23, 13, 3, -7}},
      {"zero interval", 0, 0, {0, 1, 2}, {}},
      {"negative interval", 0, -1, {0, 1, 2}, {}},
      {"NaN interval", 0, std::nan(""), {0, 1, 2}, {}},
      {"too many levels", 0, 1e-9, {0, 1, 2}, {}},
  };
  for (const Case& c : cases) {
    T_ISOLINER t;
    t.SetRefZ(c.refZ);
    t.SetDeltaZ(c.deltaZ);
    t.BeginProcess();
    const tagT_POINT3D tri[3] = {{0, 0, c.z[0]}, {10, 0, c.z[1]}, {0, 10, c.z[2]}};
    EXPECT_EQ(t.ProcessTrg(tri), !c.levels.empty()) << c.what;
    t.EndProcess();
    std::vector<double> got;
    for (const Line& l : linesOf(t)) got.push_back(l.pieces[0].z);
    EXPECT_EQ(got.size(), c.levels.size()) << c.what;
    for (size_t i = 0; i < got.size() && i < c.levels.size(); ++i) EXPECT_NEAR(got[i], c.levels[i], 1e-12) << c.what;
  }
}

TEST(IsoLinerTest, ChainingPieces) {
  T_ISOLINER t;
  // Two triangles sharing the edge (10,0)-(0,10), crossed by level 5.
  t.BeginProcess();
  const tagT_POINT3D a[3] = {{0, 0, 0}, {10, 0, 10}, {0, 10, 0}};
  const tagT_POINT3D b[3] = {{10, 0, 10}, {10, 10, 0}, {0, 10, 0}};
  t.SetDeltaZ(5);
  ASSERT_TRUE(t.ProcessTrg(a));
  ASSERT_TRUE(t.ProcessTrg(b));
  t.EndProcess();
  auto lines = linesOf(t);
  const Line* five = nullptr;
  for (const Line& l : lines) {
    if (l.pieces[0].z == 5) five = &l;
  }
  ASSERT_NE(five, nullptr);
  ASSERT_EQ(five->pieces.size(), 2u);
  EXPECT_FALSE(five->closed);
  EXPECT_LT(std::hypot(five->pieces[0].pt2.x - five->pieces[1].pt1.x, five->pieces[0].pt2.y - five->pieces[1].pt1.y),
            0.01);

  // The attaching distance: 0.009 joins, 0.011 does not.
  for (double gap : {0.009, 0.011}) {
    t.BeginProcess();
    while (t.PrepareNextIsoLine()) {}
    const IsoLineSegment first{1, {10, 0}, {0, 0}};
    const IsoLineSegment second{1, {0 - gap, 0}, {-10, 0}};
    EXPECT_EQ(t.AttachSegToCurrIsoLine(&first), T_ISOLINER::kAttached);
    EXPECT_EQ(t.AttachSegToCurrIsoLine(&second), gap < 0.01 ? T_ISOLINER::kAttached : T_ISOLINER::kNoContact) << gap;
    const IsoLineSegment other{2, {0, 0}, {1, 1}};
    EXPECT_EQ(t.AttachSegToCurrIsoLine(&other), T_ISOLINER::kOtherLevel);
  }

  // The same piece stored twice closes a ring of two.
  t.BeginProcess();
  const tagT_POINT3D tri[3] = {{0, 0, 0}, {10, 0, 10}, {0, 10, 10}};
  t.SetDeltaZ(5);
  ASSERT_TRUE(t.ProcessTrg(tri));
  ASSERT_TRUE(t.ProcessTrg(tri));
  t.EndProcess();
  lines = linesOf(t);
  bool sawRing = false;
  for (const Line& l : lines) {
    if (l.pieces[0].z != 5) continue;
    EXPECT_TRUE(l.closed);
    EXPECT_EQ(l.pieces.size(), 2u);
    sawRing = true;
  }
  EXPECT_TRUE(sawRing);
}

// A cone (peak at the origin, height 100 - r) and a plane as triangle fans
// and grids: every piece's ends lie on the exact isoline, and every level of
// the cone comes out as one closed line around the peak.
TEST(IsoLinerTest, AnalyticSurfaces) {
  T_ISOLINER t;
  t.SetRefZ(0.25);
  t.SetDeltaZ(10);  // levels 0.25 + 10k, between the ring heights
  t.BeginProcess();
  const int sectors = 64;
  const double rings[] = {0, 7, 19, 33, 48, 64, 80, 95};
  auto conePoint = [&](int ring, int sector) {
    const double r = rings[ring], a = sector * 6.283185307179586 / sectors;
    return tagT_POINT3D{r * std::cos(a), r * std::sin(a), 100 - r};
  };
  int triangles = 0;
  for (int ring = 0; ring + 1 < 8; ++ring) {
    for (int s = 0; s < sectors; ++s) {
      const tagT_POINT3D p00 = conePoint(ring, s), p01 = conePoint(ring, s + 1);
      const tagT_POINT3D p10 = conePoint(ring + 1, s), p11 = conePoint(ring + 1, s + 1);
      const tagT_POINT3D t1[3] = {p00, p10, p11};
      const tagT_POINT3D t2[3] = {p00, p11, p01};
      (void)t.ProcessTrg(t1);
      if (ring > 0) (void)t.ProcessTrg(t2);
      triangles += ring > 0 ? 2 : 1;
    }
  }
  EXPECT_EQ(triangles, 64 * 13);
  t.EndProcess();
  const auto lines = linesOf(t);
  // Levels 0.25 + 10k from 10.25 to 90.25 lie strictly between vertex
  // heights: nine levels, one ring each.
  ASSERT_EQ(lines.size(), 9u);
  for (const Line& l : lines) {
    EXPECT_TRUE(l.closed) << l.pieces[0].z;
    EXPECT_EQ(l.pieces.size(), size_t(2 * sectors)) << l.pieces[0].z;  // two triangles per sector
  }
  EXPECT_EQ(lines[0].pieces[0].z, 90.25);

  // A plane z = 0.3x + 0.7y + 2 on a grid: pieces on the exact isoline.
  t.SetRefZ(0.5);
  t.SetDeltaZ(2);
  t.BeginProcess();
  auto planeZ = [](double x, double y) { return 0.25 * x + 0.75 * y + 2; };
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 10; ++j) {
      const tagT_POINT3D a{double(i), double(j), planeZ(i, j)};
      const tagT_POINT3D b{double(i + 1), double(j), planeZ(i + 1, j)};
      const tagT_POINT3D c{double(i), double(j + 1), planeZ(i, j + 1)};
      const tagT_POINT3D d{double(i + 1), double(j + 1), planeZ(i + 1, j + 1)};
      const tagT_POINT3D t1[3] = {a, b, d};
      const tagT_POINT3D t2[3] = {a, d, c};
      (void)t.ProcessTrg(t1);
      (void)t.ProcessTrg(t2);
    }
  }
  t.EndProcess();
  int pieces = 0;
  for (const Line& l : linesOf(t)) {
    EXPECT_FALSE(l.closed);
    for (const IsoLineSegment& s : l.pieces) {
      for (const T_POINT2D& p : {s.pt1, s.pt2}) EXPECT_NEAR(planeZ(p.x, p.y), s.z, 1e-12 * std::fabs(s.z));
      ++pieces;
    }
  }
  EXPECT_GT(pieces, 100);
}

// A reference height and interval that binary fractions cannot hold: every
// triangle must still reach the same value for the same level, or the rings
// fall apart into pieces of slightly different levels.
TEST(IsoLinerTest, OneLevelIsOneValueInEveryTriangle) {
  T_ISOLINER t;
  t.SetRefZ(-45.3);
  t.SetDeltaZ(0.7);
  t.BeginProcess();
  const int sectors = 48;
  auto conePoint = [&](int ring, int sector) {
    const double r = ring * 1.37, a = sector * 6.283185307179586 / sectors;
    return tagT_POINT3D{r * std::cos(a), r * std::sin(a), 10.13 - r * (1 + 0.013 * (sector % sectors % 4))};
  };
  for (int ring = 0; ring < 6; ++ring) {
    for (int s = 0; s < sectors; ++s) {
      const tagT_POINT3D t1[3] = {conePoint(ring, s), conePoint(ring + 1, s), conePoint(ring + 1, s + 1)};
      const tagT_POINT3D t2[3] = {conePoint(ring, s), conePoint(ring + 1, s + 1), conePoint(ring, s + 1)};
      (void)t.ProcessTrg(t1);
      if (ring > 0) (void)t.ProcessTrg(t2);
    }
  }
  t.EndProcess();
  // Levels above the outer ring's highest vertex (1.91) close round the
  // peak: one ring each.
  size_t rings = 0;
  std::set<double> levels;
  for (const Line& l : linesOf(t)) {
    if (l.pieces[0].z < 2) continue;
    ++rings;
    levels.insert(l.pieces[0].z);
    EXPECT_TRUE(l.closed) << l.pieces[0].z;
  }
  EXPECT_EQ(rings, levels.size());
  EXPECT_EQ(levels.size(), 12u);  // 2.3, 3.0, ... 10.0
}

TEST(IsoLinerTest, ListsTheFactoryCouldNotMake) {
  zefcorek::ScopedAllocationFailure failing(1, /*persistent=*/true);
  T_ISOLINER t;
  t.BeginProcess();
  const tagT_POINT3D tri[3] = {{0, 0, 0}, {10, 0, 10}, {0, 10, 20}};
  EXPECT_FALSE(t.ProcessTrg(tri));
  t.EndProcess();
  EXPECT_FALSE(t.PrepareNextIsoLine());
  bool closed = false;
  EXPECT_EQ(t.GetPreparedIsoLine(closed), nullptr);
  const IsoLineSegment s{0, {0, 0}, {1, 1}};
  EXPECT_EQ(t.AttachSegToCurrIsoLine(&s), T_ISOLINER::kNoContact);
}

}  // namespace
