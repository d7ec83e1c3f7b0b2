// T_RAY3D: a 3-D line given by an origin and a direction.
//
// The point at parameter t is origin + t * direction; built from two points
// the direction has unit length, so parameters are distances. The main query
// is the nearest approach of two such lines, which also serves as their
// intersection when they (nearly) meet.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/Vector3D.h"

#include "platform/Export.h"

#include <cstdint>

// The parameters of the mutually nearest points of two rays.
struct Ray3DIntersPar {
  double ownPar;     // on the ray that was asked
  double otherPar;   // on the other ray
  int32_t computed;  // 1 when the parameters were computed, 0 when cleared
};

class ZEF_EXPORT T_RAY3D {
public:
  // Rays whose nearest points are closer than this (squared) meet.
  static constexpr double kMeetDistance2 = 1e-6;

  T_VECTOR3D origin;
  T_VECTOR3D direction;

  T_RAY3D() : origin(0, 0, 0), direction(1, 0, 0) {}
  T_RAY3D(const T_RAY3D& r) = default;
  T_RAY3D& operator=(const T_RAY3D& r) = default;
  T_RAY3D(const tagT_POINT3D& p1, const tagT_POINT3D& p2) : direction(0, 0, 0) { From2P(p1, p2); }

  // The ray from p1 through p2 with a unit direction. False, with a zero
  // direction, when the points coincide.
  bool From2P(const tagT_POINT3D& p1, const tagT_POINT3D& p2) {
    origin = T_VECTOR3D(p1);
    direction = T_VECTOR3D(p2) - origin;
    return direction.SafeNormalize();
  }

  T_VECTOR3D PtAt(double t) const { return origin + direction * t; }

  // a*d - c*b, the determinant of the rows (a, b) and (c, d).
  static long double Det2D(double a, double b, double c, double d) { return ExtendedReal(a) * d - ExtendedReal(c) * b; }
  // The determinant of the rows (m1, m2, m3), (m4, m5, m6), (m7, m8, m9),
  // expanded along the first row.
  static long double Det3D(double m1, double m2, double m3, double m4, double m5, double m6, double m7, double m8,
                           double m9) {
    return m1 * Det2D(m5, m6, m8, m9) + m2 * Det2D(m6, m4, m9, m7) + m3 * Det2D(m4, m5, m7, m8);
  }

  // The parameters of the mutually nearest points of the two infinite lines.
  // False, with par cleared, when the directions are parallel or one is zero.
  bool NearestIntersectPar(const T_RAY3D& other, Ray3DIntersPar& par) const;
  // out = the midpoint of the nearest points; true when they lie within
  // 0.001 of each other. False, out untouched, for parallel rays.
  bool IntersectEx(const T_RAY3D& other, tagT_POINT3D& out) const;
};
