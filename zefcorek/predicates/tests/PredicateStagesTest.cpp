// The predicates' constants, and where the adaptive forms settle, checked
// on an instrumented copy of the sources that counts the stages.
//
// This binary links that copy instead of the library, so it can also read
// the constants that the library keeps to itself and re-derive them under
// another precision control.
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <fpu_control.h>

#include <cmath>
#include <cstring>

#include "CaseGenerator.h"
#include "ExactOracle.h"
#include "ExpansionArithmetic.h"
#include "StageCounters.h"

namespace zefcorek::predicates::testing {
namespace {

void resetStageCounts() { std::memset(stageCounts, 0, sizeof stageCounts); }

unsigned long long count(PredicateKind predicate, StageKind stage) { return stageCounts[int(predicate)][int(stage)]; }

// (k0 + k1 * e) * e * e^extraPowers, exactly, for e = 2^-bits; with 64 or
// 53 bits every such value is representable.
REAL bound(REAL k0, REAL k1, int bits, int extraPowers) {
  return std::ldexp(k0 + std::ldexp(k1, -bits), -bits * (1 + extraPowers));
}

void expectConstantsFor(int bits) {
  const PredicateConstants& c = predicateConstants;
  EXPECT_EQ(c.splitter, std::ldexp(1.0L, (bits + 1) / 2) + 1.0L);
  struct Row {
    const char* name;
    REAL actual, k0, k1;
    int extraPowers;
  };
  const Row rows[] = {
      {"resulterrbound", c.resulterrbound, 3, 8, 0}, {"ccwerrboundA", c.ccwerrboundA, 3, 16, 0},
      {"ccwerrboundB", c.ccwerrboundB, 2, 12, 0},    {"ccwerrboundC", c.ccwerrboundC, 9, 64, 1},
      {"o3derrboundA", c.o3derrboundA, 7, 56, 0},    {"o3derrboundB", c.o3derrboundB, 3, 28, 0},
      {"o3derrboundC", c.o3derrboundC, 26, 288, 1},  {"iccerrboundA", c.iccerrboundA, 10, 96, 0},
      {"iccerrboundB", c.iccerrboundB, 4, 48, 0},    {"iccerrboundC", c.iccerrboundC, 44, 576, 1},
      {"isperrboundA", c.isperrboundA, 16, 224, 0},  {"isperrboundB", c.isperrboundB, 5, 72, 0},
      {"isperrboundC", c.isperrboundC, 71, 1408, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.actual, bound(row.k0, row.k1, bits, row.extraPowers)) << row.name;
  }
}

TEST(PredicateConstantsTest, FollowExtendedPrecision) {
  predicates_init();
  expectConstantsFor(64);
  // (3 + 2^-61) * 2^-64, spelled out.
  EXPECT_EQ(predicateConstants.resulterrbound, std::ldexp(3.0L + std::ldexp(1.0L, -61), -64));
}

// Under a 53-bit precision control the same start-up finds the double
// epsilon and splitter, so the constants follow the mode in force.
TEST(PredicateConstantsTest, FollowThePrecisionControlInForce) {
  fpu_control_t saved;
  _FPU_GETCW(saved);
  fpu_control_t doublePrecision = (saved & ~_FPU_EXTENDED) | _FPU_DOUBLE;
  _FPU_SETCW(doublePrecision);
  predicates_init();
  _FPU_SETCW(saved);
  expectConstantsFor(53);
  predicates_init();
  expectConstantsFor(64);
}

class PredicateStagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    predicates_init();
    resetStageCounts();
  }
};

TEST_F(PredicateStagesTest, RoundingLossIsDecidedAtTheCorrectionStage) {
  const REAL u = std::ldexp(1.0L, -64);
  const REAL a[] = {0.5L, 0.5L + u}, b[] = {12.0L, 12.0L}, c[] = {24.0L, 24.0L};
  EXPECT_EQ(orient2d(a, b, c), 12.0L * u);
  EXPECT_EQ(count(PredicateKind::Orient2d, StageKind::C), 1u);
}

