// The weighted normal equations of a Gauss-Newton step, N = A^T P A and
// g = A^T P L, for a diagonal weight matrix P given by its diagonal.
//
// The solvers' weight matrices are diagonal: formed in full they would take
// (2n + 1)^2 doubles (about 2 GiB at 8192 points) of which only the diagonal
// is non-zero. The sums run over the rows in order and form each term as
// (A(r, j) * p(r)) * A(r, k), the order in which the full products
// (A^T P) A and (A^T P) L take them, so the results are those products.
#pragma once

#include "zefcorek/MtxLib.h"

#include <cassert>
#include <cstddef>
#include <span>

namespace zefcorek {

// A holds `rows` rows of `m` factors, row after row; L and p one value per
// row. N receives m x m, g m x 1 (both fresh).
inline void weightedNormalEquations(std::span<const double> A, std::span<const double> L, std::span<const double> p,
                                    unsigned m, MtxLib::TGenMtx& N, MtxLib::TGenMtx& g) {
  const size_t rows = p.size();
  assert(A.size() == rows * m && L.size() == rows && "one row of A and L per weight");
  N = MtxLib::TGenMtx(m, m);
  g = MtxLib::TGenMtx(m, 1);
  for (unsigned j = 0; j < m; ++j) {
    for (unsigned k = 0; k < m; ++k) {
      double sum = 0;
      for (size_t r = 0; r < rows; ++r) sum += (A[r * m + j] * p[r]) * A[r * m + k];
      N.At(j, k) = sum;
    }
    double sum = 0;
    for (size_t r = 0; r < rows; ++r) sum += (A[r * m + j] * p[r]) * L[r];
    g.At(j, 0) = sum;
  }
}

}  // namespace zefcorek
