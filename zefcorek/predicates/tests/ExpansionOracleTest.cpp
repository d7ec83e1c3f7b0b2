// The exported expansion routines on random expansions, against exact
// rational sums: every result must equal its operation exactly and keep
// the expansion form (nonoverlapping components in increasing magnitude,
// and no zeros where zeros are eliminated).
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ExactOracle.h"

namespace zefcorek::predicates::testing {
namespace {

// The lowest set bit's exponent of a nonzero value.
int lowestBit(REAL value) {
  int exponent;
  REAL fraction = std::frexp(std::fabs(value), &exponent);
  auto significand = static_cast<unsigned long long>(std::ldexp(fraction, 64));
  return exponent - 64 + __builtin_ctzll(significand);
}

// Nonzero components in increasing magnitude, each below the lowest bit
// of the next one; zeros only where allowed.
::testing::AssertionResult isExpansion(const std::vector<REAL>& h, bool zeroFree) {
  REAL previous = 0.0L;
  for (std::size_t i = 0; i < h.size(); ++i) {
    if (h[i] == 0.0L) {
      if (zeroFree && h.size() > 1) {
        return ::testing::AssertionFailure() << "zero component at " << i;
      }
      continue;
    }
    if (previous != 0.0L && std::ldexp(1.0L, lowestBit(h[i])) <= std::fabs(previous)) {
      return ::testing::AssertionFailure() << "component " << i << " overlaps the one before";
    }
    previous = h[i];
  }
  return ::testing::AssertionSuccess();
}

class ExpansionOracleTest : public ::testing::Test {
protected:
  // A random expansion: the exact sum of a few values spread over a wide
  // range of exponents, some of them cancelling.
  std::vector<REAL> randomExpansion() {
    std::vector<REAL> e{0.0L};
    std::vector<REAL> h;
    const int terms = std::uniform_int_distribution<int>(1, 8)(random_);
    for (int t = 0; t < terms; ++t) {
      REAL value = std::ldexp(REAL(random_()), std::uniform_int_distribution<int>(-160, 40)(random_));
      if (random_() % 2) value = -value;
      if (random_() % 4 == 0 && !e.empty()) value = -e.back();  // cancel the top
      h.resize(e.size() + 1);
      h.resize(std::size_t(grow_expansion_zeroelim(int(e.size()), e.data(), value, h.data())));
      e = h;
    }
    return e;
  }

  std::mt19937_64 random_{2024};
  ExactOracle oracle_;
};

TEST_F(ExpansionOracleTest, SumsAreExactAndKeepTheForm) {
  using SumRoutine = int (*)(int, const REAL*, int, const REAL*, REAL*);
  struct Routine {
    const char* name;
    SumRoutine sum;
    bool zeroFree;
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
  for (int round = 0; round < 3000; ++round) {
    const std::vector<REAL> e = randomExpansion();
    const std::vector<REAL> f = randomExpansion();
    for (const Routine& routine : routines) {
      std::vector<REAL> h(e.size() + f.size());
      h.resize(std::size_t(routine.sum(int(e.size()), e.data(), int(f.size()), f.data(), h.data())));
      ASSERT_EQ(
          oracle_.compareExpansions(h.data(), int(h.size()), e.data(), int(e.size()), 1.0L, f.data(), int(f.size())), 0)
          << routine.name << " in round " << round;
      ASSERT_TRUE(isExpansion(h, routine.zeroFree)) << routine.name << " in round " << round;
    }
  }
}

TEST_F(ExpansionOracleTest, ScalingGrowingAndCompressionAreExact) {
  for (int round = 0; round < 3000; ++round) {
    const std::vector<REAL> e = randomExpansion();
    const REAL b = std::ldexp(REAL(random_()), std::uniform_int_distribution<int>(-100, 0)(random_));
    const int elen = int(e.size());
    std::vector<REAL> h(2 * e.size());
    for (bool zeroElim : {false, true}) {
      int length = zeroElim ? scale_expansion_zeroelim(elen, e.data(), b, h.data())
                            : scale_expansion(elen, e.data(), b, h.data());
      std::vector<REAL> scaled(h.begin(), h.begin() + length);
      ASSERT_EQ(oracle_.compareExpansions(scaled.data(), length, e.data(), elen, b, nullptr, 0), 0)
          << "scale, zero elimination " << zeroElim << ", round " << round;
      ASSERT_TRUE(isExpansion(scaled, zeroElim)) << "scale, round " << round;

      length =
          zeroElim ? grow_expansion_zeroelim(elen, e.data(), b, h.data()) : grow_expansion(elen, e.data(), b, h.data());
      std::vector<REAL> grown(h.begin(), h.begin() + length);
      const REAL single[] = {b};
      ASSERT_EQ(oracle_.compareExpansions(grown.data(), length, e.data(), elen, 1.0L, single, 1), 0)
          << "grow, round " << round;
      ASSERT_TRUE(isExpansion(grown, zeroElim)) << "grow, round " << round;
    }
    std::vector<REAL> compressed(e.size());
    compressed.resize(std::size_t(compress(elen, e.data(), compressed.data())));
    ASSERT_EQ(oracle_.compareExpansions(compressed.data(), int(compressed.size()), e.data(), elen, 1.0L, nullptr, 0), 0)
        << "compress, round " << round;
    ASSERT_TRUE(isExpansion(compressed, true)) << "compress, round " << round;
    // The estimate is the top component to within the rest's magnitude.
    EXPECT_EQ(std::signbit(estimate(elen, e.data())), std::signbit(e.back()));
  }
}

}  // namespace
}  // namespace zefcorek::predicates::testing
