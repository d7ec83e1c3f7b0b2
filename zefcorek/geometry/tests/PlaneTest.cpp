#include "zefcorek/Plane.h"

#include "zefcorek/V3DList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

constexpr double kPi = 3.141592653589793;

T_PLANE byPointAndNormal(tagT_POINT3D p, tagT_POINT3D n) {
  T_PLANE plane(0.0);
  plane.FromPtAndNormal(p, n);
  return plane;
}

TEST(PlaneTest, MakingThePlane) {
  T_PLANE ground({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  EXPECT_TRUE(ground.IsOK());
  EXPECT_EQ(ground.Normal(), T_VECTOR3D(0, 0, 1));
  EXPECT_EQ(ground.GetData().constant, 0.0);
  EXPECT_EQ(ground.ZFromXY(5, 7), 0.0);
  EXPECT_EQ(ground.Distance({0, 0, 3}), -3.0);

  const struct {
    const char* name;
    tagT_POINT3D p1, p2, p3;
  } refused[] = {
      {"vertical", {0, 0, 0}, {1, 0, 0}, {0, 0, 1}},
      {"collinear", {0, 0, 0}, {1, 1, 1}, {2, 2, 2}},
      {"x = 1", {1, 0, 0}, {1, 1, 0}, {1, 0, 1}},
  };
  for (const auto& row : refused) {
    T_PLANE plane(7.0);
    EXPECT_FALSE(plane.From3P(row.p1, row.p2, row.p3)) << row.name;
    EXPECT_FALSE(plane.IsOK()) << row.name;
    EXPECT_EQ(plane.GetData().constant, 7.0) << row.name << ": d is left as it was";
  }

  T_PLANE level(2.5);
  EXPECT_EQ(level.Normal(), T_VECTOR3D(0, 0, 1));
  EXPECT_EQ(level.GetData().constant, 2.5);
  EXPECT_EQ(level.PrjPtOnPlane(T_VECTOR3D(1, 2, 7)), T_VECTOR3D(1, 2, 2.5));

  // Copies carry the whole flag word.
  T_PLANEDATA data = level.GetData();
  data.flags |= 0x80000000u;
  level.SetData(data);
  T_PLANE copy(&level);
  EXPECT_EQ(copy.GetData().flags, 0x80000001u);
  copy.SetNotOK();
  EXPECT_FALSE(copy.IsOK());
  EXPECT_EQ(copy.GetData().flags, 0x80000000u);
}

TEST(PlaneTest, TwoPlanes) {
  const T_PLANE ground({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  const T_PLANE wall = byPointAndNormal({1, 0, 0}, {1, 0, 0});
  T_VECTOR3D point(9, 9, 9), dir;
  EXPECT_TRUE(ground.Intersect(wall, point, dir));
  EXPECT_EQ(point, T_VECTOR3D(1, 0, 0));
  EXPECT_EQ(dir, T_VECTOR3D(0, 1, 0));
  EXPECT_DOUBLE_EQ(ground.Angle(wall), kPi / 2);
  EXPECT_FALSE(ground.IsParallelTo(wall, 1e-9));

  const T_PLANE low(0.0), high(5.0);
  point = T_VECTOR3D(9, 9, 9);
  EXPECT_FALSE(low.Intersect(high, point, dir));
  EXPECT_EQ(point, T_VECTOR3D(9, 9, 9));
  EXPECT_EQ(low.Angle(high), 0.0);
  EXPECT_TRUE(low.IsParallelTo(high, 1e-9));

  T_PLANE broken(0.0);
  broken.SetNotOK();
  EXPECT_FALSE(broken.Intersect(wall, point, dir));
}

TEST(PlaneTest, RayIntersection) {
  const T_PLANE ground(0.0);
  const struct {
    const char* name;
    T_VECTOR3D direction;
    int asLine;
    bool hit;
    tagT_POINT3D out;
  } cases[] = {
      {"towards the plane", {0, 0, -1}, 0, true, {0, 0, 0}},
      {"away from it", {0, 0, 1}, 0, false, {0, 0, 0}},
      {"away, as a line", {0, 0, 1}, 1, true, {0, 0, 0}},
      {"parallel, off the plane", {1, 0, 0}, 1, false, {0, 0, 0}},
  };
  for (const auto& row : cases) {
    T_RAY3D ray;
    ray.origin = T_VECTOR3D(0, 0, 5);
    ray.direction = row.direction;
    tagT_POINT3D out{7, 7, 7};
    EXPECT_EQ(ground.Intersect(ray, out, row.asLine), row.hit) << row.name;
    EXPECT_EQ(T_VECTOR3D(out), T_VECTOR3D(row.out)) << row.name;
  }
  // Starting on the plane and running (nearly) along it: the origin, unless
  // the direction is exactly parallel.
  T_RAY3D alongPlane;
  alongPlane.origin = T_VECTOR3D(3, 4, 0);
  alongPlane.direction = T_VECTOR3D(1, 0, 1e-12);
  tagT_POINT3D out{};
  EXPECT_TRUE(ground.Intersect(alongPlane, out, 0));
  EXPECT_EQ(T_VECTOR3D(out), T_VECTOR3D(3, 4, 0));
  alongPlane.direction = T_VECTOR3D(1, 0, 0);
  EXPECT_FALSE(ground.Intersect(alongPlane, out, 0));

  // Made from points at height 0, then moved to z = 10 by a point and a
  // normal: the stored points are stale, the ray must still meet z = 10.
  T_PLANE moved({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  moved.FromPtAndNormal({5, 5, 10}, {0, 0, 2});
  T_RAY3D down;
  down.origin = T_VECTOR3D(1, 2, 50);
  down.direction = T_VECTOR3D(0, 0, -1);
  EXPECT_TRUE(moved.Intersect(down, out, 0));
  EXPECT_EQ(T_VECTOR3D(out), T_VECTOR3D(1, 2, 10));
}

T_V3DLIST* heights(std::initializer_list<double> zs) {
  auto* list = new T_V3DLIST();
  double x = 0;
  for (double z : zs) {
    list->Add(x, 2 * x, z);
    x += 1;
  }
  return list;
}

TEST(PlaneTest, VertexLists) {
  const T_PLANE ground(0.0);
  const struct {
    const char* name;
    std::initializer_list<double> zs;
    bool onPlane;
    int semiSpace;
  } cases[] = {
      {"near the plane", {0.05, -0.05, 0}, true, 1},
      {"one too high", {0.05, 0.5}, false, 3},
      // Below the plane (z < 0) the distance d - n.p is positive: "above".
      {"all below in z", {-1, -2}, false, 0},
      {"all above in z", {1, 2}, false, 2},
      {"empty", {}, true, 0},
  };
  for (const auto& row : cases) {
    T_V3DLIST* list = heights(row.zs);
    EXPECT_EQ(ground.AllPtsOnPlane(list, 0.1), row.onPlane) << row.name;
    EXPECT_EQ(ground.AllPtsOnSemiSpace(list, 0.1), row.semiSpace) << row.name;
    delete list;
  }

  const T_PLANE slope({0, 0, 1}, {1, 0, 3}, {0, 1, 4});  // z = 2x + 3y + 1
  T_V3DLIST list;
  list.Add(2, 1, 0);
  list.ChangeID(0, 77);
  slope.RecomputeV3DListZs(&list);
  EXPECT_NEAR(list.GetVertex(0)->z, 8.0, 1e-14);
  EXPECT_EQ(list.GetID(0), 77u);
}

}  // namespace
