// MtxLib: the library's small dense-matrix library, for its least-squares
// solvers (the control-point fits, the plane fit). Internal to the library;
// exported only so that its tests can reach it.
//
// Matrices are values whose copies share one reference-counted storage until
// one of them is written (copy on write): copying, assigning and returning by
// value cost one count update. Every member that writes elements first makes
// the storage its own. Rows are separate arrays, so exchanging two rows moves
// two pointers.
//
// Operations that can fail do not throw: Inverse and Solve return the default
// 4 x 4 zero matrix with a status that says what went wrong (kNotSquare,
// kSingular, kShapeMismatch); the caller tests it before using the values.
// Only an exactly zero pivot column counts as singular: there is no
// tolerance. Indices and shapes passed to At, Resize and the arithmetic
// operators are not checked; conforming arguments are the caller's duty.
// Reference counts are plain counters: one thread at a time.
#pragma once

#include "platform/Export.h"

#include <cstdint>

namespace MtxLib {

// Status of a matrix: the result of the operation that produced it.
inline constexpr unsigned kOk = 0;
inline constexpr unsigned kNotSquare = 1;      // Inverse of a non-square matrix
inline constexpr unsigned kSingular = 2;       // a pivot column of exact zeros
inline constexpr unsigned kShapeMismatch = 3;  // Solve: A not square or rows(b) != cols(A)

// SelectPivot's answer for a column whose candidates are all exactly zero.
inline constexpr unsigned kNoPivot = 0xFFFFFFFFu;

// The shared storage of one matrix value.
struct base_mat {
  double** rows;  // `rowCount` separately allocated arrays of `colCount` doubles
  uint32_t rowCount;
  uint32_t colCount;
  uint32_t refs;  // matrix objects sharing this storage; 1 when made
};

class ZEF_EXPORT TGenMtx {
public:
  // A 4 x 4 matrix of zeros.
  TGenMtx();
  // A rows x cols matrix of zeros in storage of its own.
  TGenMtx(unsigned rows, unsigned cols);
  // Shares m's storage and takes its status.
  TGenMtx(const TGenMtx& m);
  virtual ~TGenMtx();
  // Shares m's storage and takes its status, so a failed Inverse or Solve
  // assigned to an existing matrix still reads as failed. Self-assignment is
  // harmless.
  TGenMtx& operator=(const TGenMtx& m);

  // Takes a private copy of a shared storage (nothing when not shared).
  virtual void MakeUnique();
  // Keeps the top-left block that fits in the new shape; new elements are 0.
  virtual void Resize(unsigned rows, unsigned cols);
  // Partial pivoting on rows col.. of column col, written straight into the
  // storage (callers work on private copies): the row of largest magnitude,
  // the first of equals, is exchanged with row col. 0 when no exchange was
  // needed, the row exchanged otherwise, kNoPivot when every candidate is 0.
  virtual unsigned SelectPivot(unsigned col);

  // Element (row, col), both from 0; the storage is made private first.
  double& At(unsigned row, unsigned col);
  // Reads without unsharing.
  double At(unsigned row, unsigned col) const { return storage_->rows[row][col]; }

  unsigned Rows() const { return storage_->rowCount; }
  unsigned Cols() const { return storage_->colCount; }
  unsigned Status() const { return status_; }
  void SetStatus(unsigned status) { status_ = status; }
  // Whether this matrix shares its storage with another (for tests).
  bool IsShared() const { return storage_->refs > 1; }

  // The n x n identity in the top-left corner, n = min(rows, cols); zeros
  // elsewhere.
  void SetIdentity();

  // Every element negated.
  TGenMtx operator-() const;
  // The transpose.
  TGenMtx operator~() const;
  // a times b; cols(a) must equal rows(b).
  friend ZEF_EXPORT TGenMtx operator*(const TGenMtx& a, const TGenMtx& b);
  // The inverse of m by Gauss-Jordan elimination with partial pivoting;
  // m is the caller's copy and is worked on privately.
  friend ZEF_EXPORT TGenMtx Inverse(TGenMtx m);

  // X with this * X = b for every column of b, by Gaussian elimination with
  // partial pivoting on [this | b] and back substitution. A new matrix on the
  // heap that the caller deletes, also when it carries a failure status.
  TGenMtx* Solve(const TGenMtx& b) const;

private:
  void share(base_mat* storage);
  void drop();

  base_mat* storage_;  // never null while the object lives
  unsigned status_ = kOk;
};

ZEF_EXPORT TGenMtx operator*(const TGenMtx& a, const TGenMtx& b);
ZEF_EXPORT TGenMtx Inverse(TGenMtx m);

// A column vector: n rows, one column.
class ZEF_EXPORT TColVec : public TGenMtx {
public:
  explicit TColVec(unsigned n) : TGenMtx(n, 1) {}
  ~TColVec() override;
};

}  // namespace MtxLib
