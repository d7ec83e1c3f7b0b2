// The unit normal of three points, in its four forms.
#include "zefcorek/NormalVector.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalVectorTest, AllFormsAgree) {
  struct Case {
    const char* what;
    T_VECTOR3D p[3];
    bool spansPlane;
    T_VECTOR3D normal;
  };
  const Case cases[] = {
      {"counter-clockwise from above", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, true, {0, 0, 1}},
      {"clockwise from above", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, true, {0, 0, -1}},
      {"tilted", {{1, 1, 1}, {1, 4, 1}, {1, 1, 5}}, true, {1, 0, 0}},
      {"slanted", {{0, 0, 0}, {4, 0, -3}, {0, 1, 0}}, true, {0.6, 0, 0.8}},
      {"collinear", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, false, {0, 0, 0}},
      {"one point", {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}}, false, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    T_VECTOR3D byRef(9, 9, 9), byArray(9, 9, 9);
    EXPECT_EQ(NormalVector(c.p[0], c.p[1], c.p[2], byRef), c.spansPlane) << c.what;
    EXPECT_EQ(NormalVector(c.p, byArray), c.spansPlane) << c.what;
    EXPECT_LE(byRef.Distance(c.normal), 1e-15) << c.what;
    EXPECT_EQ(byArray, byRef) << c.what;
    EXPECT_EQ(NormalVector(c.p[0], c.p[1], c.p[2]), byRef) << c.what;
    EXPECT_EQ(NormalVector(c.p), byRef) << c.what;
  }
}

}  // namespace
