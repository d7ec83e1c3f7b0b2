// Nearest approach and intersection of two 3-D lines.
#include "zefcorek/Ray3D.h"

// With w from this origin to the other's and n = d1 x d2, the nearest points
// are at t = det(w, d2, n) / |n|^2 on this ray and s = det(w, d1, n) / |n|^2
// on the other (the vectors taken as the columns of the determinant).
bool T_RAY3D::NearestIntersectPar(const T_RAY3D& other, Ray3DIntersPar& par) const {
  const T_VECTOR3D w = other.origin - origin;
  const T_VECTOR3D& d1 = direction;
  const T_VECTOR3D& d2 = other.direction;
  const T_VECTOR3D n = d1.Cross(d2);
  const double m = n.Len2();
  if (m == 0.0) {
    par = Ray3DIntersPar{0.0, 0.0, 0};
    return false;
  }
  par.ownPar = double(Det3D(w.x, d2.x, n.x, w.y, d2.y, n.y, w.z, d2.z, n.z) / m);
  par.otherPar = double(Det3D(w.x, d1.x, n.x, w.y, d1.y, n.y, w.z, d1.z, n.z) / m);
  par.computed = 1;
  return true;
}

bool T_RAY3D::IntersectEx(const T_RAY3D& other, tagT_POINT3D& out) const {
  Ray3DIntersPar par;
  if (!NearestIntersectPar(other, par)) return false;
  const T_VECTOR3D p1 = PtAt(par.ownPar);
  const T_VECTOR3D p2 = other.PtAt(par.otherPar);
  const T_VECTOR3D mid = (p1 + p2) * 0.5;
  out = tagT_POINT3D{mid.x, mid.y, mid.z};
  return (p1 - p2).Len2() < kMeetDistance2;
}
