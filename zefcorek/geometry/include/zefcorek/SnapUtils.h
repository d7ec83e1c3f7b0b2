// Distance and intersection tests for object snapping.
//
// Squared distances come back in extended precision, and the functions work
// in it throughout. Where there is no distance to give, the answer is
// kSnapNoResult, the double just below 1e30.
#pragma once

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

inline constexpr ExtendedReal kSnapNoResult = ExtendedReal(9.999999999999999e29);

// The squared distance of p from the unbounded line through a and b;
// kSnapNoResult when a and b coincide.
ZEF_EXTERN_C long double snapUtP2LinDist2(const T_POINT2D* p, const T_POINT2D* a, const T_POINT2D* b);

// Whether p lies within the squared distance maxDist2 (strictly) of the
// line through a and b and not beyond both ends of the segment a-b: along
// x unless the segment spans less than 0.1 in x, then along y likewise, a
// point with both end offsets of one sign and their product above 0.01 being
// beyond. On true the squared distances from the line, from a and from b go
// to the outputs that are not null; on false they hold kSnapNoResult.
ZEF_EXTERN_C bool snapUtChkP2SegDist2(long double maxDist2, const T_POINT2D* p, const T_POINT2D* a, const T_POINT2D* b,
                                      long double* dist2, long double* dist2A, long double* dist2B);

// The crossing ip of the line a1-a2 with the line b1-b2 (unbounded), with
// the segment b1-b2, or of the two segments. A segment holds the points of
// its bounding box grown by 1e-5 on every side. Parallel and coincident
// lines give false with ip untouched; a crossing outside a segment gives
// false with ip written. On true, when ref and dist2 are both given,
// *dist2 is the squared distance of ip from ref.
ZEF_EXTERN_C bool snapUtLnLnIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1,
                                      const T_POINT2D* b2, T_POINT2D* ip, const T_POINT2D* ref, long double* dist2);
ZEF_EXTERN_C bool snapUtLnSegIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1,
                                       const T_POINT2D* b2, T_POINT2D* ip, const T_POINT2D* ref, long double* dist2);
ZEF_EXTERN_C bool snapUtSegSegIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1,
                                        const T_POINT2D* b2, T_POINT2D* ip, const T_POINT2D* ref, long double* dist2);

// x when x < y, else y; x when y < x, else y.
ZEF_EXTERN_C long double snapUtMin(double x, double y);
ZEF_EXTERN_C long double snapUtMax(double x, double y);

// Whether one point lies strictly between the other two, along x or, when
// not along x, along y: p0 between p1 and p2, or with middle set p1 between
// p0 and p2.
ZEF_EXTERN_C bool CheckSegSwaps(const T_POINT2D* p0, const T_POINT2D* p1, const T_POINT2D* p2, bool middle);