TEST_F(PredicateStagesTest, ExactDifferencesEndAfterTheFirstExactStage) {
  const REAL a[] = {0, 0}, b[] = {1, 0}, c[] = {0, 1}, d[] = {1, 1};
  EXPECT_EQ(incircle(a, b, c, d), 0.0L);
  EXPECT_EQ(count(PredicateKind::Incircle, StageKind::ExactDifferences), 1u);
  const REAL p[] = {1, 0, 0}, q[] = {0, 1, 0}, r[] = {0, 0, 1}, s[] = {0, 0, 0}, t[] = {1, 1, 1};
  EXPECT_EQ(insphere(p, q, r, s, t), 0.0L);
  EXPECT_EQ(count(PredicateKind::Insphere, StageKind::ExactDifferences), 1u);
}

// With a bound of 0 the first exact estimate is accepted as it stands,
// whatever its sign.
TEST_F(PredicateStagesTest, AdaptWithZeroBoundStopsAtTheFirstExactStage) {
  const REAL a[] = {0.1L, 0.3L, 0.7L}, b[] = {0.9L, 0.2L, 0.4L}, c[] = {0.5L, 0.8L, 0.6L};
  const REAL d[] = {0.25L, 0.65L, 0.15L}, e[] = {0.45L, 0.35L, 0.55L};
  orient2dadapt(a, b, c, 0.0L);
  orient3dadapt(a, b, c, d, 0.0L);
  incircleadapt(a, b, c, d, 0.0L);
  insphereadapt(a, b, c, d, e, 0.0L);
  for (int p = 0; p < predicateKindCount; ++p) {
    EXPECT_EQ(stageCounts[p][int(StageKind::B)], 1u) << "predicate " << p;
  }
}

// The generated near-degenerate cases drive every predicate through every
// stage, and the entry forms keep the exact sign all the way.
TEST_F(PredicateStagesTest, NearDegenerateCasesReachEveryStage) {
  struct Row {
    ShapeKind shape;
    PredicateKind predicate;
  };
  const Row rows[] = {{ShapeKind::Line, PredicateKind::Orient2d},
                      {ShapeKind::Plane, PredicateKind::Orient3d},
                      {ShapeKind::Circle, PredicateKind::Incircle},
                      {ShapeKind::Sphere, PredicateKind::Insphere}};
  CaseGenerator generator(99);
  ExactOracle oracle;
  for (const Row& row : rows) {
    for (CaseKind kind :
         {CaseKind::Perturbed, CaseKind::TiltedGrid, CaseKind::LargeOffset, CaseKind::Exact, CaseKind::Repeated}) {
      for (int i = 0; i < 5000; ++i) {
        const Case c = generator.next(row.shape, kind);
        const auto& p = c.points;
        REAL value = 0;
        int expected = 0;
        switch (row.shape) {
          case ShapeKind::Line:
            value = orient2d(p[0], p[1], p[2]);
            expected = oracle.orient2d(p[0], p[1], p[2]);
            break;
          case ShapeKind::Plane:
            value = orient3d(p[0], p[1], p[2], p[3]);
            expected = oracle.orient3d(p[0], p[1], p[2], p[3]);
            break;
          case ShapeKind::Circle:
            value = incircle(p[0], p[1], p[2], p[3]);
            expected = oracle.incircle(p[0], p[1], p[2], p[3]);
            break;
          case ShapeKind::Sphere:
            value = insphere(p[0], p[1], p[2], p[3], p[4]);
            expected = oracle.insphere(p[0], p[1], p[2], p[3], p[4]);
            break;
        }
        ASSERT_EQ((value > 0) - (value < 0), expected);
      }
    }
    for (StageKind stage : {StageKind::A, StageKind::B, StageKind::ExactDifferences, StageKind::C, StageKind::D}) {
      EXPECT_GT(count(row.predicate, stage), 0u)
          << "predicate " << int(row.predicate) << " never settled at stage " << int(stage);
    }
  }
}

}  // namespace
}  // namespace zefcorek::predicates::testing
