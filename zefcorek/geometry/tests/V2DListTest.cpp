#include "zefcorek/V2DList.h"

#include "zefcorek/AllocationFaults.h"
#include "zefcorek/RecList.h"
#include "zefcorek/V3DList.h"

#include <boost/geometry.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

T_V2DLIST* makeList(std::initializer_list<T_VECTOR2D> points, int closed = 0) {
  auto* list = new T_V2DLIST();
  for (const T_VECTOR2D& p : points) list->Add(&p);
  list->SetClosed(closed);
  return list;
}

std::vector<T_VECTOR2D> vertices(const T_V2DLIST& list) {
  std::vector<T_VECTOR2D> out;
  for (unsigned i = 0; i < list.GetCount(); ++i) out.push_back(*list.GetVertex(i));
  return out;
}

testing::AssertionResult limitsAre(T_V2DLIST& list, bool valid, T_VECTOR2D min, T_VECTOR2D max) {
  T_VECTOR2D lo(7, 7), hi(7, 7);
  const bool got = list.GetLimits(&lo, &hi);
  if (got != valid || lo != min || hi != max)
    return testing::AssertionFailure() << "limits " << got << " (" << lo.x << ", " << lo.y << ") .. (" << hi.x << ", "
                                       << hi.y << ")";
  return testing::AssertionSuccess();
}

void* tag(uintptr_t v) { return reinterpret_cast<void*>(v); }

TEST(V2DListTest, LimitsAndEditing) {
  const T_VECTOR2D zero;
  T_V2DLIST list;
  EXPECT_TRUE(limitsAre(list, false, zero, zero)) << "new list";
  EXPECT_EQ(list.Add(3, -1), 0u);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR2D(3, -1), T_VECTOR2D(3, -1))) << "one vertex";
  list.Clear();

  EXPECT_EQ(list.Add(0, 0), 0u);
  EXPECT_EQ(list.Add(10, 0), 1u);
  EXPECT_EQ(list.Add(5, 5), 2u);
  list.DeleteAt(1);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR2D(0, 0), T_VECTOR2D(5, 5))) << "after DeleteAt";

  list.OffsetBy(1, -1);
  list.ScaleBy(-1);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR2D(-6, -4), T_VECTOR2D(-1, 1))) << "negative scale";
  EXPECT_EQ(vertices(list), (std::vector<T_VECTOR2D>{{-1, 1}, {-6, -4}}));

  // Exactly equal vertices go with a tolerance of 0.
  list.Add(-6, -4);
  list.Add(-6, -4.000000001);
  const T_VECTOR2D p(-6, -4);
  EXPECT_EQ(list.DeleteByProx(&p, 0.0), 2u);
  EXPECT_EQ(vertices(list), (std::vector<T_VECTOR2D>{{-1, 1}, {-6, -4.000000001}}));
  EXPECT_EQ(list.DeleteByProx(&p, 100.0), 2u);
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(limitsAre(list, false, zero, zero)) << "all deleted by proximity";

  const struct { int closed, expected; } flags[] = {{1, 1}, {2, 0}, {3, 1}, {0, 0}};
  for (const auto& row : flags) {
    list.SetClosed(row.closed);
    EXPECT_EQ(list.IsClosed(), row.expected) << "SetClosed(" << row.closed << ")";
  }
  EXPECT_TRUE(list.SetPtrTag(0, tag(1)));
  EXPECT_FALSE(list.SetPtrTag(4, tag(2)));
  EXPECT_EQ(list.GetPtrTag(4), nullptr);
}

