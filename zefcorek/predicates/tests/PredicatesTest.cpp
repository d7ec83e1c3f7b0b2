// The predicates on small inputs whose determinants are known, including
// the degenerate ones that must come out as exactly zero, and the
// near-degenerate ones that only the later stages can decide.
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

// The library derives its constants as it loads, so the tests never do.
class PredicatesTest : public ::testing::Test {};

// What derives them is the library's own: a client that ran it again under
// another precision control would change the bounds under every caller.
TEST(PredicatesStartUpTest, IsNotExported) {
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "predicates_init"), nullptr);
  EXPECT_NE(dlsym(RTLD_DEFAULT, "orient2d"), nullptr);
}

using Orient2dForm = REAL (*)(const REAL*, const REAL*, const REAL*);
using Orient3dForm = REAL (*)(const REAL*, const REAL*, const REAL*, const REAL*);

REAL orient2dadaptUnbounded(const REAL* a, const REAL* b, const REAL* c) { return orient2dadapt(a, b, c, 0.0L); }
REAL orient3dadaptUnbounded(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  return orient3dadapt(a, b, c, d, 0.0L);
}

struct NamedOrient2d {
  const char* name;
  Orient2dForm form;
};
const NamedOrient2d orient2dForms[] = {
    {"orient2d", orient2d},
    {"orient2dfast", orient2dfast},
    {"orient2dexact", orient2dexact},
    {"orient2dslow", orient2dslow},
    {"orient2dadapt", orient2dadaptUnbounded},
};
struct NamedOrient3d {
  const char* name;
  Orient3dForm form;
};
const NamedOrient3d orient3dForms[] = {
    {"orient3d", orient3d},
    {"orient3dfast", orient3dfast},
    {"orient3dexact", orient3dexact},
    {"orient3dslow", orient3dslow},
    {"orient3dadapt", orient3dadaptUnbounded},
};

// Small integer coordinates: every form computes these exactly.
TEST_F(PredicatesTest, Orient2dOnExactInputs) {
  struct Case {
    REAL a[2], b[2], c[2];
    REAL expected;
  };
  const Case cases[] = {
      {{0, 0}, {1, 0}, {0, 1}, 1},   // counterclockwise
      {{0, 0}, {0, 1}, {1, 0}, -1},  // clockwise
      {{0, 0}, {1, 1}, {2, 2}, 0},   // collinear
      {{3, 3}, {3, 3}, {5, 9}, 0},   // repeated point
      {{-2, 1}, {4, -3}, {7, 8}, 78},
  };
  for (const NamedOrient2d& named : orient2dForms) {
    for (const Case& c : cases) {
      SCOPED_TRACE(named.name);
      EXPECT_EQ(named.form(c.a, c.b, c.c), c.expected);
    }
  }
}

TEST_F(PredicatesTest, Orient3dOnExactInputs) {
  struct Case {
    REAL a[3], b[3], c[3], d[3];
    REAL expected;
  };
  const Case cases[] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, 1},
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, -1},  // d above abc
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}, 1},  // d below abc
      {{0, 0, 0}, {1, 2, 3}, {2, 4, 6}, {5, -1, 2}, 0},  // collinear triple
      {{1, 1, 1}, {2, 3, 4}, {-1, 5, 0}, {0, 7, 3}, 0},  // coplanar: d = b + c - a
      {{1, 1, 1}, {2, 3, 4}, {-1, 5, 0}, {4, 5, 7}, 14},
  };
  for (const NamedOrient3d& named : orient3dForms) {
    for (const Case& c : cases) {
      SCOPED_TRACE(named.name);
      EXPECT_EQ(named.form(c.a, c.b, c.c, c.d), c.expected);
    }
  }
}

// Every product and difference cancels in rounded arithmetic; only the
// rounding error of ay - cy (2^-64) carries the sign.
TEST_F(PredicatesTest, Orient2dDecidesWhatRoundingLoses) {
  const REAL u = std::ldexp(1.0L, -64);
  const REAL a[] = {0.5L, 0.5L + u};
  const REAL b[] = {12.0L, 12.0L};
  const REAL c[] = {24.0L, 24.0L};
  EXPECT_EQ(orient2dfast(a, b, c), 0.0L);
  EXPECT_EQ(orient2d(a, b, c), 12.0L * u);
  EXPECT_GT(orient2dexact(a, b, c), 0.0L);
  EXPECT_GT(orient2dslow(a, b, c), 0.0L);
  // The mirror image flips the sign.
  EXPECT_EQ(orient2d(b, a, c), -12.0L * u);
}

using IncircleForm = REAL (*)(const REAL*, const REAL*, const REAL*, const REAL*);
using InsphereForm = REAL (*)(const REAL*, const REAL*, const REAL*, const REAL*, const REAL*);

REAL incircleadaptUnbounded(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  return incircleadapt(a, b, c, d, 0.0L);
}
REAL insphereadaptUnbounded(const REAL* a, const REAL* b, const REAL* c, const REAL* d, const REAL* e) {
  return insphereadapt(a, b, c, d, e, 0.0L);
}

