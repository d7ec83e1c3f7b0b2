// T_MAT4: a 4-by-4 matrix of doubles for affine transformations of 3-D points.
//
// Storage is column by column: element (r, c) is value number c*4 + r, and
// the pointer conversion hands out the values in that order. Points are
// column vectors multiplied from the right (M * p), so the translation of an
// affine matrix is in column 3 and row 3 is (0, 0, 0, 1). Sums of products
// are formed in extended precision and rounded once per stored element.
#pragma once

#include "zefcorek/Vector3D.h"

#include "platform/Export.h"

// A quaternion: the vector part x, y, z, then the scalar part w; of any
// length.
struct ZEF_EXPORT T_QUAT {
  double x;
  double y;
  double z;
  double w;
};

class ZEF_EXPORT T_MAT4 {
public:
  // The identity. Constant-evaluated, so miIdentity needs no code at load.
  constexpr T_MAT4() : m_{1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0} {}
  // The rotation of q made unit length; the identity for the zero
  // quaternion. Row and column 3 are (0, 0, 0, 1).
  explicit T_MAT4(const T_QUAT& q);
  T_MAT4(const T_MAT4& m) = default;
  T_MAT4& operator=(const T_MAT4& m) = default;
  // The 16 elements in reading order, row by row.
  T_MAT4(double m00, double m01, double m02, double m03, double m10, double m11, double m12, double m13, double m20,
         double m21, double m22, double m23, double m30, double m31, double m32, double m33);
  // 16 values in storage order: p[c*4 + r] becomes element (r, c).
  explicit T_MAT4(const double* p);

  T_MAT4& SetIdentity();

  operator double*() { return m_; }
  operator const double*() const { return m_; }

  // Element (r, c), both 0..3; not range-checked.
  double& operator()(int r, int c) { return m_[c * 4 + r]; }
  double operator()(int r, int c) const { return m_[c * 4 + r]; }

  // One process-wide identity matrix, reset on every call. Not for use from
  // several threads at once; a kept reference sees every later reset.
  static T_MAT4& Identity();
  // The matrix Identity() resets and hands out.
  static T_MAT4 miIdentity;

  // The angles of the rotation: *b = asin(-m(0, 2)); *a = atan2(m(0, 1),
  // m(0, 0)) and *c = atan2(m(1, 2), m(2, 2)), or, where cos(*b) vanishes
  // (below 1e-12) and those arguments with it, *a = 0 and *c = atan2(m(1, 0),
  // m(1, 1)). A null pointer's angle is not written.
  void GetEulerAngles(double* a, double* b, double* c) const;

  // The identity with the translation v; returns the matrix.
  T_MAT4& SetTranslation(const T_VECTOR3D& v);
  static T_MAT4 Translation(const T_VECTOR3D& v);
  // The rotation by angle (radians, counter-clockwise seen from the axis's
  // tip) about axis, of any non-zero length. A zero axis gives the identity's
  // upper block scaled by cos(angle), with element (3, 3) = 1.
  static T_MAT4 Rotation(const T_VECTOR3D& axis, double angle);

  // The upper three elements of column c, of row r.
  T_VECTOR3D Col(int c) const { return T_VECTOR3D(m_[c * 4], m_[c * 4 + 1], m_[c * 4 + 2]); }
  T_VECTOR3D Row(int r) const { return T_VECTOR3D(m_[r], m_[4 + r], m_[8 + r]); }

  T_MAT4 operator+(const T_MAT4& m) const;
  T_MAT4 operator-(const T_MAT4& m) const;
  T_MAT4 operator*(double s) const;
  // The affine image of the point v: rows 0..2 applied to (v, 1); row 3 and
  // any homogeneous division are ignored.
  T_VECTOR3D operator*(const T_VECTOR3D& v) const;
  // This matrix (left) times m (right).
  T_MAT4 operator*(const T_MAT4& m) const;

  // Replaces this matrix by the inverse of m (which may be this matrix), by
  // Gauss-Jordan elimination with partial pivoting. Only an exactly zero
  // pivot fails: then the result is false and this matrix is unchanged, so a
  // nearly singular matrix is inverted with large elements.
  bool SetInv(const T_MAT4& m);

private:
  double m_[16];  // column by column: element (r, c) at c*4 + r
};
