// Small plane-geometry functions: the centroid and the incentre of a
// triangle, the length of a circular arc through three points, and the
// clipping of a segment to an axis-parallel box.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

// out = (a + b + c) / 3.
ZEF_EXTERN_C void CalcTrgBarycenter(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, T_POINT2D* out);
// out = the centre of the triangle's inscribed circle and true; false, out
// untouched, for a triangle of no extent (all corners in one place).
ZEF_EXTERN_C bool CalcTrgIncenter(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, T_POINT2D* out);
// The length of the circular arc from points[0] to points[1] that passes
// through points[2]: ZR_OK with *length set; ZR_FAILED for collinear points
// (no circle), ZR_BADARG for a null pointer; *length is written only on
// ZR_OK.
ZEF_EXTERN_C int gfxuCalcArc3PLength(const T_POINT2D* points, double* length);
// Clips the segment a-b to the box of the corners (x1, y1) and (x2, y2),
// moving each end that lies beyond a side onto it (along the segment): 1
// when nothing moved, 0 when an end was moved. A segment wholly outside the
// box is not rejected: its ends land on the box's sides or their
// extensions. The pointers are not checked.
ZEF_EXTERN_C int gfxuClipLine2Box(double x1, double y1, double x2, double y2, T_POINT2D* a, T_POINT2D* b);