TEST(V2DListTest, CopiesAndSelfAddition) {
  T_V2DLIST* src = makeList({{1, 2}, {3, 4}}, 1);
  src->SetPtrTag(1, tag(0x11));
  T_V2DLIST copy;
  copy.Assign(src);
  EXPECT_EQ(vertices(copy), vertices(*src));
  EXPECT_EQ(copy.IsClosed(), 1);
  EXPECT_EQ(copy.GetPtrTag(1), tag(0x11));

  // Adding a list to itself doubles it once.
  EXPECT_EQ(copy.Add(&copy), 2u);
  EXPECT_EQ(vertices(copy), (std::vector<T_VECTOR2D>{{1, 2}, {3, 4}, {1, 2}, {3, 4}}));
  // Assigning a list to itself keeps it.
  copy.Assign(&copy);
  EXPECT_EQ(copy.GetCount(), 4u);

  // An empty source copies its tags and leaves the list open.
  T_V2DLIST empty;
  empty.SetClosed(1);
  empty.SetPtrTag(3, tag(0x33));
  copy.Assign(&empty);
  EXPECT_EQ(copy.GetCount(), 0u);
  EXPECT_EQ(copy.IsClosed(), 0);
  EXPECT_EQ(copy.GetPtrTag(3), tag(0x33));
  EXPECT_EQ(copy.GetPtrTag(1), nullptr);

  T_V2DLIST* clone = src->Clone();
  EXPECT_EQ(vertices(*clone), vertices(*src));
  delete clone;
  delete src;
}

int byX(const T_VECTOR2D* a, const T_VECTOR2D* b, void*) { return a->x > b->x ? 1 : 0; }
int allEqual(const T_VECTOR2D*, const T_VECTOR2D*, void*) { return 0; }

TEST(V2DListTest, VertexPointersSurviveReordering) {
  T_V2DLIST* list = makeList({{5, 0}, {1, 1}, {4, 2}, {2, 3}, {3, 4}});
  T_VECTOR2D* five = list->GetVertex(0);
  T_VECTOR2D* two = list->GetVertex(3);
  list->Add(9, 9);
  list->DeleteAt(1);
  list->Swap(0, 2);
  list->InvertOrder();
  list->Sort(&byX, nullptr);
  EXPECT_EQ(vertices(*list), (std::vector<T_VECTOR2D>{{2, 3}, {3, 4}, {4, 2}, {5, 0}, {9, 9}}));
  EXPECT_EQ(list->GetVertex(3), five);
  EXPECT_EQ(list->GetVertex(0), two);
  const std::vector<T_VECTOR2D> before = vertices(*list);
  list->Sort(&allEqual, nullptr);
  EXPECT_EQ(vertices(*list), before);
  delete list;
}

