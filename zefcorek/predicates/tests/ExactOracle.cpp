#include "ExactOracle.h"

#include <cassert>
#include <climits>
#include <cmath>
#include <cstdint>

namespace zefcorek::predicates::testing {

namespace {

// value = significand * 2^exponent with a 64-bit integer significand.
struct Decomposed {
  std::uint64_t significand;
  int exponent;
  bool negative;
};

Decomposed decompose(REAL value) {
  assert(std::isfinite(value));
  if (value == 0.0L) return {0, 0, false};
  int exponent;
  REAL fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
  auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  return {significand, exponent - 64, value < 0.0L};
}

}  // namespace

ExactOracle::ExactOracle() {
  for (auto& row : rows_) {
    for (auto& entry : row) mpz_init(entry);
  }
  for (auto& row : raw_) {
    for (auto& entry : row) mpz_init(entry);
  }
  for (auto& entry : scratch_) mpz_init(entry);
  mpq_init(sum_);
  mpq_init(term_);
}

ExactOracle::~ExactOracle() {
  for (auto& row : rows_) {
    for (auto& entry : row) mpz_clear(entry);
  }
  for (auto& row : raw_) {
    for (auto& entry : row) mpz_clear(entry);
  }
  for (auto& entry : scratch_) mpz_clear(entry);
  mpq_clear(sum_);
  mpq_clear(term_);
}

void ExactOracle::loadDifferences(const REAL* const* points, int count, int dimension, bool lift) {
  Decomposed parts[maxPoints][maxColumns - 1];
  int lowest = INT_MAX;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < dimension; ++j) {
      parts[i][j] = decompose(points[i][j]);
      if (parts[i][j].significand != 0 && parts[i][j].exponent < lowest) {
        lowest = parts[i][j].exponent;
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < dimension; ++j) {
      const Decomposed& part = parts[i][j];
      mpz_set_ui(raw_[i][j], part.significand);
      if (part.significand != 0) mpz_mul_2exp(raw_[i][j], raw_[i][j], part.exponent - lowest);
      if (part.negative) mpz_neg(raw_[i][j], raw_[i][j]);
    }
  }
  const int last = count - 1;
  for (int i = 0; i < last; ++i) {
    if (lift) mpz_set_ui(rows_[i][dimension], 0);
    for (int j = 0; j < dimension; ++j) {
      mpz_sub(rows_[i][j], raw_[i][j], raw_[last][j]);
      if (lift) mpz_addmul(rows_[i][dimension], rows_[i][j], rows_[i][j]);
    }
  }
}

void ExactOracle::determinant(mpz_t result, const int* rowIndex, const int* columnIndex, int n) {
  if (n == 2) {
    mpz_mul(result, rows_[rowIndex[0]][columnIndex[0]], rows_[rowIndex[1]][columnIndex[1]]);
    mpz_submul(result, rows_[rowIndex[0]][columnIndex[1]], rows_[rowIndex[1]][columnIndex[0]]);
    return;
  }
  // Expansion along the first row; each level uses its own scratch slot.
  mpz_ptr minor = scratch_[2 * n];
  mpz_ptr sum = scratch_[2 * n + 1];
  mpz_set_ui(sum, 0);
  for (int skip = 0; skip < n; ++skip) {
    int columns[maxColumns];
    int m = 0;
    for (int j = 0; j < n; ++j) {
      if (j != skip) columns[m++] = columnIndex[j];
    }
    determinant(minor, rowIndex + 1, columns, n - 1);
    if (skip % 2 == 0) {
      mpz_addmul(sum, rows_[rowIndex[0]][columnIndex[skip]], minor);
    } else {
      mpz_submul(sum, rows_[rowIndex[0]][columnIndex[skip]], minor);
    }
  }
  mpz_set(result, sum);
}

int ExactOracle::orient2d(const REAL* a, const REAL* b, const REAL* c) {
  const REAL* points[] = {a, b, c};
  loadDifferences(points, 3, 2, false);
  const int rows[] = {0, 1}, columns[] = {0, 1};
  determinant(scratch_[0], rows, columns, 2);
  return mpz_sgn(scratch_[0]);
}

int ExactOracle::orient3d(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  const REAL* points[] = {a, b, c, d};
  loadDifferences(points, 4, 3, false);
  const int rows[] = {0, 1, 2}, columns[] = {0, 1, 2};
  determinant(scratch_[0], rows, columns, 3);
  return mpz_sgn(scratch_[0]);
}

int ExactOracle::incircle(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  const REAL* points[] = {a, b, c, d};
  loadDifferences(points, 4, 2, true);
  const int rows[] = {0, 1, 2}, columns[] = {0, 1, 2};
  determinant(scratch_[0], rows, columns, 3);
  return mpz_sgn(scratch_[0]);
}

int ExactOracle::insphere(const REAL* a, const REAL* b, const REAL* c, const REAL* d, const REAL* e) {
  const REAL* points[] = {a, b, c, d, e};
  loadDifferences(points, 5, 3, true);
  const int rows[] = {0, 1, 2, 3}, columns[] = {0, 1, 2, 3};
  determinant(scratch_[0], rows, columns, 4);
  return mpz_sgn(scratch_[0]);
}

namespace {

void setExact(mpq_t target, REAL value) {
  const Decomposed part = decompose(value);
  mpz_set_ui(mpq_numref(target), part.significand);
  mpz_set_ui(mpq_denref(target), 1);
  if (part.exponent >= 0) {
    mpq_mul_2exp(target, target, mp_bitcnt_t(part.exponent));
  } else {
    mpq_div_2exp(target, target, mp_bitcnt_t(-part.exponent));
  }
  if (part.negative) mpq_neg(target, target);
}

}  // namespace

int ExactOracle::compareExpansions(const REAL* h, int hLength, const REAL* e, int eLength, REAL scale, const REAL* f,
                                   int fLength) {
  mpq_set_ui(sum_, 0, 1);
  for (int i = 0; i < eLength; ++i) {
    setExact(term_, e[i]);
    mpq_add(sum_, sum_, term_);
  }
  setExact(term_, scale);
  mpq_mul(sum_, sum_, term_);
  for (int i = 0; i < fLength; ++i) {
    setExact(term_, f[i]);
    mpq_add(sum_, sum_, term_);
  }
  mpq_neg(sum_, sum_);
  for (int i = 0; i < hLength; ++i) {
    setExact(term_, h[i]);
    mpq_add(sum_, sum_, term_);
  }
  return mpq_sgn(sum_);
}

}  // namespace zefcorek::predicates::testing
