#include "zefcorek/MtxLib.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace {

using MtxLib::TGenMtx;

TGenMtx matrix(std::initializer_list<std::initializer_list<double>> rows) {
  TGenMtx m(unsigned(rows.size()), unsigned(rows.begin()->size()));
  unsigned r = 0;
  for (const auto& row : rows) {
    unsigned c = 0;
    for (double v : row) m.At(r, c++) = v;
    ++r;
  }
  return m;
}

testing::AssertionResult equals(const TGenMtx& m, std::initializer_list<std::initializer_list<double>> rows,
                                unsigned status = MtxLib::kOk) {
  if (m.Status() != status) return testing::AssertionFailure() << "status " << m.Status() << ", wanted " << status;
  if (m.Rows() != rows.size() || m.Cols() != rows.begin()->size())
    return testing::AssertionFailure() << "shape " << m.Rows() << " x " << m.Cols();
  unsigned r = 0;
  for (const auto& row : rows) {
    unsigned c = 0;
    for (double v : row) {
      if (m.At(r, c) != v)
        return testing::AssertionFailure() << "(" << r << ", " << c << ") = " << m.At(r, c) << ", wanted " << v;
      ++c;
    }
    ++r;
  }
  return testing::AssertionSuccess();
}

const std::initializer_list<std::initializer_list<double>> kZero4 = {
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};

TEST(MtxLibTest, InverseFailuresAndRowExchange) {
  EXPECT_TRUE(equals(MtxLib::Inverse(TGenMtx(2, 3)), kZero4, MtxLib::kNotSquare));
  EXPECT_TRUE(equals(MtxLib::Inverse(TGenMtx(1, 1)), kZero4, MtxLib::kSingular));

  const TGenMtx swap = matrix({{0, 1}, {1, 0}});
  const TGenMtx copy = swap;  // shares the storage with the argument
  EXPECT_TRUE(equals(MtxLib::Inverse(swap), {{0, 1}, {1, 0}}));
  EXPECT_TRUE(equals(swap, {{0, 1}, {1, 0}})) << "argument changed";
  EXPECT_TRUE(equals(copy, {{0, 1}, {1, 0}})) << "copy of the argument changed";

  const TGenMtx a = matrix({{4, 7}, {2, 6}});
  const TGenMtx product = a * MtxLib::Inverse(a);
  for (unsigned r = 0; r < 2; ++r) {
    for (unsigned c = 0; c < 2; ++c) EXPECT_NEAR(product.At(r, c), r == c ? 1.0 : 0.0, 1e-15);
  }
}

// A failed inverse assigned into a matrix that held a good one reads as
// failed: the status travels with the value.
TEST(MtxLibTest, AssignmentCarriesTheStatus) {
  TGenMtx target = matrix({{2}});
  ASSERT_EQ(target.Status(), MtxLib::kOk);
  target = MtxLib::Inverse(TGenMtx(3, 3));
  EXPECT_EQ(target.Status(), MtxLib::kSingular);
  target = target;
  EXPECT_TRUE(equals(target, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, MtxLib::kSingular));
}

TEST(MtxLibTest, SelectPivotTakesTheFirstOfEqualMagnitudes) {
  struct Row {
    std::initializer_list<std::initializer_list<double>> m;
    unsigned col;
    unsigned answer;
    double pivot;
  };
  const Row rows[] = {
      {{{2.0}, {-2.0}}, 0, 0, 2.0},  // tie: the upper row stays
      {{{-2.0}, {2.0}}, 0, 0, -2.0},
      {{{1.0}, {-3.0}, {3.0}}, 0, 1, -3.0},  // first of the largest
      {{{0.0}, {0.0}, {5.0}}, 0, 2, 5.0},
      {{{9.0, 0.0}, {9.0, 0.0}}, 1, MtxLib::kNoPivot, 0.0},  // exact zeros: singular
      {{{1.0, 7.0}, {1.0, 1e-300}}, 1, 0, 1e-300},           // no tolerance
  };
  for (const Row& row : rows) {
    TGenMtx m = matrix(row.m);
    EXPECT_EQ(m.SelectPivot(row.col), row.answer);
    EXPECT_EQ(m.At(row.col, row.col), row.pivot);
  }
}

