// The 4-by-4 matrix: construction, products and the inverse.
#include "zefcorek/Mat4.h"

#include "zefcorek/ExtendedReal.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A matrix being worked on in extended precision, rows first.
using ExtendedRows = ExtendedReal[4][4];

}  // namespace

// Constant-initialised (the default constructor is constexpr): it exists
// before any code of the library runs and needs no static constructor.
constinit T_MAT4 T_MAT4::miIdentity;

T_MAT4::T_MAT4(const T_QUAT& q) : T_MAT4() {
  const ExtendedReal norm2 =
      ExtendedReal(q.x) * q.x + ExtendedReal(q.y) * q.y + ExtendedReal(q.z) * q.z + ExtendedReal(q.w) * q.w;
  const ExtendedReal s = norm2 > 0.0L ? 2.0L / norm2 : 0.0L;
  const ExtendedReal x = q.x, y = q.y, z = q.z, w = q.w;
  const ExtendedReal sx = x * s, sy = y * s, sz = z * s;
  (*this)(0, 0) = double(1.0L - (y * sy + z * sz));
  (*this)(0, 1) = double(x * sy - w * sz);
  (*this)(0, 2) = double(x * sz + w * sy);
  (*this)(1, 0) = double(x * sy + w * sz);
  (*this)(1, 1) = double(1.0L - (x * sx + z * sz));
  (*this)(1, 2) = double(y * sz - w * sx);
  (*this)(2, 0) = double(x * sz - w * sy);
  (*this)(2, 1) = double(y * sz + w * sx);
  (*this)(2, 2) = double(1.0L - (x * sx + y * sy));
}

// Where cos(b) is (nearly) 0 the general atan2 arguments are rounding noise:
// the rotation then fixes only a + c or a - c, and a is taken as 0.
void T_MAT4::GetEulerAngles(double* a, double* b, double* c) const {
  const T_MAT4& m = *this;
  const double theta = std::asin(std::clamp(-m(0, 2), -1.0, 1.0));
  if (b != nullptr) *b = theta;
  const bool singular = std::fabs(std::cos(theta)) < 1e-12;
  if (a != nullptr) *a = singular ? 0.0 : std::atan2(m(0, 1), m(0, 0));
  if (c != nullptr) *c = singular ? std::atan2(m(1, 0), m(1, 1)) : std::atan2(m(1, 2), m(2, 2));
}

T_MAT4::T_MAT4(double m00, double m01, double m02, double m03, double m10, double m11, double m12, double m13,
               double m20, double m21, double m22, double m23, double m30, double m31, double m32, double m33)
    : m_{m00, m10, m20, m30, m01, m11, m21, m31, m02, m12, m22, m32, m03, m13, m23, m33} {}

T_MAT4::T_MAT4(const double* p) { std::copy(p, p + 16, m_); }

T_MAT4& T_MAT4::SetIdentity() {
  std::fill(m_, m_ + 16, 0.0);
  for (int i = 0; i < 4; ++i) (*this)(i, i) = 1.0;
  return *this;
}

T_MAT4& T_MAT4::Identity() { return miIdentity.SetIdentity(); }

T_MAT4& T_MAT4::SetTranslation(const T_VECTOR3D& v) {
  SetIdentity();
  (*this)(0, 3) = v.x;
  (*this)(1, 3) = v.y;
  (*this)(2, 3) = v.z;
  return *this;
}

T_MAT4 T_MAT4::Translation(const T_VECTOR3D& v) { return T_MAT4().SetTranslation(v); }

