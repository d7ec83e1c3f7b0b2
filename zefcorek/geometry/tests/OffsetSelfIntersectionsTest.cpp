// The offset ring's crossings: finding them, the copies and their marks, the
// loop walk, and offsets of fixture rings that must come out simple.
#include "zefcorek/PolyOffset.h"

#include "../bench/PolyFixtures.h"

#include "zefcorek/V3DList.h"

#include "zefcorek/PtrArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using geobench::Pt;

// Loads the ring with zero offsets, so the offset ring is the ring itself,
// and builds newPoly from it.
void loadAsOffsetRing(TPolyOffset& o, const std::vector<Pt>& ring, int closed = 1) {
  o.InitBasePoly(unsigned(ring.size()), closed);
  for (unsigned i = 0; i < ring.size(); ++i) {
    const tagT_POINT3D p{ring[i].x, ring[i].y, double(i)};
    o.SetBasePolyPt(i, &p);
  }
  o.ClearNewPoly();
  o.CreateNewPolyCopy();
}

const OffsetVertex* vertexAt(const TPolyOffset& o, unsigned i) {
  return static_cast<OffsetVertex*>(o.newPoly->GetAt(i));
}

std::vector<OffsetCrossing> crossingsOf(IPtrArray* list) {
  std::vector<OffsetCrossing> out;
  for (unsigned i = 0; list != nullptr && i < list->GetCount(); ++i)
    out.push_back(*static_cast<OffsetCrossing*>(list->GetAt(i)));
  return out;
}

const std::vector<Pt> kBowTie = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};

TEST(OffsetSelfIntersectionsTest, FindingCrossings) {
  TPolyOffset o;
  // Fewer than four vertices: no list.
  loadAsOffsetRing(o, {{0, 0}, {10, 10}, {10, 0}});
  EXPECT_EQ(o.CalcNewPolySelfIntList(), nullptr);

  // The bow tie crosses once, between edges 0 and 2.
  loadAsOffsetRing(o, kBowTie);
  IPtrArray* list = o.CalcNewPolySelfIntList();
  auto found = crossingsOf(list);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].a0, 0u);
  EXPECT_EQ(found[0].a1, 1u);
  EXPECT_EQ(found[0].b0, 2u);
  EXPECT_EQ(found[0].b1, 3u);
  EXPECT_NEAR(found[0].pt.x, 5, 1e-12);
  EXPECT_NEAR(found[0].pt.y, 5, 1e-12);
  o.FreeNewPolySelfIntList(list);
  o.FreeNewPolySelfIntList(nullptr);

  // Touches are no crossings: a vertex on another edge, and a meeting
  // within 1e-8 of an end.
  loadAsOffsetRing(o, {{0, 0}, {10, 0}, {10, 10}, {5, 0}, {5, -10}, {-5, -10}});
  EXPECT_EQ(o.CalcNewPolySelfIntList(), nullptr);
  loadAsOffsetRing(o, {{0, 0}, {10, 0}, {10, 10}, {5, 5e-9}, {5, -10}, {-5, -10}});
  EXPECT_EQ(o.CalcNewPolySelfIntList(), nullptr);
  loadAsOffsetRing(o, {{0, 0}, {10, 0}, {10, 10}, {5, -1e-6}, {5, -10}, {-5, -10}});
  list = o.CalcNewPolySelfIntList();
  EXPECT_EQ(crossingsOf(list).size(), 1u) << "1e-6 beyond is a crossing";
  o.FreeNewPolySelfIntList(list);

  // A crossing on the closing edge is found only when the ring is closed.
  const std::vector<Pt> closingCross = {{10, 10}, {10, 0}, {0, 10}, {0, 0}};
  loadAsOffsetRing(o, closingCross, 1);
  list = o.CalcNewPolySelfIntList();
  found = crossingsOf(list);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].b0, 3u);
  EXPECT_EQ(found[0].b1, 0u);
  o.FreeNewPolySelfIntList(list);
  loadAsOffsetRing(o, closingCross, 0);
  EXPECT_EQ(o.CalcNewPolySelfIntList(), nullptr);
}

