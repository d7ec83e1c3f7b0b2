// The exported expansion routines, on values whose exact results are known.
//
// The error terms of sums and products are checked on known values: a build
// that contracted a multiply-add or reassociated a sum would compute them
// as zero or as something else, and these tests would fail.
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const REAL tiny = std::ldexp(1.0L, -70);  // far below half an ulp of 1

// The library derives the splitter as it loads.
class ExpansionArithmeticTest : public ::testing::Test {};

std::vector<REAL> components(const REAL* h, int length) { return {h, h + length}; }

// The extended significand really is 64 bits wide and used as such.
TEST_F(ExpansionArithmeticTest, ErrorFreeSumKeepsTheRoundingError) {
  const REAL e[] = {1.0L};
  REAL h[2];
  ASSERT_EQ(grow_expansion(1, e, tiny, h), 2);
  EXPECT_EQ(h[0], tiny);
  EXPECT_EQ(h[1], 1.0L);
  // 1 + 2^-64 is a tie that rounds to even: the tail must carry 2^-64.
  ASSERT_EQ(grow_expansion(1, e, std::ldexp(1.0L, -64), h), 2);
  EXPECT_EQ(h[1], 1.0L);
  EXPECT_EQ(h[0], std::ldexp(1.0L, -64));
}

TEST_F(ExpansionArithmeticTest, ErrorFreeProductKeepsTheRoundingError) {
  // (2^32 + 1)^2 = 2^64 + 2^33 + 1: the trailing 1 does not fit in 64 bits.
  const REAL a = std::ldexp(1.0L, 32) + 1.0L;
  const REAL e[] = {a};
  REAL h[2];
  ASSERT_EQ(scale_expansion(1, e, a, h), 2);
  EXPECT_EQ(h[1], std::ldexp(1.0L, 64) + std::ldexp(1.0L, 33));
  EXPECT_EQ(h[0], 1.0L);
  // A product whose error is below the significand of the result: a fused
  // multiply-add computing x - a*b would give 0 here.
  const REAL b = 1.0L + std::ldexp(1.0L, -63);
  const REAL f[] = {b};
  ASSERT_EQ(scale_expansion_zeroelim(1, f, b, h), 2);
  EXPECT_EQ(h[1], 1.0L + std::ldexp(1.0L, -62));
  EXPECT_EQ(h[0], std::ldexp(1.0L, -126));
}

TEST_F(ExpansionArithmeticTest, GrowingZeroByZero) {
  const REAL zero[] = {0.0L};
  REAL h[2] = {7.0L, 7.0L};
  ASSERT_EQ(grow_expansion(1, zero, 0.0L, h), 2);
  EXPECT_EQ(components(h, 2), (std::vector<REAL>{0.0L, 0.0L}));
  ASSERT_EQ(grow_expansion_zeroelim(1, zero, 0.0L, h), 1);
  EXPECT_EQ(h[0], 0.0L);
  // An empty expansion grown by b is b alone.
  ASSERT_EQ(grow_expansion_zeroelim(0, nullptr, 5.0L, h), 1);
  EXPECT_EQ(h[0], 5.0L);
}

// Every sum routine on the same inputs: the exact value, the expected
// length, and what is left of zero components.
TEST_F(ExpansionArithmeticTest, SumsAgreeOnExactValues) {
  using SumRoutine = int (*)(int, const REAL*, int, const REAL*, REAL*);
  struct Routine {
    const char* name;
    SumRoutine sum;
    bool eliminatesZeros;
  };
  const Routine routines[] = {
      {"expansion_sum", expansion_sum, false},
      {"expansion_sum_zeroelim1", expansion_sum_zeroelim1, true},
      {"expansion_sum_zeroelim2", expansion_sum_zeroelim2, true},
      {"fast_expansion_sum", fast_expansion_sum, false},
      {"fast_expansion_sum_zeroelim", fast_expansion_sum_zeroelim, true},
      {"linear_expansion_sum", linear_expansion_sum, false},
      {"linear_expansion_sum_zeroelim", linear_expansion_sum_zeroelim, true},
  };
  struct Case {
    const char* name;
    std::vector<REAL> e, f;
    std::vector<REAL> zeroFree;  // the expected zero-eliminated result
  };
  const REAL t = tiny;
  const Case cases[] = {
      {"cancel to zero", {1.0L}, {-1.0L}, {0.0L}},
      {"disjoint magnitudes", {t, 1.0L}, {std::ldexp(1.0L, 80)}, {t, 1.0L, std::ldexp(1.0L, 80)}},
      {"carry into the top", {t, 1.0L}, {-t, 1.0L}, {2.0L}},
      {"interleaved", {t, 4.0L}, {t * t, 2.0L}, {t * t, t, 6.0L}},
  };
  for (const Routine& routine : routines) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(routine.name) + ": " + c.name);
      std::vector<REAL> h(c.e.size() + c.f.size(), 99.0L);
      int length = routine.sum(int(c.e.size()), c.e.data(), int(c.f.size()), c.f.data(), h.data());
      std::vector<REAL> result = components(h.data(), length);
      if (routine.eliminatesZeros) {
        EXPECT_EQ(result, c.zeroFree);
        continue;
      }
      EXPECT_EQ(length, int(c.e.size() + c.f.size()));
      std::vector<REAL> nonzero;
      for (REAL component : result) {
        if (component != 0.0L) nonzero.push_back(component);
      }
      if (nonzero.empty()) nonzero.push_back(0.0L);
      EXPECT_EQ(nonzero, c.zeroFree);
    }
  }
}

