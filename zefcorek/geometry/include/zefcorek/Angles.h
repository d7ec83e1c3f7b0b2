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
// aeCalcAzimutEx of the two points.
ZEF_EXTERN_C double aeCalcAzimut(T_POINT2D from, T_POINT2D to);
// The azimuth of the opposite direction.
ZEF_EXTERN_C double aeInvertAzimuthFB(double azimuth);
// The mean direction of two azimuths: readings more than three quarters of
// a turn apart (3*pi/2 included) are taken across north; a mean within 1e-8
// of 2*pi is 0.
ZEF_EXTERN_C double aeAzimuthAvg(double a1, double a2);
// The mean of a1 and the inverted reverse reading a2; only readings
// strictly more than 3*pi/2 apart are taken across north, and the snap to
// 0 is within 1e-10.
ZEF_EXTERN_C double aeAzimuthAvgFB(double a1, double a2);
// aeAzimuthAvg of two zenith angles.
ZEF_EXTERN_C double aeZenitAvg(double z1, double z2);
// The zenith angle mirrored about pi, reduced into [0, 2*pi].
ZEF_EXTERN_C double aeInvertZenitFB(double zenith);
// The mean of two zenith readings, each above pi first mirrored about pi;
// the mean is not reduced.
ZEF_EXTERN_C double aeZenitAvgFB(double z1, double z2);
// The angle at b on the left-hand side of the path a, b, c: the azimuth of
// b->c minus that of b->a, reduced into [0, 2*pi].
ZEF_EXTERN_C double aeCalcLeftAngle(T_POINT2D a, T_POINT2D b, T_POINT2D c);
// The interior angles of the triangle a, b, c at each corner, whatever its
// orientation. The three outputs must not be null.
ZEF_EXTERN_C void auCalcTrgAngles(T_POINT2D a, T_POINT2D b, T_POINT2D c, double* angleA, double* angleB,
                                  double* angleC);
