// Angles and azimuths.
//
// All angles are radians in doubles; intermediate results are formed in
// extended precision and rounded once when stored. An azimuth runs from +y
// (north) clockwise towards +x (east) and is kept in the closed range 0 to
// 2*pi; a mathematical angle runs from +x counter-clockwise.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

// a reduced into [0, 2*pi] by whole turns; exactly 2*pi stays 2*pi. NaN
// for NaN and for an infinite angle.
ZEF_EXTERN_C double aeClampTo2PI(double a);
// The azimuth of the mathematical angle t.
ZEF_EXTERN_C double aeAngle2Azimuth(double t);
// The azimuth of the direction from `from` to `to`; straight up or down when
// the x coordinates are equal, and 0 for two equal points.
ZEF_EXTERN_C double aeCalcAzimutEx(const T_POINT2D* from, const T_POINT2D* to);
// The angle at b on the right-hand side of the path a, b, c: the azimuth of
// b->a minus that of b->c, reduced into [0, 2*pi].
ZEF_EXTERN_C double aeCalcRightAngle(T_POINT2D a, T_POINT2D b, T_POINT2D c);
