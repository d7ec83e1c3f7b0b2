// T_VECTOR3D: the kernel's 3-D vector.
//
// A value class of three doubles with the usual vector arithmetic, the cross
// product and the guards of the 2-D vector. Scalars go in and come out as
// doubles; intermediate results are formed in extended precision and rounded
// once, when they are stored or returned. Products and quotients of two
// vectors work component by component.
#pragma once

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"
#include "zefcorek/SSqrt.h"

#include "platform/Export.h"

#include <cmath>

class ZEF_EXPORT T_VECTOR3D {
public:
  double x;
  double y;
  double z;

  T_VECTOR3D() : x(0.0), y(0.0), z(0.0) {}
  T_VECTOR3D(double vx, double vy, double vz) : x(vx), y(vy), z(vz) {}
  T_VECTOR3D(const T_VECTOR3D& v) = default;
  T_VECTOR3D(const tagT_POINT3D& p) : x(p.x), y(p.y), z(p.z) {}

  T_VECTOR3D& operator=(const T_VECTOR3D& v) = default;

  // Exact comparison of all components; a NaN component is never equal.
  bool operator==(const T_VECTOR3D& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const T_VECTOR3D& v) const { return !(*this == v); }

  T_VECTOR3D& operator+=(const T_VECTOR3D& v) {
    return set(ExtendedReal(x) + v.x, ExtendedReal(y) + v.y, ExtendedReal(z) + v.z);
  }
  T_VECTOR3D& operator-=(const T_VECTOR3D& v) {
    return set(ExtendedReal(x) - v.x, ExtendedReal(y) - v.y, ExtendedReal(z) - v.z);
  }
  T_VECTOR3D& operator*=(const T_VECTOR3D& v) {
    return set(ExtendedReal(x) * v.x, ExtendedReal(y) * v.y, ExtendedReal(z) * v.z);
  }
  T_VECTOR3D& operator/=(const T_VECTOR3D& v) {
    return set(ExtendedReal(x) / v.x, ExtendedReal(y) / v.y, ExtendedReal(z) / v.z);
  }
  T_VECTOR3D& operator*=(double s) { return set(ExtendedReal(x) * s, ExtendedReal(y) * s, ExtendedReal(z) * s); }
  T_VECTOR3D& operator/=(double s) { return set(ExtendedReal(x) / s, ExtendedReal(y) / s, ExtendedReal(z) / s); }

  T_VECTOR3D operator+(const T_VECTOR3D& v) const { return T_VECTOR3D(*this) += v; }
  T_VECTOR3D operator-(const T_VECTOR3D& v) const { return T_VECTOR3D(*this) -= v; }
  T_VECTOR3D operator*(const T_VECTOR3D& v) const { return T_VECTOR3D(*this) *= v; }
  T_VECTOR3D operator/(const T_VECTOR3D& v) const { return T_VECTOR3D(*this) /= v; }
  T_VECTOR3D operator*(double s) const { return T_VECTOR3D(*this) *= s; }
  T_VECTOR3D operator/(double s) const { return T_VECTOR3D(*this) /= s; }

  // The negated vector. The operand is left as it is: negating a vector in
  // an expression such as a + -b must not change b.
  T_VECTOR3D operator-() const { return T_VECTOR3D(-x, -y, -z); }

  T_VECTOR3D Cross(const T_VECTOR3D& v) const {
    return T_VECTOR3D(double(ExtendedReal(y) * v.z - ExtendedReal(z) * v.y),
                      double(ExtendedReal(z) * v.x - ExtendedReal(x) * v.z),
                      double(ExtendedReal(x) * v.y - ExtendedReal(y) * v.x));
  }

  double Dot(const T_VECTOR3D& v) const {
    return double(ExtendedReal(x) * v.x + ExtendedReal(y) * v.y + ExtendedReal(z) * v.z);
  }
  double Len2() const { return Dot(*this); }
  double Len() const { return double(SSqrt(Len2())); }

  // Divides by the length without a guard: a zero vector becomes NaN.
  T_VECTOR3D& Normalize() { return *this /= Len(); }
  T_VECTOR3D Normalized() const { return *this / Len(); }

  // False, with the vector unchanged, when its length is exactly 0.
  bool SafeNormalize() {
    const double len = Len();
    if (len == 0.0) return false;
    *this /= len;
    return true;
  }
  // out receives the vector, normalised unless its length is exactly 0
  // (then the result is false).
  bool SafeNormalized(T_VECTOR3D& out) const {
    out = *this;
    return out.SafeNormalize();
  }

  // The index of the component of smallest magnitude. Ties keep the earlier
  // choice between x and y (which picks y) and then keep it against z.
  int ClosestAxis() const {
    const double magnitudes[3] = {std::fabs(x), std::fabs(y), std::fabs(z)};
    const int i = magnitudes[0] < magnitudes[1] ? 0 : 1;
    return magnitudes[2] < magnitudes[i] ? 2 : i;
  }

  double Distance(const T_VECTOR3D& v) const { return (*this - v).Len(); }
  double Distance2(const T_VECTOR3D& v) const { return (*this - v).Len2(); }

  // The unsigned angle to v in [0, pi]; NaN when either vector is zero.
  double Angle(const T_VECTOR3D& v) const {
    ExtendedReal c = Dot(v) / SSqrt(double(ExtendedReal(Len2()) * v.Len2()));
    if (c < -1.0L) c = -1.0L;
    if (c > 1.0L) c = 1.0L;
    return double(std::acos(c));
  }

  // A right-handed orthonormal basis with u along this vector: u unit, v a
  // unit vector orthogonal to it, w = u x v; true. The zero vector gives
  // three zero vectors and false.
  bool OrthonormalBasis(T_VECTOR3D& u, T_VECTOR3D& v, T_VECTOR3D& w) const;

  // Makes all components non-negative and returns the result.
  T_VECTOR3D Abs() {
    x = std::fabs(x);
    y = std::fabs(y);
    z = std::fabs(z);
    return *this;
  }

  // Conversions that do not read the object.
  T_VECTOR3D operator()(const T_VECTOR3D& v) const { return v; }
  T_VECTOR3D operator()(const tagT_POINT3D& p) const { return T_VECTOR3D(p); }

private:
  T_VECTOR3D& set(long double vx, long double vy, long double vz) {
    x = double(vx);
    y = double(vy);
    z = double(vz);
    return *this;
  }
};
