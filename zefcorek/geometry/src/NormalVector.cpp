// The unit normal of three points.
#include "zefcorek/NormalVector.h"

bool NormalVector(const T_VECTOR3D& a, const T_VECTOR3D& b, const T_VECTOR3D& c, T_VECTOR3D& n) {
  n = (b - a).Cross(c - a);
  return n.SafeNormalize();
}

bool NormalVector(const T_VECTOR3D* p, T_VECTOR3D& n) { return NormalVector(p[0], p[1], p[2], n); }

// Dividing the zero cross product of collinear points by its length would
// give NaN components; the guarded form gives the zero vector instead.
T_VECTOR3D NormalVector(const T_VECTOR3D& a, const T_VECTOR3D& b, const T_VECTOR3D& c) {
  T_VECTOR3D n;
  NormalVector(a, b, c, n);
  return n;
}

T_VECTOR3D NormalVector(const T_VECTOR3D* p) { return NormalVector(p[0], p[1], p[2]); }
