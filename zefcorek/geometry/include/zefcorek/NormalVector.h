// The unit normal of the plane through three points.
//
// The normal is (b - a) x (c - a) made unit length, so the normal of a
// triangle that runs counter-clockwise seen from above points up. Three
// collinear or coincident points span no plane: they give the zero vector.
#pragma once

#include "zefcorek/Vector3D.h"

#include "platform/Export.h"

// The unit normal of a, b, c; the zero vector when they span no plane.
ZEF_EXPORT T_VECTOR3D NormalVector(const T_VECTOR3D& a, const T_VECTOR3D& b, const T_VECTOR3D& c);
// The same for the three consecutive vectors p[0], p[1], p[2].
ZEF_EXPORT T_VECTOR3D NormalVector(const T_VECTOR3D* p);
// n = the unit normal of a, b, c; false, with n the zero vector, when they
// span no plane.
ZEF_EXPORT bool NormalVector(const T_VECTOR3D& a, const T_VECTOR3D& b, const T_VECTOR3D& c, T_VECTOR3D& n);
ZEF_EXPORT bool NormalVector(const T_VECTOR3D* p, T_VECTOR3D& n);
