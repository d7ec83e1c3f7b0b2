// An independent, exact evaluation of the predicates' determinants in
// multiple-precision integers, for checking their signs.
//
// Every extended-precision coordinate is an integer times a power of two, so
// after scaling all coordinates of one case by the same power of two they
// are integers and each determinant can be evaluated exactly.
#pragma once

#include "zefcorek/Predicates.h"

#include <gmp.h>

namespace zefcorek::predicates::testing {

class ExactOracle {
public:
  ExactOracle();
  ~ExactOracle();
  ExactOracle(const ExactOracle&) = delete;
  ExactOracle& operator=(const ExactOracle&) = delete;

  // The sign (-1, 0, 1) of each determinant, with the predicates' meaning.
  int orient2d(const REAL* a, const REAL* b, const REAL* c);
  int orient3d(const REAL* a, const REAL* b, const REAL* c, const REAL* d);
  int incircle(const REAL* a, const REAL* b, const REAL* c, const REAL* d);
  int insphere(const REAL* a, const REAL* b, const REAL* c, const REAL* d, const REAL* e);

  // The sign of sum(h) - (scale * sum(e) + sum(f)), exactly; f may be empty.
  int compareExpansions(const REAL* h, int hLength, const REAL* e, int eLength, REAL scale, const REAL* f, int fLength);

private:
  static constexpr int maxPoints = 5;
  static constexpr int maxColumns = 4;
  // Loads count points of dimension coordinates, scaled to integers by a
  // common power of two, as differences against the last point, into
  // rows_[0 .. count - 2]; with lift, column `dimension` holds the sum of
  // squares of the row.
  void loadDifferences(const REAL* const* points, int count, int dimension, bool lift);
  // The determinant of the n x n matrix rows_[rowIndex[i]][columnIndex[j]].
  void determinant(mpz_t result, const int* rowIndex, const int* columnIndex, int n);

  mpz_t rows_[maxPoints][maxColumns];
  mpz_t raw_[maxPoints][maxColumns - 1];
  mpz_t scratch_[10];
  mpq_t sum_, term_;  // [0] the result; [2n], [2n+1] for an n x n level
};

}  // namespace zefcorek::predicates::testing
