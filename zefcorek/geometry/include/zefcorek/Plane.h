// T_PLANE: a plane in 3-D space used as a height surface.
//
// The plane is the set of points p with n.p = d. The signed value d - n.p is
// the plane's distance of p (a true distance when n has unit length),
// positive on the side opposite to the normal. A plane made from points has
// a unit normal; one made from a point and a normal keeps the normal as
// given. The OK flag (bit 0 of the flag word) says the plane is usable: its
// normal could be formed and, for three points, it is not vertical. The
// other 31 bits of the flag word mean nothing here and travel with copies.
// Members that do not test the OK flag compute with whatever the plane
// holds.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/Ray3D.h"
#include "zefcorek/Vector3D.h"

#include "platform/Export.h"

#include <cstdint>

class T_V3DLIST;

struct T_PLANEDATA {
  T_VECTOR3D points[3];  // the points the plane was made from
  T_VECTOR3D normal;     // n
  double constant;       // d
  uint32_t flags;        // bit 0: OK
};

class ZEF_EXPORT T_PLANE {
public:
  static constexpr uint32_t kOK = 1;
  // Planes whose unit normal has |z| at or below this are vertical.
  static constexpr double kVerticalNormalZ = 1e-8;

  // The horizontal plane at height z.
  explicit T_PLANE(double z);
  explicit T_PLANE(const T_PLANE* other);
  T_PLANE(const tagT_POINT3D& p1, const tagT_POINT3D& p2, const tagT_POINT3D& p3);
  T_PLANE(const T_PLANE& other) = default;

  // Copies points, normal, constant and the whole flag word.
  void FromOther(const T_PLANE* other);
  T_PLANE& operator=(const T_PLANE& other);
  const T_PLANEDATA& GetData() const { return data_; }
  void SetData(const T_PLANEDATA& data);
  void SetNotOK() { data_.flags &= ~kOK; }
  bool IsOK() const { return (data_.flags & kOK) != 0; }
  const T_VECTOR3D& Normal() const { return data_.normal; }

  // The plane through three points, with a unit normal; false (not OK) for
  // points on one line and for a vertical plane, with d left as it was.
  bool From3P(const tagT_POINT3D& p1, const tagT_POINT3D& p2, const tagT_POINT3D& p3);
  bool From3P(const tagT_POINT3D* pts);
  bool From3P(double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3, double z3);
  // The horizontal plane at height z, through (0, 0, z), (1, 0, z), (0, 1, z).
  bool FromZ(double z);
  // The plane through p with normal n as given; the stored points stay. OK
  // when n is not the zero vector.
  bool FromPtAndNormal(const tagT_POINT3D& p, const tagT_POINT3D& n);

  // d - n.p, formed in extended precision.
  double Distance(const tagT_POINT3D& p) const;
  // The height of the plane at (x, y); n.z is not tested.
  double ZFromXY(double x, double y) const;
  // The angle between the planes in [0, pi/2]; 0 when a normal is zero.
  double Angle(const T_PLANE& other) const;
  // Whether |n1 x n2| is below tol.
  bool IsParallelTo(const T_PLANE& other, double tol) const;
  // p moved along the normal onto the plane (for a unit normal).
  T_VECTOR3D PrjPtOnPlane(const T_VECTOR3D& p) const;
  // The line where two OK planes meet: a point of it with 0 on the axis of
  // the line's largest direction component, and the unit direction
  // n1 x n2. False for parallel planes (dir then holds the unnormalised
  // cross product) and when either plane is not OK.
  bool Intersect(const T_PLANE& other, T_VECTOR3D& point, T_VECTOR3D& dir) const;
  // Where the ray meets the plane (behind its origin too when asLine is
  // set); false, out = (0, 0, 0), when it does not, when it runs along the
  // plane (n.direction below 1e-10) off it or exactly parallel, and when the
  // plane is not OK. A ray starting on the plane and running nearly along
  // it meets it at its origin.
  bool Intersect(const T_RAY3D& ray, tagT_POINT3D& out, int asLine) const;

  // Whether every vertex lies within tol of the plane (true for none).
  bool AllPtsOnPlane(const T_V3DLIST* list, double tol) const;
  // 0 when every vertex lies above (d - n.v > tol) or the list is empty, 2
  // when every vertex lies below (< -tol), 1 when all lie on the plane,
  // else 3.
  int AllPtsOnSemiSpace(const T_V3DLIST* list, double tol) const;
  // Sets every vertex's z to the plane's height at its x and y.
  void RecomputeV3DListZs(T_V3DLIST* list) const;

private:
  // Called by the constructors: points and normal start as zero vectors.
  T_PLANE();
  // A point of the plane n.p = d: n d / |n|^2.
  T_VECTOR3D pointOnPlane() const;

  T_PLANEDATA data_;
};
