// Ear clipping: the fixtures of the ring orders, the tolerance rounds and the
// refused ears, then random simple polygons checked by area and edge use.
#include "zefcorek/PolyTriangulator.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

struct P {
  uint32_t id;
  double x, y;
};

using Triangles = std::vector<std::vector<uint32_t>>;

void fill(TPolyTriangulator& t, const std::vector<P>& pts) {
  for (const P& p : pts) {
    const TPolyTriangulatorPt rec{p.id, {p.x, p.y}};
    ASSERT_EQ(t.AddPt(rec, nullptr), 0);
  }
}

Triangles trianglesOf(IRecList* list) {
  Triangles out;
  unsigned n = 0;
  list->GetCount(&n);
  for (unsigned i = 0; i < n; ++i) {
    TPolyTriangulatorTrg t{};
    list->GetAt(i, &t);
    out.push_back({t.id[0], t.id[1], t.id[2]});
  }
  return out;
}

// Runs Execute and answers its code and triangles; the list is released.
std::pair<int, Triangles> triangulate(const std::vector<P>& pts, unsigned order, bool* nullResult = nullptr) {
  TPolyTriangulator t;
  fill(t, pts);
  IRecList* result = reinterpret_cast<IRecList*>(1);
  const int code = t.Execute(&result, order);
  if (nullResult != nullptr) *nullResult = result == nullptr;
  Triangles tris;
  if (result != nullptr) {
    tris = trianglesOf(result);
    result->Release();
  }
  return {code, tris};
}

// A record list of points, as the members that take a list see it.
IRecList* pointList(const std::vector<P>& pts) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), S_OK);
  auto* list = static_cast<IRecList*>(out);
  EXPECT_EQ(list->SetOption(0, sizeof(TPolyTriangulatorPt)), 0);
  for (const P& p : pts) {
    const TPolyTriangulatorPt rec{p.id, {p.x, p.y}};
    EXPECT_EQ(list->AddTail(&rec, nullptr), 0);
  }
  return list;
}

const std::vector<P> kClockwiseSquare = {{0, 0, 0}, {1, 0, 10}, {2, 10, 10}, {3, 10, 0}};

TEST(PolyTriangulatorTest, SquareInBothOrders) {
  const Triangles expected = {{1, 2, 3}, {1, 3, 0}};
  for (unsigned order : {0u, 2u}) {
    auto [code, tris] = triangulate(kClockwiseSquare, order);
    EXPECT_EQ(code, 0) << "order " << order;
    EXPECT_EQ(tris, expected) << "order " << order;
  }
  std::vector<P> ccw(kClockwiseSquare.rbegin(), kClockwiseSquare.rend());
  for (unsigned order : {1u, 2u}) {
    auto [code, tris] = triangulate(ccw, order);
    EXPECT_EQ(code, 0) << "order " << order;
    EXPECT_EQ(tris, expected) << "reversed first, order " << order;
  }
}

