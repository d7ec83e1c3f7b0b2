#include "zefcorek/RndGen.h"

#include <gtest/gtest.h>

namespace {

TEST(RndGenTest, KnownSequences) {
  CRndGen byDefault;
  EXPECT_EQ(byDefault.GetSeed(), 22695478u);
  CRndGen copy = byDefault;
  EXPECT_EQ(byDefault.Random32(), 8561967u);
  EXPECT_EQ(copy.Random16(), 130u);

  CRndGen zero(7);
  zero.SetSeed(0);
  EXPECT_EQ(zero.GetSeed(), 1u);
  CRndGen zeroCopy = zero;
  EXPECT_EQ(zero.Random32(), 22695478u);
  EXPECT_EQ(zeroCopy.Random16(), 346u);

  const uint32_t before = zero.GetSeed();
  EXPECT_EQ(zero.Random32(0), 0u);
  EXPECT_EQ(zero.GetSeed(), before) << "n = 0 takes no step";
  for (int i = 0; i < 5; ++i) {
    const uint32_t state = zero.GetSeed();
    EXPECT_EQ(zero.Random32(1), 0u);
    EXPECT_NE(zero.GetSeed(), state) << "n = 1 still steps";
  }

  CRndGen a(12345), b(12345);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(a.Random32(1000), b.Random32(1000));
}

// n - 1 comes only from the largest draw, 2147483647: from the seed
// 0x9EEDD551 the second step reaches the state 0xFFFFFFFF.
TEST(RndGenTest, ScaledDrawReachesItsTopOnlyAtTheLargestDraw) {
  for (uint32_t n : {2u, 10u, 1000u, 4000000000u}) {
    CRndGen top(0x9EEDD551u);
    EXPECT_EQ(top.Random32(n), n - 1) << n;
    CRndGen below(0x9EEDD551u);
    EXPECT_EQ(below.Random32(), 2147483647u);
  }
  CRndGen many(99);
  for (int i = 0; i < 10000; ++i) EXPECT_LT(many.Random32(10), 10u);
}

}  // namespace
