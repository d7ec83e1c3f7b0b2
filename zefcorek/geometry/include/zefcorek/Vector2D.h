// T_VECTOR2D: the kernel's 2-D vector.
//
// A value class of two doubles with the usual vector arithmetic. Scalars go
// in and come out as long doubles: a length or a dot product keeps extended
// precision for the caller's next step, and only the stored components are
// rounded to double. Products and quotients of two vectors work component by
// component. Angles are in radians, counter-clockwise from +x.
#pragma once

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"
#include "zefcorek/SSqrt.h"

#include "platform/Export.h"

#include <cmath>

class ZEF_EXPORT T_VECTOR2D {
public:
  double x;
  double y;

  T_VECTOR2D() : x(0.0), y(0.0) {}
  T_VECTOR2D(long double vx, long double vy) : x(double(vx)), y(double(vy)) {}
  T_VECTOR2D(const T_VECTOR2D& v) = default;
  T_VECTOR2D(const T_POINT2D& p) : x(p.x), y(p.y) {}

  // The vector of length r at angle a.
  T_VECTOR2D& SetPolar(long double r, long double a) {
    x = double(r * std::cos(a));
    y = double(r * std::sin(a));
    return *this;
  }

  T_VECTOR2D& operator=(const T_VECTOR2D& v) = default;

  // Exact comparison of both components; a NaN component is never equal.
  bool operator==(const T_VECTOR2D& v) const { return x == v.x && y == v.y; }
  bool operator!=(const T_VECTOR2D& v) const { return !(*this == v); }

  T_VECTOR2D& operator+=(const T_VECTOR2D& v) { return set(ExtendedReal(x) + v.x, ExtendedReal(y) + v.y); }
  T_VECTOR2D& operator-=(const T_VECTOR2D& v) { return set(ExtendedReal(x) - v.x, ExtendedReal(y) - v.y); }
  T_VECTOR2D& operator*=(const T_VECTOR2D& v) { return set(ExtendedReal(x) * v.x, ExtendedReal(y) * v.y); }
  T_VECTOR2D& operator/=(const T_VECTOR2D& v) { return set(ExtendedReal(x) / v.x, ExtendedReal(y) / v.y); }
  T_VECTOR2D& operator*=(long double s) { return set(x * s, y * s); }
  T_VECTOR2D& operator/=(long double s) { return set(x / s, y / s); }

  T_VECTOR2D operator+(T_VECTOR2D v) const { return T_VECTOR2D(*this) += v; }
  T_VECTOR2D operator-(T_VECTOR2D v) const { return T_VECTOR2D(*this) -= v; }
  T_VECTOR2D operator*(T_VECTOR2D v) const { return T_VECTOR2D(*this) *= v; }
  T_VECTOR2D operator/(T_VECTOR2D v) const { return T_VECTOR2D(*this) /= v; }
  T_VECTOR2D operator*(long double s) const { return T_VECTOR2D(*this) *= s; }
  T_VECTOR2D operator/(long double s) const { return T_VECTOR2D(*this) /= s; }

  long double Dot(const T_VECTOR2D& v) const { return ExtendedReal(x) * v.x + ExtendedReal(y) * v.y; }
  long double Len2() const { return Dot(*this); }
  long double Len() const { return SSqrt(double(Len2())); }

  // Divides by the length without a guard: a zero vector becomes NaN.
  T_VECTOR2D& Normalize() { return *this /= Len(); }
  T_VECTOR2D Normalized() const { return *this / Len(); }

  // False, with the vector unchanged, when its length is exactly 0.
  bool SafeNormalize() {
    const long double len = Len();
    if (len == 0.0L) return false;
    *this /= len;
    return true;
  }
  // out receives the vector, normalised unless its length is exactly 0
  // (then the result is false).
  bool SafeNormalized(T_VECTOR2D& out) const {
    out = *this;
    return out.SafeNormalize();
  }

  // The index of the component of smaller magnitude; a tie (or a NaN)
  // gives 1.
  int ClosestAxis() const { return std::fabs(x) < std::fabs(y) ? 0 : 1; }

  long double Distance(const T_VECTOR2D& v) const { return (*this - v).Len(); }
  long double Distance2(const T_VECTOR2D& v) const { return (*this - v).Len2(); }

  // The unsigned angle to v in [0, pi]; NaN when either vector is zero.
  // The cosine is clamped so that rounding cannot push it out of acos's
  // domain for (anti)parallel vectors.
  long double Angle(const T_VECTOR2D& v) const {
    long double c = Dot(v) / SSqrt(double(Len2() * v.Len2()));
    if (c < -1.0L) c = -1.0L;
    if (c > 1.0L) c = 1.0L;
    return std::acos(c);
  }

  // Makes both components non-negative and returns the result.
  T_VECTOR2D Abs() {
    x = std::fabs(x);
    y = std::fabs(y);
    return *this;
  }

  // Conversions that do not read the object.
  T_VECTOR2D operator()(const T_VECTOR2D& v) const { return v; }
  T_VECTOR2D operator()(const T_POINT2D& p) const { return T_VECTOR2D(p); }

private:
  T_VECTOR2D& set(long double vx, long double vy) {
    x = double(vx);
    y = double(vy);
    return *this;
  }
};
