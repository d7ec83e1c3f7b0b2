// T_VECTOR3D::OrthonormalBasis.
//
// The second vector starts from an auxiliary vector made by exchanging two
// coordinates of the input (x and y; y and z when that changes nothing; x
// and z when that changes nothing either). Where the auxiliary vector is
// (nearly) parallel to the input, as for (1, 1, 1), the axis along which the
// input is shortest takes its place, which is never closer than about 55
// degrees to it.
#include "zefcorek/Vector3D.h"

namespace {

// Below this sine of the angle between input and auxiliary vector, the
// cross product loses too many digits.
constexpr double kLeastSine = 1e-3;

T_VECTOR3D auxiliary(const T_VECTOR3D& a) {
  T_VECTOR3D t(a.y, a.x, a.z);
  if (t != a) return t;
  t = T_VECTOR3D(a.x, a.z, a.y);
  if (t != a) return t;
  return T_VECTOR3D(a.z, a.y, a.x);
}

}  // namespace

bool T_VECTOR3D::OrthonormalBasis(T_VECTOR3D& u, T_VECTOR3D& v, T_VECTOR3D& w) const {
  if (Len() == 0.0) {
    u = *this;
    v = *this;
    w = *this;
    return false;
  }
  u = Normalized();
  const T_VECTOR3D t = auxiliary(*this).Normalized();
  v = u.Cross(t);
  if (v.Len() < kLeastSine) {
    T_VECTOR3D axis;
    const int k = u.ClosestAxis();
    (k == 0 ? axis.x : (k == 1 ? axis.y : axis.z)) = 1.0;
    v = u.Cross(axis);
  }
  v.Normalize();
  w = u.Cross(v);
  return true;
}
