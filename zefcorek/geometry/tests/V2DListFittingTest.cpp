// Rotated limits, quasi-rectangles and the fitting of a polyline's ends.
#include "zefcorek/V2DList.h"

#include "VertexListFixtures.h"

#include "zefcorek/RecList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

using vertexlists::makeList;

std::vector<T_VECTOR2D> vertices(const T_V2DLIST* list) { return vertexlists::points(list); }

testing::AssertionResult near(const std::vector<T_VECTOR2D>& got, const std::vector<T_VECTOR2D>& expected,
                              double tol = 1e-12) {
  if (got.size() != expected.size())
    return testing::AssertionFailure() << got.size() << " vertices, wanted " << expected.size();
  for (size_t i = 0; i < got.size(); ++i) {
    if (std::fabs(got[i].x - expected[i].x) > tol || std::fabs(got[i].y - expected[i].y) > tol)
      return testing::AssertionFailure() << "vertex " << i << " (" << got[i].x << ", " << got[i].y << ")";
  }
  return testing::AssertionSuccess();
}

TEST(V2DListFittingTest, RotatedLimits) {
  const auto square = makeList({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  const T_VECTOR2D origin;
  T_VECTOR2D lo, hi;
  EXPECT_EQ(square->GetLimitsOfRotatedList(0.0, &origin, &lo, &hi), 1);
  EXPECT_TRUE(near({lo, hi}, {{0, 0}, {1, 1}}, 0.0));
  EXPECT_EQ(square->GetLimitsOfRotatedList(kPi / 2, &origin, &lo, &hi), 1);
  EXPECT_TRUE(near({lo, hi}, {{-1, 0}, {0, 1}}, 1e-15));
  // The list and its limits are untouched.
  EXPECT_TRUE(near(vertices(square.get()), {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0.0));

  const auto pair = makeList({{0, 0}, {1, 0}});
  lo = hi = T_VECTOR2D(5, 5);
  EXPECT_EQ(pair->GetLimitsOfRotatedList(1.0, &origin, &lo, &hi), 0);
  EXPECT_EQ(lo, T_VECTOR2D(0, 0));
  EXPECT_EQ(hi, T_VECTOR2D(0, 0));
}

TEST(V2DListFittingTest, QuasiRectangleEdges) {
  const auto outline = makeList({{0, 0}, {5, 0.1}, {10, 0}, {10, 10}, {0, 10}}, 1);
  T_V2DLIST* edges[4] = {};
  ASSERT_EQ(outline->FindEdgesOfQuasiRectangle(edges, 0), 1);
  const std::vector<T_VECTOR2D> expected[4] = {
      {{0, 0}, {5, 0.1}, {10, 0}}, {{10, 0}, {10, 10}}, {{10, 10}, {0, 10}}, {{0, 10}, {0, 0}}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(near(vertices(edges[i]), expected[i], 0.0)) << "edge " << i;
    delete edges[i];
  }

  // The same outline listed clockwise walks backwards and gives the same
  // edges, each from its corner to the next.
  const auto clockwise = makeList({{0, 10}, {10, 10}, {10, 0}, {5, 0.1}, {0, 0}}, 1);
  ASSERT_EQ(clockwise->FindEdgesOfQuasiRectangle(edges, 0), 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(near(vertices(edges[i]), expected[i], 0.0)) << "clockwise edge " << i;
    delete edges[i];
  }

  const auto triangle = makeList({{0, 0}, {4, 0}, {0, 3}}, 1);
  edges[0] = reinterpret_cast<T_V2DLIST*>(1);
  EXPECT_EQ(triangle->FindEdgesOfQuasiRectangle(edges, 0), 0);
  EXPECT_EQ(edges[0], nullptr);
  TRecListNodeType_Dummy* node = reinterpret_cast<TRecListNodeType_Dummy*>(1);
  unsigned index = 0;
  const T_VECTOR2D origin;
  EXPECT_EQ(triangle->FindNearestVertexAtCornerNode(0.0, &origin, &origin, &node, &index), 0);
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(index, 0xFFFFFFFFu);

  // The corner (10, 10) is vertex 3.
  const T_VECTOR2D corner(10, 10);
  ASSERT_EQ(outline->FindNearestVertexAtCornerNode(0.0, &origin, &corner, &node, &index), 1);
  EXPECT_EQ(index, 3u);
  ASSERT_NE(node, nullptr);
}

TEST(V2DListFittingTest, ShrinkOrExpand) {
  const auto square = makeList({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});
  square->ShrinkOrExpandBy(1.0);
  const double out = 1.0 + 1.0 / std::sqrt(2.0);
  EXPECT_TRUE(near(vertices(square.get()), {{-out, -out}, {out, -out}, {out, out}, {-out, out}}, 1e-15));
  T_VECTOR2D lo, hi;
  EXPECT_TRUE(square->GetLimits(&lo, &hi));
  EXPECT_NEAR(hi.x, out, 1e-15) << "the limits were recomputed";

  // A vertex at the barycentre stays.
  const auto withCentre = makeList({{-1, 0}, {0, 0}, {1, 0}});
  withCentre->ShrinkOrExpandBy(-0.5);
  EXPECT_TRUE(near(vertices(withCentre.get()), {{-0.5, 0}, {0, 0}, {0.5, 0}}, 0.0));
}

TEST(V2DListFittingTest, FittingToAPerimeter) {
  const auto perimeter = makeList({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 1);
  const auto zigzag = makeList({{0, 0}, {10, 0}, {0, 5}, {10, 5}, {0, 10}, {10, 10}}, 0);
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR2D> points;
    const T_V2DLIST* perimeter;
    int result;
    std::vector<T_VECTOR2D> expected;
  } cases[] = {
      {"lengthened", {{2, 5}, {5, 5}, {8, 5}}, perimeter.get(), 1, {{0, 5}, {2, 5}, {5, 5}, {8, 5}, {10, 5}}},
      {"trimmed", {{-3, 5}, {5, 5}, {13, 5}}, perimeter.get(), 1, {{0, 5}, {5, 5}, {10, 5}}},
      {"reversed", {{8, 5}, {5, 5}, {2, 5}}, perimeter.get(), 1, {{10, 5}, {8, 5}, {5, 5}, {2, 5}, {0, 5}}},
      {"ends already on it", {{0, 5}, {5, 5}, {10, 5}}, perimeter.get(), 1, {{0, 5}, {5, 5}, {10, 5}}},
      {"four crossings", {{1, 2.5}, {9, 2.5}}, zigzag.get(), 0, {{1, 2.5}, {9, 2.5}}},
      {"equal ends", {{5, 5}, {6, 6}, {5, 5}}, perimeter.get(), 0, {{5, 5}, {6, 6}, {5, 5}}},
      {"one vertex", {{5, 5}}, perimeter.get(), 0, {{5, 5}}},
  };
  for (const auto& row : cases) {
    const auto list = makeList(row.points);
    EXPECT_EQ(list->AdjustToTouchPerimenter(row.perimeter, 0), row.result) << row.name;
    EXPECT_TRUE(near(vertices(list.get()), row.expected)) << row.name;
  }
}

TEST(V2DListFittingTest, FittingBetweenTwoBoundaries) {
  const auto left = makeList({{0, 0}, {0, 10}});
  const auto right = makeList({{10, 0}, {10, 10}});
  const auto highLeft = makeList({{0, 20}, {0, 30}});
  const auto sameSpot = makeList({{4, 4}, {6, 6}});
  const auto crossAtFive = makeList({{5, 4}, {5, 6}});
  const struct {
    const char* name;
    std::initializer_list<T_VECTOR2D> points;
    const T_V2DLIST* a;
    const T_V2DLIST* b;
    int result;
    std::vector<T_VECTOR2D> expected;
  } cases[] = {
      {"lengthened both ways",
       {{2, 5}, {5, 5}, {8, 5}},
       left.get(),
       right.get(),
       1,
       {{0, 5}, {2, 5}, {5, 5}, {8, 5}, {10, 5}}},
      // The polyline meets the first boundary only on its extension.
      {"boundary met on its extension",
       {{-3, 5}, {5, 5}, {8, 5}},
       highLeft.get(),
       right.get(),
       1,
       {{0, 5}, {5, 5}, {8, 5}, {10, 5}}},
      {"boundaries given the other way",
       {{2, 5}, {5, 5}, {8, 5}},
       right.get(),
       left.get(),
       1,
       {{0, 5}, {2, 5}, {5, 5}, {8, 5}, {10, 5}}},
      // Both boundaries meet the polyline in (5, 5): there is no line
      // between the two points, and nothing changes.
      {"boundary points coincide",
       {{2, 5}, {5, 5}, {8, 5}},
       crossAtFive.get(),
       sameSpot.get(),
       0,
       {{2, 5}, {5, 5}, {8, 5}}},
      {"one vertex", {{5, 5}}, left.get(), right.get(), 0, {{5, 5}}},
  };
  for (const auto& row : cases) {
    const auto list = makeList(row.points);
    EXPECT_EQ(list->AdjustToTouchQuasiOrthoLines(row.a, row.b, 0), row.result) << row.name;
    EXPECT_TRUE(near(vertices(list.get()), row.expected)) << row.name;
  }
}

}  // namespace
