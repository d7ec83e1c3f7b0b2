// Whether two triangles in space intersect: the interval test on the line
// where their planes meet (Moeller, "A Fast Triangle-Triangle Intersection
// Test", 1997), with its epsilon test on, in double precision.
//
// Triangle 1 has the corners v0, v1, v2 and triangle 2 the corners u0, u1,
// u2, each three doubles x, y, z (a T_VECTOR3D or tagT_POINT3D). Results
// are 1 when the triangles intersect (touching counts), 0 when they do not.
// Signed distances of a corner from the other triangle's plane (scaled by
// twice that triangle's area) below 1e-6 count as 0, so the band in which a
// corner counts as lying in the plane grows with the triangle. Pointers are
// not checked; the inputs are only read.
#pragma once

#include "platform/Export.h"

// The interval test with divisions.
ZEF_EXTERN_C int tri_tri_intersect(const double* v0, const double* v1, const double* v2, const double* u0,
                                   const double* u1, const double* u2);
// The same without divisions.
ZEF_EXTERN_C int NoDivTriTriIsect(const double* v0, const double* v1, const double* v2, const double* u0,
                                  const double* u1, const double* u2);
// Two triangles in one plane with normal n: on the coordinate plane where
// they have the largest area, any pair of edges that meet, or a corner of
// one strictly inside the other.
ZEF_EXTERN_C int coplanar_tri_tri(const double* n, const double* v0, const double* v1, const double* v2,
                                  const double* u0, const double* u1, const double* u2);
// The interval test that also gives the segment where the triangles cut
// each other, from isectpt1 to isectpt2. *coplanar is 1 when the triangles
// lie in one plane (then the coplanar test decides and the end points are
// not written), else 0; neither is written when a plane rejects the pair.
// An end point with a coordinate beyond 1e10 answers 0. An exception inside
// shows a message box and answers 0.
ZEF_EXTERN_C int T2TIntersectWithIL(const double* v0, const double* v1, const double* v2, const double* u0,
                                    const double* u1, const double* u2, int* coplanar, double* isectpt1,
                                    double* isectpt2);
