// The in-circle test of four points on the exact predicate.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

// True unless d lies strictly inside the circle through a, b and c taken
// counter-clockwise: outside and on the circle give true. The sign is exact.
ZEF_EXTERN_C bool InCircleTest(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, const T_POINT2D* d);
