// On which side of a directed line a point lies.
//
// Every side test of the arc constructions, the triangulator and the polygon
// offset goes through these functions, so they all agree on one convention:
// with x to the right and y up, a point to the left of the direction a->b is
// positive, to the right negative, on the line 0.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

// The signed distance of q from the directed line a->b, rounded to double.
// When a and b coincide there is no line and the result is -1.0, so that
// the side tests below report the right-hand side.
ZEF_EXTERN_C double PtOrientation(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q);

// The sign of an orientation d: -1, 0 or 1; a NaN gives 0.
ZEF_EXPORT int PtOrientationSign(double d);
// The sign with a dead band: 0 when |d| <= |tol|; a NaN gives 0.
ZEF_EXPORT int PtOrientationSign(double d, double tol);
// The sign of PtOrientation(a, b, q), without and with a dead band.
ZEF_EXPORT int PtOrientationSign(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q);
ZEF_EXPORT int PtOrientationSign(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q, double tol);