TEST(OffsetSelfIntersectionsTest, ThreeCrossingsOnOneEdge) {
  TPolyOffset o;
  // Edge 0 from (0,0) to (30,0) is crossed by vertical edges at x = 25, 20
  // and 15 (found in that order).
  loadAsOffsetRing(
      o, {{0, 0}, {30, 0}, {30, 10}, {25, 10}, {25, -5}, {20, -5}, {20, 10}, {15, 10}, {15, -5}, {-5, -5}, {-5, 5}});
  IPtrArray* list = o.CalcNewPolySelfIntList();
  ASSERT_EQ(crossingsOf(list).size(), 3u);
  o.InsertFirstCopies(list);
  // The first copies sit between vertices 0 and 1 by distance from the start,
  // with the start's origin and height.
  ASSERT_EQ(o.newPoly->GetCount(), 14u);
  for (unsigned k = 1; k <= 3; ++k) {
    EXPECT_EQ(vertexAt(o, k)->pt.x, 10.0 + 5 * k) << k;
    EXPECT_EQ(vertexAt(o, k)->pt.y, 0.0) << k;
    EXPECT_EQ(vertexAt(o, k)->orgIndex, 0) << k;
    EXPECT_EQ(vertexAt(o, k)->pt.z, 0.0) << k;
  }
  EXPECT_EQ(vertexAt(o, 4)->pt.x, 30.0);
  o.InsertNewPts(list);  // frees the list
  ASSERT_EQ(o.newPoly->GetCount(), 17u);
  // Each second copy sits inside its vertical edge, after the vertex at
  // y = 10 or -5 that starts it and with the origin of the one that ends it.
  for (unsigned i = 0; i < o.newPoly->GetCount(); ++i) {
    const OffsetVertex* v = vertexAt(o, i);
    if (v->partner == nullptr || v->orgIndex == 0) continue;
    const OffsetVertex* before = vertexAt(o, i - 1);
    const OffsetVertex* after = vertexAt(o, i + 1);
    EXPECT_EQ(before->pt.x, v->pt.x) << i;
    EXPECT_EQ(after->pt.x, v->pt.x) << i;
    EXPECT_EQ(std::fabs(before->pt.y - after->pt.y), 15.0) << i;
    EXPECT_EQ(v->orgIndex, after->orgIndex) << i;
  }
  // Every copy is linked to a partner at the same place.
  int copies = 0;
  for (unsigned i = 0; i < o.newPoly->GetCount(); ++i) {
    const OffsetVertex* v = vertexAt(o, i);
    if (v->partner == nullptr) continue;
    ++copies;
    EXPECT_EQ(v->partner->partner, v);
    EXPECT_EQ(v->partner->pt.x, v->pt.x);
    EXPECT_EQ(v->partner->pt.y, v->pt.y);
  }
  EXPECT_EQ(copies, 6);
}

TEST(OffsetSelfIntersectionsTest, FigureEight) {
  TPolyOffset o;
  loadAsOffsetRing(o, kBowTie);
  o.InsertNewPts([&] {
    IPtrArray* list = o.CalcNewPolySelfIntList();
    o.InsertFirstCopies(list);
    return list;
  }());
  o.AssignSelfIntIDs();
  IPtrArray* copies = o.CreateIntIDList();
  ASSERT_NE(copies, nullptr);
  ASSERT_EQ(copies->GetCount(), 2u);
  o.MarkTwins(copies);
  o.MarkBadSplits(copies);
  o.MarkBadCycles(copies);
  const auto* c0 = static_cast<CrossingCopy*>(copies->GetAt(0));
  const auto* c1 = static_cast<CrossingCopy*>(copies->GetAt(1));
  EXPECT_EQ(c0->id, 0);
  EXPECT_EQ(c0->partnerId, 1);
  EXPECT_EQ(c0->twin, 1);
  EXPECT_EQ(c1->twin, 0);
  EXPECT_EQ(c0->badSplit + c0->badCycle + c1->badSplit + c1->badCycle, 0);
  o.FreeIntIDList(copies);

  // Execute walks one lobe from each copy and keeps the clockwise one.
  TPolyOffset run;
  run.InitBasePoly(4, 1);
  for (unsigned i = 0; i < 4; ++i) {
    const tagT_POINT3D p{kBowTie[i].x, kBowTie[i].y, 0};
    run.SetBasePolyPt(i, &p);
  }
  run.SetKeepOrg(0);
  ASSERT_EQ(run.Execute(), 0);
  ASSERT_EQ(run.GetNewPolyCount(), 1u);
  ASSERT_EQ(run.GetNewPolyNumPts(0), 3u);
  tagT_POINT3D p{};
  run.GetNewPolyPt(0, 0, &p);
  EXPECT_NEAR(p.x, 5, 1e-12);
  run.GetNewPolyPt(0, 1, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 10);
  const auto* kept = static_cast<OffsetResultPoly*>(run.subPolys->GetAt(0));
  EXPECT_NEAR(kept->area, 25, 1e-9);
  EXPECT_EQ(kept->orientation, 1);
}