TEST(PolyTriangulatorTest, LShapeCutEarByEar) {
  // Tolerance 400/6, then 6.67 (every candidate still near a line or
  // reflex), then 0.667: the ear at #5 goes first, then those at #1, #2, #3.
  const std::vector<P> l = {{0, 0, 0}, {1, 0, 20}, {2, 10, 20}, {3, 10, 10}, {4, 20, 10}, {5, 20, 0}};
  auto [code, tris] = triangulate(l, 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(tris, (Triangles{{4, 5, 0}, {0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
}

TEST(PolyTriangulatorTest, EarsSharingCornersWithRingEdges) {
  // The last four points of a star: the distance of a line's own end from
  // it rounds away from 0 here, and shared corners were taken as crossings,
  // so no ear was found.
  const std::vector<P> quad = {{0, 2.4987818065132239, -0.19419136928121805},
                               {8, -2.0402911011272371, -0.03787899744166006},
                               {10, -3.4659164374537288, 3.6091938144575},
                               {11, -0.76061329588907944, 1.7644248835134848}};
  auto [code, tris] = triangulate(quad, 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(tris.size(), 2u);
}

TEST(PolyTriangulatorTest, RingsThatGiveNoTriangles) {
  bool isNull = false;
  // A counter-clockwise triangle taken as clockwise: every corner reflex.
  auto [code, tris] = triangulate({{0, 0, 0}, {1, 10, 0}, {2, 0, 10}}, 0, &isNull);
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(isNull);
  EXPECT_TRUE(tris.empty());

  // Coordinates so large that the bounding-box area overflows leave no
  // finite tolerance to shrink: the rounds end with "no" instead of running
  // forever.
  const std::vector<P> vast = {{0, 0, 0}, {1, 0, 2e154}, {2, 2e154, 2e154}, {3, 2e154, 0}};
  auto [code3, tris3] = triangulate(vast, 0, &isNull);
  EXPECT_EQ(code3, 1);
  EXPECT_FALSE(isNull);

  struct Case {
    const char* what;
    std::vector<P> pts;
  };
  const Case tooFew[] = {
      {"two points", {{0, 0, 0}, {1, 1, 1}}},
      {"two of three within 0.000001", {{0, 0, 0}, {1, 10, 0}, {2, 10, 0.0000009}}},
      {"nothing", {}},
  };
  for (const Case& c : tooFew) {
    auto [code2, tris2] = triangulate(c.pts, 0, &isNull);
    EXPECT_EQ(code2, 2) << c.what;
    EXPECT_TRUE(isNull) << c.what;
  }
}

TEST(PolyTriangulatorTest, RepeatedAndCollinearPoints) {
  // The point #1 given twice with one number is kept; the ear that would
  // use it twice is not stored, but its tip goes all the same.
  auto [code, tris] = triangulate({{0, 0, 0}, {1, 0, 10}, {1, 0, 10}, {2, 10, 10}, {3, 10, 0}}, 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(tris.size(), 2u);
  for (const auto& t : tris) EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);

  // A straight corner (#1 between #0 and #2) is an ear of zero area.
  auto [code2, tris2] = triangulate({{0, 0, 0}, {1, 0, 5}, {2, 0, 10}, {3, 10, 10}, {4, 10, 0}}, 0);
  EXPECT_EQ(code2, 0);
  EXPECT_EQ(tris2.size(), 3u);
}

TEST(PolyTriangulatorTest, PointListOperations) {
  TPolyTriangulator t;
  fill(t, {{7, 2, 3}, {8, 7, 1}, {9, 4, 9}});
  unsigned index = 0, n = 0;
  EXPECT_EQ(t.AddPt({10, {1, 1}}, &index), 0);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(t.GetPtCount(&n), 0);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(t.GetPtCount(nullptr), 10);
  TPolyTriangulatorPt p{};
  EXPECT_EQ(t.GetPt(4, p), 10);
  EXPECT_EQ(t.GetPt(1, p), 0);
  EXPECT_EQ(p.id, 8u);
  const T_POINT2D pos = p.pt;
  EXPECT_EQ(pos.x, 7);
  EXPECT_EQ(t.DelPt(4), 10);
  EXPECT_EQ(t.DelPt(3), 0);
  EXPECT_EQ(t.GetPt(2, p), 0);
  EXPECT_EQ(p.id, 9u);
  EXPECT_EQ(t.Clear(), 0);
  EXPECT_EQ(t.GetPtCount(&n), 0);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(t.Execute(nullptr, 0), 2);
}

TEST(PolyTriangulatorTest, MembersOnAList) {
  TPolyTriangulator t;
  struct OrderCase {
    const char* what;
    std::vector<P> pts;
    unsigned order;
  };
  const OrderCase orders[] = {
      {"three on a line", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, 1},
      {"clockwise triangle", {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}}, 0},
      {"clockwise square", kClockwiseSquare, 0},
      // A bow tie: two turns each way.
      {"balanced turns", {{0, 0, 0}, {1, 10, 10}, {2, 10, 0}, {3, 0, 10}}, 2},
      {"two points", {{0, 0, 0}, {1, 1, 1}}, 2},
  };
  for (const OrderCase& c : orders) {
    IRecList* list = pointList(c.pts);
    unsigned order = 99;
    EXPECT_EQ(t.CheckPolyOrder(list, &order), 0) << c.what;
    EXPECT_EQ(order, c.order) << c.what;
    list->Release();
  }
  EXPECT_EQ(t.CheckPolyOrder(nullptr, nullptr), 10);

  IRecList* triangle = pointList({{0, 2, 3}, {1, 7, 1}, {2, 4, 9}});
  IRecList* empty = pointList({});
  double area = -1;
  EXPECT_EQ(t.CalcBBoxArea(triangle, &area), 0);
  EXPECT_EQ(area, 40);
  EXPECT_EQ(t.CalcBBoxArea(empty, &area), 0);
  EXPECT_EQ(area, 0);
  EXPECT_EQ(t.CalcBBoxArea(nullptr, &area), 10);

  // The copy drops the first of two near points with different numbers
  // (#1 before #2; #5, the last, before the first), and keeps equal numbers.
  IRecList* ring =
      pointList({{0, 0, 0}, {1, 5, 0}, {2, 5, 0.0000005}, {3, 5, 5}, {3, 5, 5}, {4, 0, 5}, {5, 0, 0.0000001}});
  IRecList* copy = reinterpret_cast<IRecList*>(1);
  EXPECT_EQ(t.ClonePoly(ring, &copy), 0);
  ASSERT_NE(copy, nullptr);
  std::vector<uint32_t> ids;
  unsigned n = 0;
  copy->GetCount(&n);
  for (unsigned i = 0; i < n; ++i) {
    TPolyTriangulatorPt p{};
    copy->GetAt(i, &p);
    ids.push_back(p.id);
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{0, 2, 3, 3, 4}));
  copy->Release();
  EXPECT_EQ(t.ClonePoly(nullptr, &copy), 10);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(t.ClonePoly(ring, nullptr), 10);

  // The near-line test: the diagonal of ear 0 of the square is the line
  // x = y, 7.07 from corner #3; the line is unbounded.
  IRecList* square = pointList(kClockwiseSquare);
  EXPECT_EQ(t.CheckThereAreCollinearEdges(square, 0, 7.0), 1);
  EXPECT_EQ(t.CheckThereAreCollinearEdges(square, 0, 7.1), 0);
  EXPECT_EQ(t.CheckThereAreCollinearEdges(triangle, 0, 1e9), 1);
  EXPECT_EQ(t.CheckThereAreCollinearEdges(nullptr, 0, 1), 10);
  IRecList* far = pointList({{0, 0, 0}, {1, 0, 1}, {2, 1, 1}, {3, 50, 50}, {4, 60, 0}});
  EXPECT_EQ(t.CheckThereAreCollinearEdges(far, 0, 0.5), 0) << "beyond the ear";

  // Points on the ear's edges are not inside; the corners are skipped by
  // identity, so a second point at a corner's place is not inside either.
  TPolyTriangulatorPt c0{0, {0, 0}}, c1{1, {0, 10}}, c2{2, {10, 0}};
  TPolyTriangulatorPt* ear[3] = {&c0, &c1, &c2};
  EXPECT_EQ(t.CheckPtInsideTrg({9, {1, 1}}, ear), 0);
  EXPECT_EQ(t.CheckPtInsideTrg({9, {5, 5}}, ear), 1);
  EXPECT_EQ(t.CheckPtInsideTrg({9, {0, 5}}, ear), 1);
  EXPECT_EQ(t.CheckPtInsideTrg({9, {-1, 1}}, ear), 1);
  EXPECT_EQ(t.CheckPtInsideTrg({9, {1, 1}}, nullptr), 10);

  IRecList* out = pointList({});
  out->SetOption(0, sizeof(TPolyTriangulatorTrg));
  TPolyTriangulatorPt same{1, {3, 3}};
  TPolyTriangulatorPt* twice[3] = {&c0, &c1, &same};
  EXPECT_EQ(t.AddThisTrg(twice, out), 1);
  EXPECT_EQ(t.AddThisTrg(ear, out), 0);
  EXPECT_EQ(t.AddThisTrg(ear, nullptr), 10);
  EXPECT_EQ(trianglesOf(out), (Triangles{{0, 1, 2}}));

  for (IRecList* l : {triangle, empty, ring, square, far, out}) l->Release();
}

// --- random simple polygons ------------------------------------------------

double signedArea(const std::vector<P>& ring) {
  long double a = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const P& p = ring[i];
    const P& q = ring[(i + 1) % ring.size()];
    a += (long double)p.x * q.y - (long double)q.x * p.y;
  }
  return double(a / 2);
}

// A star-shaped ring round the origin, clockwise.
std::vector<P> starPolygon(std::mt19937_64& rng, int n) {
  std::uniform_real_distribution<double> radius(1.0, 10.0), jitter(0.1, 0.9);
  std::vector<P> out;
  for (int i = 0; i < n; ++i) {
    const double a = -(i + jitter(rng)) * 6.283185307179586 / n;
    const double r = radius(rng);
    out.push_back({uint32_t(i), r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

// A comb: a spine below y = 0 with teeth of random heights, clockwise. The
// gaps between the teeth end at random depths: four points on one line
// leave ears whose diagonal runs along that line, which the near-line test
// never accepts.
std::vector<P> combPolygon(std::mt19937_64& rng, int teeth) {
  std::uniform_real_distribution<double> height(1.0, 20.0), depth(0.0, 0.5);
  std::vector<P> out;
  out.push_back({0, 0, -2});
  for (int k = 0; k < teeth; ++k) {
    const double h = height(rng), g = depth(rng);
    out.push_back({0, 3.0 * k, h});
    out.push_back({0, 3.0 * k + 2, h});
    out.push_back({0, 3.0 * k + 2, g});
    out.push_back({0, 3.0 * k + 3, g});
  }
  out.push_back({0, 3.0 * teeth, -2});
  for (size_t i = 0; i < out.size(); ++i) out[i].id = uint32_t(i);
  return out;
}

void checkTriangulation(const std::vector<P>& ring, const char* what) {
  // Order 0: the generators make clockwise rings. Finding the order would
  // count turns, and a star with more reflex than convex corners votes
  // counter-clockwise.
  auto [code, tris] = triangulate(ring, 0);
  ASSERT_EQ(code, 0) << what << " of " << ring.size();
  ASSERT_EQ(tris.size(), ring.size() - 2) << what;
  long double sum = 0;
  std::map<std::pair<uint32_t, uint32_t>, int> edgeUse;
  for (const auto& t : tris) {
    const P& a = ring[t[0]];
    const P& b = ring[t[1]];
    const P& c = ring[t[2]];
    const long double cross = ((long double)b.x - a.x) * (c.y - a.y) - ((long double)b.y - a.y) * (c.x - a.x);
    EXPECT_LE(cross, 1e-9) << what << ": a counter-clockwise triangle";
    sum += -cross / 2;
    for (int k = 0; k < 3; ++k) ++edgeUse[{t[k], t[(k + 1) % 3]}];
  }
  const double area = -signedArea(ring);
  EXPECT_NEAR(double(sum), area, 1e-12 * area) << what;
  const size_t n = ring.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = ring[i].id, b = ring[(i + 1) % n].id;
    EXPECT_EQ(edgeUse[std::make_pair(a, b)], 1) << what << ": ring edge " << a << "-" << b;
  }
}

TEST(PolyTriangulatorTest, RandomSimplePolygons) {
  std::mt19937_64 rng(37);
  int rings = 0;
  for (int trial = 0; trial < 20; ++trial) {
    const std::vector<P> star = starPolygon(rng, 5 + trial * 3);
    checkTriangulation(star, "star");
    const std::vector<P> comb = combPolygon(rng, 1 + trial % 8);
    checkTriangulation(comb, "comb");
    rings += 2;
  }
  EXPECT_EQ(rings, 40);
}

}  // namespace
