// Plan-view tests, crossings and measures of the 3-D vertex list.
#include "zefcorek/V3DList.h"

#include "VertexListFixtures.h"

#include "zefcorek/AllocationFaults.h"
#include "zefcorek/RecList.h"
#include "zefcorek/V2DList.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

using vertexlists::makeList;

std::unique_ptr<T_V3DLIST> plan(std::initializer_list<T_VECTOR2D> points, int closed = 0) {
  auto list = std::make_unique<T_V3DLIST>();
  for (const T_VECTOR2D& p : points) list->Add(p.x, p.y, 0.0);
  list->SetClosed(closed);
  return list;
}

using vertexlists::points;
using vertexlists::positions;

TEST(V3DListAnalysisTest, OrientationConvexityAndInside) {
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR2D> ring;
    int order, form;
  } shapes[] = {
      // Counter-clockwise answers -1 here, unlike the 2-D list.
      {"unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, -1, 1},
      {"unit square reversed", {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, 1, 1},
      {"collinear", {{0, 0}, {1, 1}, {2, 2}}, 0, 0},
      {"L hexagon", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, -1, -1},
      {"two vertices", {{0, 0}, {1, 0}}, 0, 0},
  };
  for (const auto& row : shapes) {
    const auto list = plan(row.ring);
    EXPECT_EQ(list->OrderCheck(), row.order) << row.name;
    EXPECT_EQ(list->FormCheck(), row.form) << row.name;
  }

  // The inside test walks the ring whatever the closed flag and has no
  // limits shortcut; points on the right and top sides count as inside.
  const auto square = plan({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  const struct {
    T_VECTOR2D p;
    unsigned expected;
  } probes[] = {{{0.5, 0.5}, 1}, {{1.5, 0.5}, 0}, {{1, 0.5}, 1}, {{0, 0.5}, 0}, {{0.5, 0}, 0}, {{0.5, 1}, 1}};
  for (const auto& row : probes) EXPECT_EQ(square->PtInsideCheck(&row.p), row.expected) << row.p.x << ", " << row.p.y;
}

std::vector<T_SELFINTSIDES> records(IRecList* list) {
  std::vector<T_SELFINTSIDES> out;
  unsigned n = 0;
  list->GetCount(&n);
  for (unsigned i = 0; i < n; ++i) {
    T_SELFINTSIDES r{};
    list->GetAt(i, &r);
    out.push_back(r);
  }
  return out;
}

TEST(V3DListAnalysisTest, SelfIntersections) {
  const auto bowTie = plan({{0, 0}, {1, 1}, {1, 0}, {0, 1}}, 1);
  EXPECT_EQ(bowTie->SelfIntCheck2D(), 1);
  IRecList* sides = bowTie->SelfIntGetSidesList(1);
  ASSERT_NE(sides, nullptr);
  const std::vector<T_SELFINTSIDES> found = records(sides);
  bowTie->FreeSelfIntSidesList(sides);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].side1Start, 0u);
  EXPECT_EQ(found[0].side1End, 1u);
  EXPECT_EQ(found[0].side2Start, 2u);
  EXPECT_EQ(found[0].side2End, 3u);
  EXPECT_EQ(found[0].crossing, T_VECTOR2D(0.5, 0.5));
  bowTie->FreeSelfIntSidesList(nullptr);

  // Three vertices never cross, and the answer is an empty list, not null.
  const auto triangle = plan({{0, 0}, {2, 2}, {2, 0}}, 1);
  EXPECT_EQ(triangle->SelfIntCheck2D(), 0);
  sides = triangle->SelfIntGetSidesList(1);
  ASSERT_NE(sides, nullptr);
  EXPECT_TRUE(records(sides).empty());
  triangle->FreeSelfIntSidesList(sides);

  {
    zefcorek::ScopedAllocationFailure fail(1);
    EXPECT_EQ(bowTie->SelfIntGetSidesList(1), nullptr);
  }
}

TEST(V3DListAnalysisTest, SegmentCrossings) {
  const auto square = plan({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1);
  const struct {
    const char* name;
    T_VECTOR2D p1, p2;
    int relative;
    std::vector<T_VECTOR2D> expected;
  } cases[] = {
      {"through both sides, side order", {-1, 0.5}, {2, 0.5}, 0, {{1, 0.5}, {0, 0.5}}},
      {"relative second point", {-1, 0.5}, {3, 0}, 1, {{1, 0.5}, {0, 0.5}}},
      {"through a vertex", {-1, -1}, {0.5, 0.5}, 0, {}},
      {"ending on a side", {0.5, 0.5}, {0.5, 1}, 0, {}},
      {"along a side", {-1, 0}, {2, 0}, 0, {}},
      {"equal points", {0.5, 0.5}, {0.5, 0.5}, 0, {}},
      {"zero offset", {0.5, 0.5}, {0, 0}, 1, {}},
  };
  for (const auto& row : cases) {
    std::unique_ptr<T_V2DLIST> found(square->FindIntersectionsWithLine(&row.p1, &row.p2, row.relative));
    EXPECT_EQ(found == nullptr, row.expected.empty()) << row.name;
    EXPECT_EQ(points(found.get()), row.expected) << row.name;
    EXPECT_EQ(square->CheckHasIntersectionsWithLine(&row.p1, &row.p2, row.relative), row.expected.empty() ? 0 : 1)
        << row.name;
    if (found) {
      EXPECT_EQ(found->IsClosed(), 0) << row.name;
    }
  }

  // The other list's closing side is never tested.
  const auto closedOther = plan({{-1, 0.5}, {-1, 3}, {2, 3}, {2, 0.5}}, 1);
  EXPECT_EQ(square->IntersectsOther2D(closedOther.get()), 0);
  const auto crossing = plan({{0.5, -1}, {0.5, 2}});
  EXPECT_EQ(square->IntersectsOther2D(crossing.get()), 1);
  EXPECT_EQ(square->IntersectsOther2D(nullptr), 0);
  const auto single = plan({{0.5, 0.5}});
  EXPECT_EQ(square->IntersectsOther2D(single.get()), 0);
}

TEST(V3DListAnalysisTest, MeasuresAndDuplicates) {
  const auto chain = makeList({{0, 0, 0}, {3, 4, 0}, {3, 4, 12}});
  EXPECT_EQ(chain->CalcLength2D(1), 5.0);
  EXPECT_EQ(chain->CalcLength2D(0), 17.0);
  chain->SetClosed(1);
  EXPECT_EQ(chain->CalcLength2D(1), 10.0);
  EXPECT_EQ(chain->CalcLength2D(0), 30.0);
  EXPECT_EQ(chain->CalcBarycentre(), T_VECTOR3D(2, 8.0 / 3, 4));

  chain->DeleteAt(0);
  chain->DeleteAt(0);
  chain->DeleteAt(0);
  EXPECT_EQ(chain->CalcBarycentre(), T_VECTOR3D(0, 0, 0));
  EXPECT_EQ(chain->CalcLength2D(0), 0.0);

  const struct {
    const char* name;
    std::initializer_list<T_VECTOR3D> points;
    int closed;
    unsigned all, consecutive;
  } dupes[] = {
      {"three coincident", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1 + 1e-7}}, 0, 3, 2},
      {"two copies apart", {{1, 1, 1}, {5, 5, 5}, {1, 1, 1}}, 0, 1, 0},
      {"closing pair not counted", {{1, 1, 1}, {5, 5, 5}, {1, 1, 1}}, 1, 1, 0},
      {"at the threshold", {{0, 0, 0}, {1e-6, 0, 0}}, 0, 0, 0},
  };
  for (const auto& row : dupes) {
    const auto list = makeList(row.points, row.closed);
    EXPECT_EQ(list->CountDupedPts(0), row.all) << row.name;
    EXPECT_EQ(list->CountDupedPts(1), row.consecutive) << row.name;
  }
}