// Rodrigues' formula R = P + (I - P) cos a + S sin a, with P = u u^T the
// projection onto the unit axis u and S the cross-product matrix of u. The
// identity is a local one: the shared static matrix of Identity() is neither
// read nor reset, so a caller's reference to it is left alone.
T_MAT4 T_MAT4::Rotation(const T_VECTOR3D& axis, double angle) {
  T_VECTOR3D u = axis;
  u.SafeNormalize();
  const double uc[3] = {u.x, u.y, u.z};
  const double cross[3][3] = {{0, -u.z, u.y}, {u.z, 0, -u.x}, {-u.y, u.x, 0}};
  const ExtendedReal cosA = std::cos(ExtendedReal(angle));
  const ExtendedReal sinA = std::sin(ExtendedReal(angle));
  T_MAT4 r;  // the identity: row and column 3 are already right
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const ExtendedReal p = ExtendedReal(uc[row]) * uc[col];
      const ExtendedReal identity = row == col ? 1.0L : 0.0L;
      r(row, col) = double(p + (identity - p) * cosA + cross[row][col] * sinA);
    }
  }
  return r;
}

T_MAT4 T_MAT4::operator+(const T_MAT4& m) const {
  T_MAT4 sum;
  for (int i = 0; i < 16; ++i) sum.m_[i] = double(ExtendedReal(m_[i]) + m.m_[i]);
  return sum;
}

T_MAT4 T_MAT4::operator-(const T_MAT4& m) const {
  T_MAT4 difference;
  for (int i = 0; i < 16; ++i) difference.m_[i] = double(ExtendedReal(m_[i]) - m.m_[i]);
  return difference;
}

T_MAT4 T_MAT4::operator*(double s) const {
  T_MAT4 scaled;
  for (int i = 0; i < 16; ++i) scaled.m_[i] = double(ExtendedReal(m_[i]) * s);
  return scaled;
}

T_VECTOR3D T_MAT4::operator*(const T_VECTOR3D& v) const {
  auto rowTimes = [&](int r) {
    return double(ExtendedReal((*this)(r, 0)) * v.x + ExtendedReal((*this)(r, 1)) * v.y +
                  ExtendedReal((*this)(r, 2)) * v.z + (*this)(r, 3));
  };
  return T_VECTOR3D(rowTimes(0), rowTimes(1), rowTimes(2));
}

T_MAT4 T_MAT4::operator*(const T_MAT4& m) const {
  T_MAT4 product;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      ExtendedReal sum = 0.0L;
      for (int k = 0; k < 4; ++k) sum += ExtendedReal((*this)(r, k)) * m(k, c);
      product(r, c) = double(sum);
    }
  }
  return product;
}

// Gauss-Jordan elimination on a working copy a of m while the same row
// operations turn the identity into the inverse. Both are held in extended
// precision until the result is stored. A failure returns before anything
// is stored, so this matrix is only replaced by a complete inverse.
bool T_MAT4::SetInv(const T_MAT4& m) {
  ExtendedRows a, inv;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      a[r][c] = m(r, c);
      inv[r][c] = r == c ? 1.0L : 0.0L;
    }
  }

  // Forward pass: the largest pivot of each column (the first of equals),
  // then clear the column below it.
  for (int k = 0; k < 4; ++k) {
    int pivot = k;
    for (int i = k + 1; i < 4; ++i) {
      if (std::fabs(a[i][k]) > std::fabs(a[pivot][k])) pivot = i;
    }
    if (pivot != k) {
      std::swap(a[k], a[pivot]);
      std::swap(inv[k], inv[pivot]);
    }
    for (int i = k + 1; i < 4; ++i) {
      if (a[i][k] == 0.0L) continue;
      const ExtendedReal f = a[i][k] / a[k][k];
      for (int c = 0; c < 4; ++c) {
        a[i][c] -= f * a[k][c];
        inv[i][c] -= f * inv[k][c];
      }
    }
  }

  // Backward pass: clear each column above its pivot. a is upper triangular
  // now, and clearing column k of the rows above changes no other column of
  // a, so a itself needs no update.
  for (int k = 3; k >= 0; --k) {
    if (a[k][k] == 0.0L) return false;
    for (int i = 0; i < k; ++i) {
      const ExtendedReal f = a[i][k] / a[k][k];
      for (int c = 0; c < 4; ++c) inv[i][c] -= f * inv[k][c];
    }
  }

  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) (*this)(r, c) = double(inv[r][c] / a[r][r]);
  }
  return true;
}
