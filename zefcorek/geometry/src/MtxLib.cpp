// MtxLib: shared row storage, copy on write, and the two eliminations.
#include "zefcorek/MtxLib.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

namespace {

using MtxLib::base_mat;

// A rows x cols storage of zeros with one reference.
base_mat* newStorage(unsigned rows, unsigned cols) {
  auto* storage = new base_mat{new double*[rows], rows, cols, 1};
  for (unsigned r = 0; r < rows; ++r) storage->rows[r] = new double[cols]();
  return storage;
}

void freeStorage(base_mat* storage) {
  for (unsigned r = 0; r < storage->rowCount; ++r) delete[] storage->rows[r];
  delete[] storage->rows;
  delete storage;
}

// A failed Inverse or Solve: the default 4 x 4 zero matrix with its reason.
MtxLib::TGenMtx failure(unsigned status) {
  MtxLib::TGenMtx m;
  m.SetStatus(status);
  return m;
}

}  // namespace

namespace MtxLib {

TGenMtx::TGenMtx() : TGenMtx(4, 4) {}

TGenMtx::TGenMtx(unsigned rows, unsigned cols) : storage_(newStorage(rows, cols)) {}

TGenMtx::TGenMtx(const TGenMtx& m) : storage_(m.storage_), status_(m.status_) { ++storage_->refs; }

TGenMtx::~TGenMtx() { drop(); }

TColVec::~TColVec() = default;

void TGenMtx::drop() {
  assert(storage_->refs > 0 && "a matrix holds a reference to its storage");
  if (--storage_->refs == 0) freeStorage(storage_);
}

// The source's count goes up before this one's goes down, so assigning a
// matrix to itself (or to a copy sharing its storage) never frees it.
void TGenMtx::share(base_mat* storage) {
  ++storage->refs;
  drop();
  storage_ = storage;
}

TGenMtx& TGenMtx::operator=(const TGenMtx& m) {
  share(m.storage_);
  status_ = m.status_;
  return *this;
}

void TGenMtx::MakeUnique() {
  if (storage_->refs <= 1) return;
  base_mat* copy = newStorage(Rows(), Cols());
  for (unsigned r = 0; r < Rows(); ++r) std::copy(storage_->rows[r], storage_->rows[r] + Cols(), copy->rows[r]);
  drop();
  storage_ = copy;
}

void TGenMtx::Resize(unsigned rows, unsigned cols) {
  if (rows == Rows() && cols == Cols()) return;
  base_mat* resized = newStorage(rows, cols);
  const unsigned keepRows = std::min(rows, Rows());
  const unsigned keepCols = std::min(cols, Cols());
  for (unsigned r = 0; r < keepRows; ++r) std::copy(storage_->rows[r], storage_->rows[r] + keepCols, resized->rows[r]);
  drop();
  storage_ = resized;
}

unsigned TGenMtx::SelectPivot(unsigned col) {
  double best = -1.0;
  unsigned chosen = col;
  for (unsigned r = col; r < Rows(); ++r) {
    const double magnitude = std::fabs(storage_->rows[r][col]);
    if (magnitude > best && magnitude != 0.0) {
      best = magnitude;
      chosen = r;
    }
  }
  if (storage_->rows[chosen][col] == 0.0) return kNoPivot;
  if (chosen == col) return 0;
  std::swap(storage_->rows[col], storage_->rows[chosen]);
  return chosen;
}

double& TGenMtx::At(unsigned row, unsigned col) {
  if (storage_->refs > 1) MakeUnique();
  return storage_->rows[row][col];
}

void TGenMtx::SetIdentity() {
  MakeUnique();
  for (unsigned r = 0; r < Rows(); ++r) {
    std::fill(storage_->rows[r], storage_->rows[r] + Cols(), 0.0);
    if (r < Cols()) storage_->rows[r][r] = 1.0;
  }
}

TGenMtx TGenMtx::operator-() const {
  TGenMtx negated(Rows(), Cols());
  for (unsigned r = 0; r < Rows(); ++r) {
    for (unsigned c = 0; c < Cols(); ++c) negated.storage_->rows[r][c] = -At(r, c);
  }
  return negated;
}

TGenMtx TGenMtx::operator~() const {
  TGenMtx transposed(Cols(), Rows());
  for (unsigned r = 0; r < Rows(); ++r) {
    for (unsigned c = 0; c < Cols(); ++c) transposed.storage_->rows[c][r] = At(r, c);
  }
  return transposed;
}

TGenMtx operator*(const TGenMtx& a, const TGenMtx& b) {
  assert(a.Cols() == b.Rows() && "conforming factors");
  TGenMtx product(a.Rows(), b.Cols());
  for (unsigned i = 0; i < a.Rows(); ++i) {
    for (unsigned j = 0; j < b.Cols(); ++j) {
      double sum = 0.0;
      for (unsigned k = 0; k < a.Cols(); ++k) sum += a.At(i, k) * b.At(k, j);
      product.storage_->rows[i][j] = sum;
    }
  }
  return product;
}

TGenMtx Inverse(TGenMtx m) {
  if (m.Rows() != m.Cols()) return failure(kNotSquare);
  m.MakeUnique();
  const unsigned n = m.Rows();
  TGenMtx r(n, n);
  r.SetIdentity();
  double** a = m.storage_->rows;
  double** ri = r.storage_->rows;
  for (unsigned k = 0; k < n; ++k) {
    const unsigned p = m.SelectPivot(k);
    if (p == kNoPivot) return failure(kSingular);
    if (p != 0) std::swap(ri[k], ri[p]);
    const double v = a[k][k];
    for (unsigned j = 0; j < n; ++j) {
      a[k][j] /= v;
      ri[k][j] /= v;
    }
    for (unsigned i = 0; i < n; ++i) {
      if (i == k) continue;
      const double f = a[i][k];
      for (unsigned j = 0; j < n; ++j) {
        a[i][j] -= f * a[k][j];
        ri[i][j] -= f * ri[k][j];
      }
    }
  }
  return r;
}

TGenMtx* TGenMtx::Solve(const TGenMtx& b) const {
  if (Cols() != Rows() || Cols() != b.Rows()) {
    auto* result = new TGenMtx();
    result->status_ = kShapeMismatch;
    return result;
  }
  const unsigned n = Rows();
  const unsigned m = b.Cols();
  TGenMtx augmented(n, n + m);
  double** w = augmented.storage_->rows;
  for (unsigned i = 0; i < n; ++i) {
    for (unsigned j = 0; j < n; ++j) w[i][j] = At(i, j);
    for (unsigned c = 0; c < m; ++c) w[i][n + c] = b.At(i, c);
  }
  for (unsigned k = 0; k < n; ++k) {
    if (augmented.SelectPivot(k) == kNoPivot) {
      auto* result = new TGenMtx();
      result->status_ = kSingular;
      return result;
    }
    const double v = w[k][k];
    for (unsigned j = k; j < n + m; ++j) w[k][j] /= v;
    for (unsigned i = k + 1; i < n; ++i) {
      const double f = w[i][k];
      for (unsigned j = k; j < n + m; ++j) w[i][j] -= f * w[k][j];
    }
  }
  TGenMtx x(b.Rows(), m);
  double** xi = x.storage_->rows;
  for (unsigned c = 0; c < m; ++c) {
    for (unsigned i = n; i-- > 0;) {
      xi[i][c] = w[i][n + c];
      for (unsigned j = i + 1; j < n; ++j) xi[i][c] -= w[i][j] * xi[j][c];
    }
  }
  return new TGenMtx(x);
}

}  // namespace MtxLib