TEST(V3DListAnalysisTest, HorizontalPlaneCrossings) {
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR3D> points;
    int closed;
    double z0;
    std::vector<T_VECTOR3D> expected;
  } cases[] = {
      {"open peak", {{0, 0, 0}, {2, 0, 2}, {4, 0, 0}}, 0, 1.0, {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 1}, {4, 0, 0}}},
      {"closed peak: the closing side is level",
       {{0, 0, 0}, {2, 0, 2}, {4, 0, 0}},
       1,
       1.0,
       {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 1}, {4, 0, 0}}},
      {"side ending at the plane", {{0, 0, 0}, {2, 0, 1}, {4, 0, 3}}, 0, 1.0, {{0, 0, 0}, {2, 0, 1}, {4, 0, 3}}},
      {"closing side goes to the head",
       {{0, 0, 0}, {4, 0, 0}, {4, 4, 4}},
       1,
       2.0,
       {{2, 2, 2}, {0, 0, 0}, {4, 0, 0}, {4, 2, 2}, {4, 4, 4}}},
      {"nearly level side", {{0, 0, 1 - 4e-7}, {1, 0, 1 + 4e-7}}, 0, 1.0, {{0, 0, 1 - 4e-7}, {1, 0, 1 + 4e-7}}},
  };
  for (const auto& row : cases) {
    const auto list = makeList(row.points, row.closed);
    T_VECTOR3D lo, hi;
    list->GetLimits(&lo, &hi);
    list->AddHorzPlaneIntersections(row.z0);
    EXPECT_EQ(positions(*list), row.expected) << row.name;
    for (unsigned i = 0; i < list->GetCount(); ++i) {
      EXPECT_EQ(list->GetID(i), kNone) << row.name;
      EXPECT_EQ(list->GetVtxZ2(i), 0.0) << row.name;
    }
    T_VECTOR3D lo2, hi2;
    list->GetLimits(&lo2, &hi2);
    EXPECT_EQ(lo2, lo) << row.name;
    EXPECT_EQ(hi2, hi) << row.name;
  }

  const auto list = makeList({{0, 0, 0}, {1, 1, 1}});
  list->AddPlaneIntersections(nullptr, nullptr);
  EXPECT_EQ(list->GetCount(), 2u);
}

}  // namespace
