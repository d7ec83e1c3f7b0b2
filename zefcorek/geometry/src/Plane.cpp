// T_PLANE: making the plane, measures, intersections and vertex lists.
#include "zefcorek/Plane.h"

#include "zefcorek/NormalVector.h"
#include "zefcorek/SSqrt.h"
#include "zefcorek/V3DList.h"

#include <cmath>

namespace {

// Denominators and numerators of the ray intersection below this are 0.
constexpr double kRayEpsilon = 1e-10;
// Squared direction components of two planes' line at or below this do not
// carry the line.
constexpr double kLineEpsilon = 1e-8;

// d - n.p in extended precision.
long double offset(const T_VECTOR3D& n, double d, const T_VECTOR3D& p) {
  return ExtendedReal(d) - (ExtendedReal(n.x) * p.x + ExtendedReal(n.y) * p.y + ExtendedReal(n.z) * p.z);
}

}  // namespace

T_PLANE::T_PLANE() : data_{{T_VECTOR3D(), T_VECTOR3D(), T_VECTOR3D()}, T_VECTOR3D(), 0.0, 0} {}

T_PLANE::T_PLANE(double z) : T_PLANE() { FromZ(z); }

T_PLANE::T_PLANE(const T_PLANE* other) : T_PLANE() { FromOther(other); }

T_PLANE::T_PLANE(const tagT_POINT3D& p1, const tagT_POINT3D& p2, const tagT_POINT3D& p3) : T_PLANE() {
  From3P(p1, p2, p3);
}

void T_PLANE::FromOther(const T_PLANE* other) {
  if (other != nullptr) data_ = other->data_;
}

T_PLANE& T_PLANE::operator=(const T_PLANE& other) {
  data_ = other.data_;
  return *this;
}

void T_PLANE::SetData(const T_PLANEDATA& data) { data_ = data; }

bool T_PLANE::From3P(const tagT_POINT3D& p1, const tagT_POINT3D& p2, const tagT_POINT3D& p3) {
  data_.points[0] = T_VECTOR3D(p1);
  data_.points[1] = T_VECTOR3D(p2);
  data_.points[2] = T_VECTOR3D(p3);
  bool ok = NormalVector(data_.points[0], data_.points[1], data_.points[2], data_.normal);
  if (ok) ok = std::fabs(data_.normal.z) > kVerticalNormalZ;
  if (ok) data_.constant = data_.normal.Dot(data_.points[0]);
  data_.flags = ok ? data_.flags | kOK : data_.flags & ~kOK;
  return ok;
}

bool T_PLANE::From3P(const tagT_POINT3D* pts) { return From3P(pts[0], pts[1], pts[2]); }

bool T_PLANE::From3P(double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3,
                     double z3) {
  return From3P(tagT_POINT3D{x1, y1, z1}, tagT_POINT3D{x2, y2, z2}, tagT_POINT3D{x3, y3, z3});
}

bool T_PLANE::FromZ(double z) {
  data_.points[0] = T_VECTOR3D(0, 0, z);
  data_.points[1] = T_VECTOR3D(1, 0, z);
  data_.points[2] = T_VECTOR3D(0, 1, z);
  const bool ok = NormalVector(data_.points[0], data_.points[1], data_.points[2], data_.normal);
  data_.constant = data_.normal.Dot(data_.points[0]);
  data_.flags = ok ? data_.flags | kOK : data_.flags & ~kOK;
  return ok;
}

bool T_PLANE::FromPtAndNormal(const tagT_POINT3D& p, const tagT_POINT3D& n) {
  data_.normal = T_VECTOR3D(n);
  data_.constant = data_.normal.Dot(T_VECTOR3D(p));
  const bool ok = data_.normal.Len2() > 0.0;
  data_.flags = ok ? data_.flags | kOK : data_.flags & ~kOK;
  return ok;
}

double T_PLANE::Distance(const tagT_POINT3D& p) const {
  return double(offset(data_.normal, data_.constant, T_VECTOR3D(p)));
}

double T_PLANE::ZFromXY(double x, double y) const {
  const T_VECTOR3D& n = data_.normal;
  return double((ExtendedReal(data_.constant) - ExtendedReal(n.x) * x - ExtendedReal(n.y) * y) / n.z);
}

double T_PLANE::Angle(const T_PLANE& other) const {
  const T_VECTOR3D& n1 = data_.normal;
  const T_VECTOR3D& n2 = other.data_.normal;
  const long double q = SSqrt(double(ExtendedReal(n1.Len2()) * n2.Len2()));
  if (q == 0.0L) return 0.0;
  long double c = std::fabs(ExtendedReal(n1.Dot(n2))) / q;
  if (c > 1.0L) c = 1.0L;
  return double(std::acos(c));
}