TEST(V2DListTest, ConversionsWithThe3DList) {
  T_V3DLIST src3;
  src3.Add(0, 0, 1);
  src3.Add(4, 1, 2);
  src3.Add(2, 3, 3);
  src3.SetClosed(1);
  src3.SetPtrTag(2, tag(0x22));
  src3.ChangeID(1, 9);

  T_V2DLIST plan;
  plan.Assign(&src3);
  EXPECT_EQ(vertices(plan), (std::vector<T_VECTOR2D>{{0, 0}, {4, 1}, {2, 3}}));
  EXPECT_EQ(plan.IsClosed(), 1);
  EXPECT_EQ(plan.GetPtrTag(2), tag(0x22));

  T_V3DLIST lifted;
  lifted.Add(7, 7, 7);
  lifted.Assign(&plan, 5.0);
  ASSERT_EQ(lifted.GetCount(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    const T_V3DVERTEX* v = lifted.GetVertex(i);
    EXPECT_EQ(v->x, src3.GetVertex(i)->x);
    EXPECT_EQ(v->y, src3.GetVertex(i)->y);
    EXPECT_EQ(v->z, 5.0);
    EXPECT_EQ(v->ID, kNone);
    EXPECT_EQ(v->flags, 0u);
    EXPECT_EQ(v->appLink1, nullptr);
    EXPECT_EQ(v->appLink2, nullptr);
    EXPECT_EQ(v->Z2, 0.0);
  }
  EXPECT_EQ(lifted.IsClosed(), 1);
  EXPECT_EQ(lifted.GetPtrTag(2), tag(0x22));
  T_VECTOR3D lo, hi;
  EXPECT_TRUE(lifted.GetLimits(&lo, &hi));
  EXPECT_EQ(lo, T_VECTOR3D(0, 0, 5));
  EXPECT_EQ(hi, T_VECTOR3D(4, 3, 5));

  // A null source empties the target and keeps its tags; an empty one
  // copies its tags.
  lifted.SetPtrTag(0, tag(0x44));
  lifted.Assign(static_cast<const T_V2DLIST*>(nullptr), 1.0);
  EXPECT_EQ(lifted.GetCount(), 0u);
  EXPECT_EQ(lifted.IsClosed(), 0);
  EXPECT_EQ(lifted.GetPtrTag(0), tag(0x44));
  plan.Assign(static_cast<const T_V3DLIST*>(nullptr));
  EXPECT_EQ(plan.GetCount(), 0u);
  EXPECT_EQ(plan.GetPtrTag(2), tag(0x22));

  T_V3DLIST empty3;
  empty3.SetPtrTag(1, tag(0x55));
  empty3.SetClosed(1);
  plan.Assign(&empty3);
  EXPECT_EQ(plan.GetCount(), 0u);
  EXPECT_EQ(plan.IsClosed(), 0);
  EXPECT_EQ(plan.GetPtrTag(1), tag(0x55));
  EXPECT_EQ(plan.GetPtrTag(2), nullptr);
}

TEST(V2DListTest, OrientationAndConvexity) {
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR2D> points;
    int order, form;
  } cases[] = {
      {"square ccw", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1, 1},
      {"square cw", {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, -1, 1},
      {"L hexagon", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, 1, -1},
      {"collinear", {{0, 0}, {1, 1}, {2, 2}}, 0, 0},
      {"two vertices", {{0, 0}, {1, 0}}, 0, 0},
      {"square with a straight vertex", {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, 1, 1},
  };
  for (const auto& row : cases) {
    T_V2DLIST* list = makeList(row.points);
    EXPECT_EQ(list->OrderCheck(), row.order) << row.name;
    EXPECT_EQ(list->FormCheck(), row.form) << row.name;
    delete list;
  }
}

std::vector<T_SELFINTSIDES> sides(const T_V2DLIST& list, int closed) {
  IRecList* records = list.SelfIntGetSidesList(closed);
  std::vector<T_SELFINTSIDES> out;
  EXPECT_NE(records, nullptr);
  if (records == nullptr) return out;
  unsigned n = 0;
  records->GetCount(&n);
  for (unsigned i = 0; i < n; ++i) {
    T_SELFINTSIDES r{};
    records->GetAt(i, &r);
    out.push_back(r);
  }
  list.FreeSelfIntSidesList(records);
  return out;
}

TEST(V2DListTest, SelfIntersections) {
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR2D> points;
    int closed;
    int expected;
    unsigned records;  // with the closed flag as the list has it
  } cases[] = {
      {"open zigzag", {{0, 0}, {2, 2}, {2, 0}, {0, 2}}, 0, 1, 1},
      {"convex quadrilateral", {{0, 0}, {3, 0}, {3, 2}, {0, 3}}, 1, 0, 0},
      {"triangle", {{0, 0}, {2, 2}, {2, 0}}, 1, 0, 0},
      {"bow tie", {{0, 0}, {1, 1}, {1, 0}, {0, 1}}, 1, 1, 1},
      {"bow tie left open", {{0, 0}, {1, 1}, {1, 0}, {0, 1}}, 0, 1, 1},
      {"touching at a vertex", {{0, 0}, {2, 0}, {2, 2}, {1, 0}, {0, 2}}, 0, 0, 0},
      {"repeated vertex", {{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}}, 1, 0, 0},
  };
  for (const auto& row : cases) {
    T_V2DLIST* list = makeList(row.points, row.closed);
    EXPECT_EQ(list->SelfIntCheck(), row.expected) << row.name;
    EXPECT_EQ(sides(*list, row.closed).size(), row.records) << row.name;
    delete list;
  }

  T_V2DLIST* zigzag = makeList({{0, 0}, {2, 2}, {2, 0}, {0, 2}});
  const std::vector<T_SELFINTSIDES> found = sides(*zigzag, 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].side1Start, 0u);
  EXPECT_EQ(found[0].side1End, 1u);
  EXPECT_EQ(found[0].side2Start, 2u);
  EXPECT_EQ(found[0].side2End, 3u);
  EXPECT_EQ(found[0].crossing, T_VECTOR2D(1, 1));
  // The closing side runs along x = 0 and crosses nothing.
  EXPECT_EQ(sides(*zigzag, 1).size(), 1u);
  delete zigzag;

  // A record list that cannot be made gives null.
  T_V2DLIST* bowTie = makeList({{0, 0}, {1, 1}, {1, 0}, {0, 1}}, 1);
  {
    zefcorek::ScopedAllocationFailure fail(1);
    EXPECT_EQ(bowTie->SelfIntGetSidesList(1), nullptr);
  }
  delete bowTie;
}