TEST(MtxLibTest, SolveShapesSingularAndSeveralColumns) {
  const TGenMtx a = matrix({{2, 1, 0}, {1, 3, 1}, {0, 1, 4}});
  {
    std::unique_ptr<TGenMtx> x(a.Solve(TGenMtx(2, 1)));
    EXPECT_TRUE(equals(*x, kZero4, MtxLib::kShapeMismatch));
  }
  {
    std::unique_ptr<TGenMtx> x(TGenMtx(2, 3).Solve(TGenMtx(3, 1)));
    EXPECT_TRUE(equals(*x, kZero4, MtxLib::kShapeMismatch));
  }
  {
    const TGenMtx singular = matrix({{1, 2, 3}, {2, 4, 6}, {1, 1, 1}});
    std::unique_ptr<TGenMtx> x(singular.Solve(TGenMtx(3, 1)));
    EXPECT_TRUE(equals(*x, kZero4, MtxLib::kSingular));
  }
  // The columns of b are A (1, 1, 1) and A (0, 2, 1).
  const TGenMtx b = matrix({{3, 2}, {5, 7}, {5, 6}});
  std::unique_ptr<TGenMtx> x(a.Solve(b));
  ASSERT_EQ(x->Status(), MtxLib::kOk);
  ASSERT_EQ(x->Rows(), 3u);
  ASSERT_EQ(x->Cols(), 2u);
  const double expected[3][2] = {{1, 0}, {1, 2}, {1, 1}};
  for (unsigned r = 0; r < 3; ++r) {
    for (unsigned c = 0; c < 2; ++c) EXPECT_NEAR(x->At(r, c), expected[r][c], 1e-14) << r << ", " << c;
  }
  // The coefficient matrix is untouched.
  EXPECT_TRUE(equals(a, {{2, 1, 0}, {1, 3, 1}, {0, 1, 4}}));
}

TEST(MtxLibTest, ShapesCopyOnWriteAndResize) {
  TGenMtx wide(3, 5);
  wide.At(2, 4) = 8.0;
  wide.SetIdentity();
  EXPECT_TRUE(equals(wide, {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}}));

  TGenMtx original = matrix({{1, 2}, {3, 4}});
  TGenMtx copy = original;
  EXPECT_TRUE(copy.IsShared());
  copy.At(0, 1) = 9.0;
  EXPECT_FALSE(copy.IsShared());
  EXPECT_TRUE(equals(original, {{1, 2}, {3, 4}}));
  EXPECT_TRUE(equals(copy, {{1, 9}, {3, 4}}));
  original = original;
  EXPECT_TRUE(equals(original, {{1, 2}, {3, 4}}));

  EXPECT_TRUE(equals(-original, {{-1, -2}, {-3, -4}}));
  EXPECT_TRUE(equals(~matrix({{1, 2, 3}}), {{1}, {2}, {3}}));
  EXPECT_TRUE(equals(matrix({{1, 2}, {3, 4}}) * matrix({{5}, {6}}), {{17}, {39}}));

  TGenMtx shared = original;
  original.Resize(3, 1);
  EXPECT_TRUE(equals(original, {{1}, {3}, {0}}));
  EXPECT_TRUE(equals(shared, {{1, 2}, {3, 4}}));

  MtxLib::TColVec v(3);
  EXPECT_EQ(v.Rows(), 3u);
  EXPECT_EQ(v.Cols(), 1u);
}

// Exact solution of A x = b over the rationals of the double inputs.
std::vector<mpq_class> exactSolve(std::vector<std::vector<mpq_class>> a, std::vector<mpq_class> b) {
  const size_t n = b.size();
  for (size_t k = 0; k < n; ++k) {
    size_t p = k;
    while (a[p][k] == 0) ++p;
    std::swap(a[k], a[p]);
    std::swap(b[k], b[p]);
    for (size_t i = k + 1; i < n; ++i) {
      const mpq_class f = a[i][k] / a[k][k];
      for (size_t j = k; j < n; ++j) a[i][j] -= f * a[k][j];
      b[i] -= f * b[k];
    }
  }
  std::vector<mpq_class> x(n);
  for (size_t i = n; i-- > 0;) {
    mpq_class s = b[i];
    for (size_t j = i + 1; j < n; ++j) s -= a[i][j] * x[j];
    x[i] = s / a[i][i];
  }
  return x;
}

// Diagonally dominant 6 x 6 systems are well conditioned: the elimination
// in doubles must land within 1e-12 (relative) of the exact solution.
TEST(MtxLibTest, RandomSystemsAgreeWithExactRationals) {
  constexpr unsigned n = 6;
  std::mt19937_64 random(20261210);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (int trial = 0; trial < 50; ++trial) {
    TGenMtx a(n, n);
    TGenMtx b(n, 1);
    std::vector<std::vector<mpq_class>> qa(n, std::vector<mpq_class>(n));
    std::vector<mpq_class> qb(n);
    for (unsigned r = 0; r < n; ++r) {
      for (unsigned c = 0; c < n; ++c) {
        const double v = value(random) + (r == c ? 8.0 : 0.0);
        a.At(r, c) = v;
        qa[r][c] = v;
      }
      b.At(r, 0) = value(random) * 100.0;
      qb[r] = b.At(r, 0);
    }
    std::unique_ptr<TGenMtx> x(a.Solve(b));
    ASSERT_EQ(x->Status(), MtxLib::kOk);
    const std::vector<mpq_class> exact = exactSolve(qa, qb);
    double norm = 0.0;
    for (const mpq_class& q : exact) norm = std::max(norm, std::fabs(q.get_d()));
    for (unsigned r = 0; r < n; ++r) {
      const mpq_class error = mpq_class(x->At(r, 0)) - exact[r];
      EXPECT_LE(std::fabs(error.get_d()), 1e-12 * norm) << "trial " << trial << ", row " << r;
    }
  }
}

}  // namespace