TEST_F(PredicatesTest, IncircleOnExactInputs) {
  struct NamedForm {
    const char* name;
    IncircleForm form;
  };
  const NamedForm forms[] = {
      {"incircle", incircle},
      {"incirclefast", incirclefast},
      {"incircleexact", incircleexact},
      {"incircleslow", incircleslow},
      {"incircleadapt", incircleadaptUnbounded},
  };
  const REAL a[] = {0, 0}, b[] = {1, 0}, c[] = {0, 1};
  struct Case {
    REAL d[2];
    REAL expected;
  };
  const Case cases[] = {
      {{0.5L, 0.5L}, 0.5L},  // inside
      {{1, 1}, 0},           // on the circle
      {{2, 2}, -4},          // outside
      {{0, 0}, 0},           // one of the three points
  };
  for (const NamedForm& named : forms) {
    for (const Case& k : cases) {
      SCOPED_TRACE(named.name);
      EXPECT_EQ(named.form(a, b, c, k.d), k.expected);
      // Clockwise order flips the sign.
      EXPECT_EQ(named.form(a, c, b, k.d), -k.expected);
    }
  }
}

TEST_F(PredicatesTest, InsphereOnExactInputs) {
  struct NamedForm {
    const char* name;
    InsphereForm form;
  };
  const NamedForm forms[] = {
      {"insphere", insphere},
      {"inspherefast", inspherefast},
      {"insphereexact", insphereexact},
      {"insphereslow", insphereslow},
      {"insphereadapt", insphereadaptUnbounded},
  };
  const REAL a[] = {1, 0, 0}, b[] = {0, 1, 0}, c[] = {0, 0, 1}, d[] = {0, 0, 0};
  struct Case {
    REAL e[3];
    REAL expected;
  };
  const Case cases[] = {
      {{0.25L, 0.25L, 0.25L}, 0.5625L},  // inside
      {{1, 1, 1}, 0},                    // on the sphere
      {{2, 2, 2}, -6},                   // outside
  };
  for (const NamedForm& named : forms) {
    for (const Case& k : cases) {
      SCOPED_TRACE(named.name);
      EXPECT_EQ(named.form(a, b, c, d, k.e), k.expected);
      // Swapping two points flips the orientation and the sign.
      EXPECT_EQ(named.form(b, a, c, d, k.e), -k.expected);
    }
  }
}

TEST_F(PredicatesTest, NonFiniteCoordinatesGiveNonFiniteResults) {
  const REAL nan = std::numeric_limits<REAL>::quiet_NaN();
  const REAL inf = std::numeric_limits<REAL>::infinity();
  const REAL a[] = {nan, 0, 0};
  const REAL b[] = {1, 0, 0};
  const REAL c[] = {0, 1, 0};
  const REAL d[] = {0, 0, 1};
  const REAL far[] = {inf, 1, 0};
  const REAL e[] = {0.5L, 0.25L, 0.125L};
  EXPECT_TRUE(std::isnan(orient2d(a, b, c)));
  EXPECT_TRUE(std::isnan(orient3d(a, b, c, d)));
  EXPECT_TRUE(std::isnan(incircle(a, b, c, d)));
  EXPECT_TRUE(std::isnan(insphere(a, b, c, d, e)));
  EXPECT_TRUE(std::isnan(insphereslow(a, b, c, d, e)));
  EXPECT_FALSE(std::isfinite(orient2d(far, b, c)));
  EXPECT_FALSE(std::isfinite(incircle(far, b, c, d)));
  EXPECT_FALSE(std::isfinite(insphere(far, b, c, d, e)));
}

// The large in-sphere forms keep their working storage per thread, off the
// stack: threads running them at once must not disturb each other, and
// each must get what a lone call gets.
TEST_F(PredicatesTest, InsphereFormsRunOnManyThreadsAtOnce) {
  struct Input {
    REAL p[5][3];
  };
  std::vector<Input> inputs;
  for (int i = 0; i < 40; ++i) {
    Input input;
    for (int j = 0; j < 5; ++j) {
      for (int k = 0; k < 3; ++k) {
        // Irregular values with long significands and mixed magnitudes.
        input.p[j][k] = std::ldexp(std::sin(REAL(i * 15 + j * 3 + k + 1)), (i + j) % 7 - 3);
      }
    }
    inputs.push_back(input);
  }
  std::vector<REAL> expected;
  for (const Input& in : inputs) {
    expected.push_back(insphereexact(in.p[0], in.p[1], in.p[2], in.p[3], in.p[4]));
    expected.push_back(insphereslow(in.p[0], in.p[1], in.p[2], in.p[3], in.p[4]));
  }
  constexpr int threadCount = 4;
  std::vector<std::vector<REAL>> results(threadCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&inputs, &result = results[t]] {
      for (int round = 0; round < 3; ++round) {
        result.clear();
        for (const Input& in : inputs) {
          result.push_back(insphereexact(in.p[0], in.p[1], in.p[2], in.p[3], in.p[4]));
          result.push_back(insphereslow(in.p[0], in.p[1], in.p[2], in.p[3], in.p[4]));
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::vector<REAL>& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