TEST(OffsetSelfIntersectionsTest, InterleavingPairsAreMarked) {
  // A pentagram: every pair of copies interleaves with others along the
  // ring, so all are marked and no walk writes them.
  std::vector<Pt> star;
  for (int i = 0; i < 5; ++i) {
    const double a = 1.5707963267948966 - i * 2 * 6.283185307179586 / 5;
    star.push_back({100 * std::cos(a), 100 * std::sin(a)});
  }
  TPolyOffset o;
  loadAsOffsetRing(o, star);
  IPtrArray* list = o.CalcNewPolySelfIntList();
  ASSERT_EQ(crossingsOf(list).size(), 5u);
  o.InsertFirstCopies(list);
  o.InsertNewPts(list);
  o.AssignSelfIntIDs();
  IPtrArray* copies = o.CreateIntIDList();
  ASSERT_EQ(copies->GetCount(), 10u);
  o.MarkTwins(copies);
  o.MarkBadSplits(copies);
  for (unsigned k = 0; k < copies->GetCount(); ++k) {
    const auto* c = static_cast<CrossingCopy*>(copies->GetAt(k));
    EXPECT_EQ(c->badSplit, 1) << k;
    EXPECT_TRUE(vertexAt(o, c->vertex)->bad) << k;
  }
  o.FreeIntIDList(copies);

  TPolyOffset run;
  run.InitBasePoly(5, 1);
  for (unsigned i = 0; i < 5; ++i) {
    const tagT_POINT3D p{star[i].x, star[i].y, 0};
    run.SetBasePolyPt(i, &p);
  }
  EXPECT_EQ(run.Execute(), -1);
  EXPECT_EQ(run.GetNewPolyCount(), 0u);
}

// --- offsets of fixture rings -------------------------------------------

bool properlyCross(const Pt& a, const Pt& b, const Pt& c, const Pt& d) {
  auto side = [](const Pt& p, const Pt& q, const Pt& r) {
    const long double v = ((long double)q.x - p.x) * (r.y - p.y) - ((long double)q.y - p.y) * (r.x - p.x);
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
  };
  return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

// No two non-adjacent edges cross.
testing::AssertionResult isSimple(const std::vector<Pt>& ring) {
  const size_t n = ring.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;
      if (properlyCross(ring[i], ring[(i + 1) % n], ring[j], ring[(j + 1) % n]))
        return testing::AssertionFailure() << "edges " << i << " and " << j << " of " << n << " cross";
    }
  }
  return testing::AssertionSuccess();
}

struct Fixture {
  std::string name;
  std::vector<Pt> ring;
};

std::vector<Fixture> fixtures() {
  std::vector<Fixture> out;
  for (int n : {10, 100, 1000}) out.push_back({"convex " + std::to_string(n), geobench::convexRing(n)});
  for (int n : {10, 100, 1000}) out.push_back({"concave " + std::to_string(n), geobench::concaveRing(n, 151)});
  for (int teeth : {3, 25, 250}) out.push_back({"comb " + std::to_string(4 * teeth), geobench::combRing(teeth)});
  for (int n : {60, 200, 1000}) out.push_back({"spiral " + std::to_string(n), geobench::spiralRing(n)});
  return out;
}

