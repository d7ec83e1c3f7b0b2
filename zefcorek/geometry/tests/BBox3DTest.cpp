// The growing 3-D bounding box: its two flags, growth and plan overlap.
#include "zefcorek/BBox3D.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

bool sameCorner(const tagT_POINT3D* p, double x, double y, double z) { return p->x == x && p->y == y && p->z == z; }

TEST(BBox3DTest, FirstPointIsTakenWholeAndLeavesAZeroDiagonal) {
  T_BBOX3D box;
  EXPECT_TRUE(box.IsEmpty());
  EXPECT_FALSE(box.IsValid());

  const tagT_POINT3D p{5, -3, 7};
  box.Add(&p);
  EXPECT_TRUE(sameCorner(box.Min(), 5, -3, 7));
  EXPECT_TRUE(sameCorner(box.Max(), 5, -3, 7));
  EXPECT_TRUE(box.IsEmpty());  // a single point has no extent

  const tagT_POINT3D q{1, 2, 9};
  box.Add(&q);
  EXPECT_FALSE(box.IsEmpty());
  EXPECT_TRUE(sameCorner(box.Min(), 1, -3, 7));
  EXPECT_TRUE(sameCorner(box.Max(), 5, 2, 9));
  EXPECT_FALSE(box.IsValid());  // growing never declares the box usable

  // A diagonal whose square (3e-14) is below 1e-13 still counts as empty;
  // one of 1e-6 (a square of 1e-12) does not.
  T_BBOX3D tiny;
  const tagT_POINT3D a{0, 0, 0}, b{1e-7, 1e-7, 1e-7};
  tiny.Init(&a, &b);
  EXPECT_TRUE(tiny.IsEmpty());
  const tagT_POINT3D c{1e-6, 0, 0};
  tiny.Init(&a, &c);
  EXPECT_FALSE(tiny.IsEmpty());
}

TEST(BBox3DTest, IntervalsAndOtherBoxes) {
  T_BBOX3D box;
  box.AddX(5, 1, true);
  EXPECT_EQ(box.Min()->x, 1);
  EXPECT_EQ(box.Max()->x, 5);
  box.AddX(3, false);  // inside: no change
  box.AddX(-2, 0, true);
  EXPECT_EQ(box.Min()->x, -2);
  EXPECT_EQ(box.Max()->x, 5);

  // A NaN never enters a box that already has points.
  box.AddY(std::numeric_limits<double>::quiet_NaN(), true);
  EXPECT_EQ(box.Min()->y, 0);

  T_BBOX3D point, target;
  const tagT_POINT3D p{100, 100, 100}, lo{0, 0, 0}, hi{1, 1, 1};
  point.Add(&p);
  target.Init(&lo, &hi);
  target.AddOther(&point);  // a one-point box is empty and adds nothing
  EXPECT_TRUE(sameCorner(target.Max(), 1, 1, 1));

  T_BBOX3D wide;
  const tagT_POINT3D w1{-1, 0.5, 0}, w2{0.5, 3, 2};
  wide.Init(&w1, &w2);
  target.AddOther(&wide);
  EXPECT_TRUE(sameCorner(target.Min(), -1, 0, 0));
  EXPECT_TRUE(sameCorner(target.Max(), 1, 3, 2));
}

TEST(BBox3DTest, IntersectionNeedsTwoValidBoxesAndIgnoresHeight) {
  auto makeBox = [](tagT_POINT3D lo, tagT_POINT3D hi, bool valid) {
    T_BBOX3D box;
    box.Init(&lo, &hi);
    box.SetValid(valid);
    return box;
  };
  const T_BBOX3D base = makeBox({0, 0, 0}, {2, 2, 1}, true);
  struct Case {
    const char* what;
    T_BBOX3D other;
    bool expected;
  };
  const Case cases[] = {
      {"overlap in plan, apart in z", makeBox({1, 1, 50}, {3, 3, 60}, true), true},
      {"touching edge", makeBox({2, 0, 0}, {4, 2, 1}, true), true},
      {"touching corner", makeBox({2, 2, 0}, {3, 3, 1}, true), true},
      {"apart in x", makeBox({2.5, 0, 0}, {4, 2, 1}, true), false},
      {"apart in y", makeBox({0, -3, 0}, {2, -0.1, 1}, true), false},
      {"same box, not valid", makeBox({0, 0, 0}, {2, 2, 1}, false), false},
      {"never filled", T_BBOX3D(), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(base.IntersectsWith(c.other), c.expected) << c.what;
    EXPECT_EQ(c.other.IntersectsWith(base), c.expected) << c.what << " (swapped)";
  }
}

TEST(BBox3DTest, SetValidFalseDiscardsTheBox) {
  T_BBOX3D box;
  const tagT_POINT3D lo{-4, -4, -4}, hi{4, 4, 4};
  box.Init(&lo, &hi);
  box.SetValid(true);
  EXPECT_TRUE(box.IsValid());
  box.SetValid(false);
  EXPECT_FALSE(box.IsValid());
  EXPECT_TRUE(box.IsEmpty());
  EXPECT_TRUE(sameCorner(box.Min(), 0, 0, 0));
  EXPECT_TRUE(sameCorner(box.Max(), 0, 0, 0));

  // Init keeps the valid flag as it was.
  box.SetValid(true);
  box.Init(&lo, nullptr);
  EXPECT_TRUE(box.IsValid());
}

}  // namespace