// expansion_sum_zeroelim2 stores every pass's sum after its tails, also a
// zero one: the first pass of -1 over 2^-70 + 1 leaves 2^-70 and 0.
TEST_F(ExpansionArithmeticTest, SecondZeroEliminationKeepsEachPassSum) {
  const REAL e[] = {tiny, 1.0L};
  const REAL f[] = {-1.0L};
  REAL h[3] = {99.0L, 99.0L, 99.0L};
  ASSERT_EQ(expansion_sum_zeroelim2(2, e, 1, f, h), 2);
  EXPECT_EQ(h[0], tiny);
  EXPECT_EQ(h[1], 0.0L);
  const REAL twice[] = {-1.0L, 2.0L};
  ASSERT_EQ(expansion_sum_zeroelim2(2, e, 2, twice, h), 2);
  EXPECT_EQ(h[0], tiny);
  EXPECT_EQ(h[1], 2.0L);
}

TEST_F(ExpansionArithmeticTest, ScalingCompressionAndEstimate) {
  const REAL e[] = {tiny, 1.0L};
  REAL h[4];
  ASSERT_EQ(scale_expansion(2, e, 3.0L, h), 4);
  // 3 + 3 * 2^-70 exactly, whatever zero components sit in between.
  REAL nonzero[4];
  int count = 0;
  for (REAL component : h) {
    if (component != 0.0L) nonzero[count++] = component;
  }
  ASSERT_EQ(count, 2);
  EXPECT_EQ(nonzero[0], 3.0L * tiny);
  EXPECT_EQ(nonzero[1], 3.0L);
  ASSERT_EQ(scale_expansion_zeroelim(2, e, 3.0L, h), 2);
  EXPECT_EQ(h[0], 3.0L * tiny);

  ASSERT_EQ(compress(2, e, h), 2);
  EXPECT_EQ(h[0], tiny);
  EXPECT_EQ(h[1], 1.0L);
  EXPECT_EQ(estimate(2, e), 1.0L);

  // Compressing in place merges components that fit in one.
  REAL f[] = {0.25L, 0.0L, 0.5L, 1.0L};
  ASSERT_EQ(compress(4, f, f), 1);
  EXPECT_EQ(f[0], 1.75L);
}

TEST(RandomValuesTest, FloatFormsAreExactFloatsAndUniformFormsFollowTheDraws) {
  std::srand(12345);
  for (int i = 0; i < 1000; ++i) {
    for (float value : {floatrand(), narrowfloatrand(), uniformfloatrand()}) {
      EXPECT_TRUE(std::isfinite(value));
    }
  }
  // The uniform form is (a - 2^30) * 2^23 + (b >> 8) of two draws.
  std::srand(777);
  int a = std::rand();
  int b = std::rand();
  std::srand(777);
  EXPECT_EQ(uniformdoublerand(), REAL(a - 1073741824) * 8388608.0L + REAL(b >> 8));
  std::srand(777);
  EXPECT_EQ(uniformfloatrand(), float((a - 1073741824) >> 6));
  // The ranged forms are the uniform value times a power of two.
  for (int i = 0; i < 100; ++i) {
    std::srand(unsigned(i));
    REAL uniform = uniformdoublerand();
    std::srand(unsigned(i));
    REAL wide = doublerand();
    int wideExponent, uniformExponent;
    EXPECT_EQ(std::frexp(wide, &wideExponent), std::frexp(uniform, &uniformExponent));
    EXPECT_GE(wideExponent, uniformExponent);
  }
}

}  // namespace