TEST(V2DListTest, PointInsideAndBarycentre) {
  T_V2DLIST* square = makeList({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  const struct {
    T_VECTOR2D p;
    int expected;
  } cases[] = {
      {{0.5, 0.5}, 1},  {{1.5, 0.5}, 0}, {{0.5, 0}, 0},  // lower end of a side: open
      {{0.5, 1}, 1},                                     // upper end: closed
      {{-0.5, 0.5}, 0},
  };
  for (const auto& row : cases) EXPECT_EQ(square->PtInsideCheck(&row.p), row.expected) << row.p.x << ", " << row.p.y;
  // The limits shortcut is taken only while they are valid: with the
  // limits invalidated (and not recomputed), the sides decide alone.
  const T_VECTOR2D moved(2, 0);
  square->SetVertex(1, &moved);
  const T_VECTOR2D outsideOld(1.2, 0.5);
  EXPECT_EQ(square->PtInsideCheck(&outsideOld), 1);
  delete square;

  T_V2DLIST* five = makeList({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 2}});
  EXPECT_EQ(five->CalcBarycentre(), T_VECTOR2D(1.6, 2));
  delete five;
  T_V2DLIST empty;
  EXPECT_EQ(empty.CalcBarycentre(), T_VECTOR2D(0, 0));
}

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostPolygon = bg::model::polygon<BoostPoint, /*ClockWise=*/false, /*Closed=*/false>;

double distanceToSegment(const T_VECTOR2D& p, const T_VECTOR2D& a, const T_VECTOR2D& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Star-shaped polygons are simple; points near a side are left out, where
// the two boundary rules differ by design.
TEST(V2DListTest, PointInsideAgreesWithBoostOnRandomPolygons) {
  std::mt19937_64 random(4511);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  unsigned compared = 0;
  for (int polygon = 0; polygon < 40; ++polygon) {
    const unsigned n = 3 + unsigned(unit(random) * 40);
    std::vector<double> angles(n);
    for (double& a : angles) a = unit(random) * 2 * M_PI;
    std::sort(angles.begin(), angles.end());
    T_V2DLIST list;
    BoostPolygon boostPolygon;
    for (double a : angles) {
      const double r = 1.0 + unit(random) * 9.0;
      list.Add(r * std::cos(a), r * std::sin(a));
      bg::append(boostPolygon.outer(), BoostPoint(r * std::cos(a), r * std::sin(a)));
    }
    list.SetClosed(1);
    for (int k = 0; k < 200; ++k) {
      const T_VECTOR2D p(unit(random) * 24 - 12, unit(random) * 24 - 12);
      bool nearSide = false;
      for (unsigned i = 0; i < n && !nearSide; ++i)
        nearSide = distanceToSegment(p, *list.GetVertex(i), *list.GetVertex((i + 1) % n)) <= 1e-9;
      if (nearSide) continue;
      EXPECT_EQ(list.PtInsideCheck(&p) == 1, bg::within(BoostPoint(p.x, p.y), boostPolygon))
          << "polygon " << polygon << ", point (" << p.x << ", " << p.y << ")";
      ++compared;
    }
  }
  EXPECT_GT(compared, 7000u);
}

TEST(V2DListTest, StorageThatCannotBeMadeLeavesTheListEmpty) {
  T_V2DLIST list;
  {
    zefcorek::ScopedAllocationFailure fail(1);
    EXPECT_EQ(list.Add(1, 2), kNone);
  }
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(limitsAre(list, false, T_VECTOR2D(), T_VECTOR2D()));
  EXPECT_EQ(list.Add(1, 2), 0u);
}

}  // namespace