bool T_PLANE::IsParallelTo(const T_PLANE& other, double tol) const {
  return data_.normal.Cross(other.data_.normal).Len() < tol;
}

T_VECTOR3D T_PLANE::PrjPtOnPlane(const T_VECTOR3D& p) const {
  const long double e = offset(data_.normal, data_.constant, p);
  const T_VECTOR3D& n = data_.normal;
  return T_VECTOR3D(double(p.x + n.x * e), double(p.y + n.y * e), double(p.z + n.z * e));
}

bool T_PLANE::Intersect(const T_PLANE& other, T_VECTOR3D& point, T_VECTOR3D& dir) const {
  if (!IsOK() || !other.IsOK()) return false;
  const T_VECTOR3D& n1 = data_.normal;
  const T_VECTOR3D& n2 = other.data_.normal;
  const ExtendedReal d1 = data_.constant;
  const ExtendedReal d2 = other.data_.constant;
  dir = n1.Cross(n2);
  const double sx = dir.x * dir.x, sy = dir.y * dir.y, sz = dir.z * dir.z;
  if (sz > sy && sz > sx && sz > kLineEpsilon)
    point = T_VECTOR3D(double((d1 * n2.y - d2 * n1.y) / dir.z), double((n1.x * d2 - n2.x * d1) / dir.z), 0.0);
  else if (sy > sx && sy > kLineEpsilon)
    point = T_VECTOR3D(double((n1.z * d2 - n2.z * d1) / dir.y), 0.0, double((n2.x * d1 - n1.x * d2) / dir.y));
  else if (sx > kLineEpsilon)
    point = T_VECTOR3D(0.0, double((d1 * n2.z - d2 * n1.z) / dir.x), double((n1.y * d2 - n2.y * d1) / dir.x));
  else
    return false;
  dir /= double(SSqrt(double(ExtendedReal(sx) + sy + sz)));
  return true;
}

T_VECTOR3D T_PLANE::pointOnPlane() const {
  const T_VECTOR3D& n = data_.normal;
  return n * double(ExtendedReal(data_.constant) / n.Len2());
}

// The ray is measured from a point of the plane n.p = d rather than from the
// first stored point, which a later FromPtAndNormal leaves behind.
bool T_PLANE::Intersect(const T_RAY3D& ray, tagT_POINT3D& out, int asLine) const {
  out = tagT_POINT3D{0.0, 0.0, 0.0};
  if (!IsOK()) return false;
  const T_VECTOR3D& n = data_.normal;
  const T_VECTOR3D w = ray.origin - pointOnPlane();
  const double num = -n.Dot(w);
  const double den = n.Dot(ray.direction);
  if (std::fabs(den) >= kRayEpsilon) {
    const double t = num / den;
    if (asLine == 0 && t < 0.0) return false;
    const T_VECTOR3D at = ray.PtAt(t);
    out = tagT_POINT3D{at.x, at.y, at.z};
    return true;
  }
  if (std::fabs(num) >= kRayEpsilon || den == 0.0) return false;
  out = tagT_POINT3D{ray.origin.x, ray.origin.y, ray.origin.z};
  return true;
}

bool T_PLANE::AllPtsOnPlane(const T_V3DLIST* list, double tol) const {
  const unsigned n = list != nullptr ? list->GetCount() : 0;
  for (unsigned i = 0; i < n; ++i) {
    if (std::fabs(offset(data_.normal, data_.constant, *list->GetVertex(i))) > tol) return false;
  }
  return true;
}

int T_PLANE::AllPtsOnSemiSpace(const T_V3DLIST* list, double tol) const {
  const unsigned n = list != nullptr ? list->GetCount() : 0;
  unsigned above = 0, below = 0, on = 0;
  for (unsigned i = 0; i < n; ++i) {
    const long double e = offset(data_.normal, data_.constant, *list->GetVertex(i));
    if (e > tol)
      ++above;
    else if (e < -tol)
      ++below;
    else
      ++on;
  }
  if (above == n) return 0;
  if (below == n) return 2;
  return on == n ? 1 : 3;
}

void T_PLANE::RecomputeV3DListZs(T_V3DLIST* list) const {
  const unsigned n = list != nullptr ? list->GetCount() : 0;
  for (unsigned i = 0; i < n; ++i) {
    T_VECTOR3D v = *list->GetVertex(i);
    v.z = ZFromXY(v.x, v.y);
    list->SetVertex(i, &v);
  }
}
