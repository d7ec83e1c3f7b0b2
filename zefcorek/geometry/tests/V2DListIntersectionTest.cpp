// Crossings of the 2-D vertex list with segments, lines and other lists.
#include "zefcorek/V2DList.h"

#include "VertexListFixtures.h"

#include <boost/geometry.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace {

using vertexlists::makeList;
using vertexlists::points;

enum class Query { Line, Ray, LineEx };

TEST(V2DListIntersectionTest, SegmentAndLineQueries) {
  const auto square = makeList({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1);
  const auto chain = makeList({{0, 0}, {1, 0}, {2, 0}});
  const struct {
    const char* name;
    const T_V2DLIST* list;
    Query query;
    T_VECTOR2D p1, p2;
    unsigned flag;  // relative, or the options of LineEx
    std::vector<T_VECTOR2D> expected;
  } cases[] = {
      {"segment, side order", square.get(), Query::Line, {-1, 0.5}, {2, 0.5}, 0, {{1, 0.5}, {0, 0.5}}},
      {"segment, relative", square.get(), Query::Line, {-1, 0.5}, {3, 0}, 1, {{1, 0.5}, {0, 0.5}}},
      {"segment along a side", square.get(), Query::Line, {-1, 0}, {2, 0}, 0, {}},
      {"segment of no length", square.get(), Query::Line, {0.5, 0.5}, {0.5, 0.5}, 0, {}},
      {"line beyond the points", square.get(), Query::Ray, {0.2, 0.5}, {0.4, 0.5}, 0, {{1, 0.5}, {0, 0.5}}},
      // The vertex (1, 1) is met from sides 1 and 2: once.
      {"line through a vertex", square.get(), Query::Ray, {0, 2}, {2, 0}, 0, {{1, 1}}},
      // The vertex (0, 0) is met from the first side and, after a hit in
      // between, from the last: twice.
      {"line through the first vertex", square.get(), Query::Ray, {0, 0}, {1, 0.5}, 0, {{0, 0}, {1, 0.5}, {0, 0}}},
      {"segment beyond the chain's end", chain.get(), Query::Line, {3, -1}, {3, 1}, 0, {}},
      {"lengthened forwards", chain.get(), Query::LineEx, {3, -1}, {3, 1}, 1, {{3, 0}}},
      {"lengthened backwards", chain.get(), Query::LineEx, {-1, -1}, {-1, 1}, 1, {{-1, 0}}},
      {"not lengthened without the option", chain.get(), Query::LineEx, {3, -1}, {3, 1}, 0, {}},
      {"not lengthened beyond the segment", chain.get(), Query::LineEx, {3, 1}, {3, 2}, 1, {}},
      {"a closed list is not lengthened", square.get(), Query::LineEx, {3, -1}, {3, 0.5}, 1, {}},
  };
  for (const auto& row : cases) {
    std::unique_ptr<T_V2DLIST> found;
    int check = -1;
    switch (row.query) {
      case Query::Line:
        found.reset(row.list->FindIntersectionsWithLine(&row.p1, &row.p2, int(row.flag)));
        check = row.list->CheckHasIntersectionsWithLine(&row.p1, &row.p2, int(row.flag));
        break;
      case Query::Ray:
        found.reset(row.list->FindIntersectionsWithRay(&row.p1, &row.p2, int(row.flag)));
        check = row.list->CheckHasIntersectionsWithRay(&row.p1, &row.p2, int(row.flag));
        break;
      case Query::LineEx:
        found.reset(row.list->FindIntersectionsWithLineEx(&row.p1, &row.p2, row.flag));
        check = found ? 1 : 0;
        break;
    }
    EXPECT_EQ(found == nullptr, row.expected.empty()) << row.name;
    EXPECT_EQ(points(found.get()), row.expected) << row.name;
    EXPECT_EQ(check, row.expected.empty() ? 0 : 1) << row.name;
  }
}

TEST(V2DListIntersectionTest, OtherLists) {
  const auto square = makeList({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1);
  // Only the other's closing side, (2, 0.5) -> (-1, 0.5), crosses the
  // square: IntersectsOther never tests it, GetIntersectionsWithOther does
  // for a closed other.
  const auto closingOnly = makeList({{-1, 0.5}, {-1, 3}, {2, 3}, {2, 0.5}}, 1);
  EXPECT_EQ(square->IntersectsOther(closingOnly.get()), 0);
  std::unique_ptr<T_V2DLIST> found(square->GetIntersectionsWithOther(closingOnly.get(), 0));
  EXPECT_EQ(points(found.get()), (std::vector<T_VECTOR2D>{{1, 0.5}, {0, 0.5}}));
  closingOnly->SetClosed(0);
  found.reset(square->GetIntersectionsWithOther(closingOnly.get(), 0));
  EXPECT_EQ(found, nullptr);

  // Option 1 lengthens this open chain's end sides to meet the other's
  // sides: the side at x = 3 is reached only then.
  const auto chain = makeList({{0, 0}, {1, 0}, {2, 0}});
  const auto other = makeList({{0.5, -1}, {0.5, 1}, {3, 1}, {3, -1}});
  EXPECT_EQ(chain->IntersectsOther(other.get()), 1);
  found.reset(chain->GetIntersectionsWithOther(other.get(), 0));
  EXPECT_EQ(points(found.get()), (std::vector<T_VECTOR2D>{{0.5, 0}}));
  found.reset(chain->GetIntersectionsWithOther(other.get(), 1));
  EXPECT_EQ(points(found.get()), (std::vector<T_VECTOR2D>{{0.5, 0}, {3, 0}}));

  const auto single = makeList({{0.5, 0.5}});
  EXPECT_EQ(square->IntersectsOther(nullptr), 0);
  EXPECT_EQ(square->IntersectsOther(single.get()), 0);
  EXPECT_EQ(square->GetIntersectionsWithOther(nullptr, 0), nullptr);
  EXPECT_EQ(square->GetIntersectionsWithOther(single.get(), 1), nullptr);
}

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostLine = bg::model::linestring<BoostPoint>;

double distanceToSegment(const T_VECTOR2D& p, const T_VECTOR2D& a, const T_VECTOR2D& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  const double t = std::clamp(len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool lessXY(const T_VECTOR2D& a, const T_VECTOR2D& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }

// Random closed polygons (not necessarily simple) and segments whose ends
// and whose nearest approach to every vertex stay clear of the sides'
// ends: every crossing is a proper one, and the points must match Boost's
// linestring intersection.
TEST(V2DListIntersectionTest, SegmentCrossingsAgreeWithBoost) {
  std::mt19937_64 random(4612);
  std::uniform_real_distribution<double> coordinate(-10.0, 10.0);
  unsigned compared = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const unsigned n = 3 + unsigned(random() % 12);
    T_V2DLIST list;
    BoostLine ring;
    for (unsigned i = 0; i < n; ++i) {
      const T_VECTOR2D v(coordinate(random), coordinate(random));
      list.Add(&v);
      ring.push_back(BoostPoint(v.x, v.y));
    }
    ring.push_back(ring.front());
    list.SetClosed(1);
    const T_VECTOR2D q1(coordinate(random), coordinate(random));
    const T_VECTOR2D q2(coordinate(random), coordinate(random));
    bool clear = true;
    for (unsigned i = 0; i < n && clear; ++i) {
      const T_VECTOR2D a = *list.GetVertex(i), b = *list.GetVertex((i + 1) % n);
      clear = distanceToSegment(a, q1, q2) > 1e-3 && distanceToSegment(q1, a, b) > 1e-3 &&
              distanceToSegment(q2, a, b) > 1e-3;
    }
    if (!clear) continue;
    std::unique_ptr<T_V2DLIST> found(list.FindIntersectionsWithLine(&q1, &q2, 0));
    std::vector<T_VECTOR2D> ours = points(found.get());
    std::vector<BoostPoint> theirs;
    bg::intersection(BoostLine{BoostPoint(q1.x, q1.y), BoostPoint(q2.x, q2.y)}, ring, theirs);
    std::vector<T_VECTOR2D> expected;
    for (const BoostPoint& p : theirs) expected.emplace_back(p.x(), p.y());
    std::sort(ours.begin(), ours.end(), lessXY);
    std::sort(expected.begin(), expected.end(), lessXY);
    ASSERT_EQ(ours.size(), expected.size()) << "trial " << trial;
    for (size_t k = 0; k < ours.size(); ++k) {
      EXPECT_NEAR(ours[k].x, expected[k].x, 1e-9) << "trial " << trial;
      EXPECT_NEAR(ours[k].y, expected[k].y, 1e-9) << "trial " << trial;
    }
    compared += unsigned(ours.size());
  }
  EXPECT_GT(compared, 200u);
}

}  // namespace