TEST(OffsetSelfIntersectionsTest, FixtureOffsetsAreSimpleClockwiseRings) {
  int runs = 0;
  for (const Fixture& f : fixtures()) {
    for (double ofs : {1.0, 3.0}) {
      for (unsigned mode : {0u, 1u}) {
        TPolyOffset o;
        o.InitBasePoly(unsigned(f.ring.size()), 1);
        for (unsigned i = 0; i < f.ring.size(); ++i) {
          const tagT_POINT3D p{f.ring[i].x, f.ring[i].y, 0};
          o.SetBasePolyPt(i, &p);
          o.SetBasePolyOfs(i, ofs);
        }
        o.SetMode(mode);
        const std::string what = f.name + (mode == 0 ? " inward " : " outward ") + std::to_string(ofs);
        ASSERT_EQ(o.Execute(), 0) << what;
        ASSERT_GE(o.GetNewPolyCount(), 1u) << what;
        for (unsigned r = 0; r < o.GetNewPolyCount(); ++r) {
          std::vector<Pt> ring;
          for (unsigned j = 0; j < o.GetNewPolyNumPts(r); ++j) {
            tagT_POINT3D p{};
            o.GetNewPolyPt(r, j, &p);
            ring.push_back({p.x, p.y});
          }
          EXPECT_TRUE(isSimple(ring)) << what << ", result " << r;
          EXPECT_EQ(static_cast<OffsetResultPoly*>(o.subPolys->GetAt(r))->orientation, 1) << what;
        }
        ++runs;
      }
    }
  }
  EXPECT_EQ(runs, 12 * 4);
}

// Combs offset so that the teeth (inward) or the gaps (outward) close up:
// the crossings lie on horizontal and vertical edges.
TEST(OffsetSelfIntersectionsTest, AxisParallelCrossings) {
  struct Case {
    unsigned mode;
    double ofs;
    double area;       // of the first (largest) result
    unsigned results;  // the closed gaps stay as loops of their own
  };
  // Comb of 3 teeth: spine 0..20 x -10..0, teeth 4 wide and 50, 45, 40
  // high, gap floors at 0 and 1.
  const Case cases[] = {
      // Teeth gone: the spine shrunk by 2.5, under floors -2.5 and -1.5.
      {0, 2.5, 8 * 5 + 7 * 6, 1},
      // Gaps closed: three steps of heights 52.5, 47.5, 42.5 above -12.5.
      {1, 2.5, 9 * 65 + 8 * 60 + 8 * 55, 3},
  };
  for (const Case& c : cases) {
    TPolyOffset o;
    const auto ring = geobench::combRing(3);
    o.InitBasePoly(unsigned(ring.size()), 1);
    for (unsigned i = 0; i < ring.size(); ++i) {
      const tagT_POINT3D p{ring[i].x, ring[i].y, 0};
      o.SetBasePolyPt(i, &p);
      o.SetBasePolyOfs(i, c.ofs);
    }
    o.SetMode(c.mode);
    ASSERT_EQ(o.Execute(), 0) << c.mode;
    ASSERT_EQ(o.GetNewPolyCount(), c.results) << c.mode;
    for (unsigned r = 0; r < c.results; ++r) {
      std::vector<Pt> out;
      for (unsigned j = 0; j < o.GetNewPolyNumPts(r); ++j) {
        tagT_POINT3D p{};
        o.GetNewPolyPt(r, j, &p);
        out.push_back({p.x, p.y});
      }
      EXPECT_TRUE(isSimple(out)) << c.mode << " result " << r;
    }
    EXPECT_NEAR(static_cast<OffsetResultPoly*>(o.subPolys->GetAt(0))->area, c.area, 1e-6) << c.mode;
  }
}

}  // namespace
