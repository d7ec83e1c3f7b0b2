// Robust geometric predicates in extended precision.
//
// Orientation, in-circle and in-sphere tests whose entry forms always return
// a value with the sign of the exact determinant of the given coordinates
// (unless an intermediate overflows or underflows). They evaluate the
// determinant in rounded arithmetic first and switch to exact arithmetic on
// expansions only when an error bound cannot prove the sign.
//
// An expansion is an array of REAL whose value is the exact sum of its
// components; the components do not overlap and come in order of increasing
// magnitude. The routines below take the length first, then the array, and
// write their result into a caller-supplied array sized for the worst case;
// they return the number of components written. None of them allocates.
//
// All values are x87 extended precision (64-bit significand). Everything
// here relies on each operation being rounded to that format by itself, with
// rounding to nearest: callers must not change the precision or rounding
// control that was in force when the library was loaded, which derives the
// splitter and the error bounds from it then.
#pragma once

#include "platform/Export.h"

// The extended-precision number of the predicates. Arrays of REAL use the
// natural stride of long double on this platform; a point is an array of two
// (x, y) or three (x, y, z) REAL values.
typedef long double REAL;

// Expansion arithmetic. e and f are input expansions of elen and flen
// components (at least one each; the grow routines also accept elen == 0),
// h is the output. The plain forms may leave zero components in h; the
// _zeroelim forms leave none, except a single 0 when the value is zero, and
// expansion_sum_zeroelim2, which stores each pass's sum after its nonzero
// tails, also a zero one, so its last component may be 0.
//
// h = e + b; h needs elen + 1 components.
ZEF_EXTERN_C int grow_expansion(int elen, const REAL* e, REAL b, REAL* h);
ZEF_EXTERN_C int grow_expansion_zeroelim(int elen, const REAL* e, REAL b, REAL* h);
// h = e + f; h needs elen + flen components.
ZEF_EXTERN_C int expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int expansion_sum_zeroelim1(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int expansion_sum_zeroelim2(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int fast_expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int fast_expansion_sum_zeroelim(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int linear_expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
ZEF_EXTERN_C int linear_expansion_sum_zeroelim(int elen, const REAL* e, int flen, const REAL* f, REAL* h);
// h = b * e; h needs 2 * elen components.
ZEF_EXTERN_C int scale_expansion(int elen, const REAL* e, REAL b, REAL* h);
ZEF_EXTERN_C int scale_expansion_zeroelim(int elen, const REAL* e, REAL b, REAL* h);
// h = e with fewer, larger components; h needs elen components and may be e.
ZEF_EXTERN_C int compress(int elen, const REAL* e, REAL* h);
// The rounded sum of the components, smallest first.
ZEF_EXTERN_C REAL estimate(int elen, const REAL* e);

// Random test values drawn from the C library's rand(), which they never
// seed. The wide forms spread the exponent over a large range, the narrow
// forms over a smaller one, the uniform forms not at all.
ZEF_EXTERN_C REAL doublerand(void);
ZEF_EXTERN_C REAL narrowdoublerand(void);
ZEF_EXTERN_C REAL uniformdoublerand(void);
ZEF_EXTERN_C float floatrand(void);
ZEF_EXTERN_C float narrowfloatrand(void);
ZEF_EXTERN_C float uniformfloatrand(void);

// The predicates. Each comes in five forms:
//   fast   plain rounded evaluation, no guarantee on the sign;
//   exact  exact expansion arithmetic on the raw coordinates;
//   slow   exact arithmetic on exactly represented coordinate differences;
//   adapt  the exact stages of the entry form, given the bound the entry form
//          computed (a bound of 0 returns the first exact estimate as it is);
//   entry  a rounded test first, then adapt when the sign is not proven.
// Every form but fast returns a value whose sign is that of the exact
// determinant; its magnitude only approximates it. NaN or infinite
// coordinates give a NaN or an infinity.

// (ax - cx)(by - cy) - (ay - cy)(bx - cx): positive when a, b, c run
// counterclockwise, zero when they are collinear.
ZEF_EXTERN_C REAL orient2dfast(const REAL* pa, const REAL* pb, const REAL* pc);
ZEF_EXTERN_C REAL orient2dexact(const REAL* pa, const REAL* pb, const REAL* pc);
ZEF_EXTERN_C REAL orient2dslow(const REAL* pa, const REAL* pb, const REAL* pc);
ZEF_EXTERN_C REAL orient2dadapt(const REAL* pa, const REAL* pb, const REAL* pc, REAL detsum);
ZEF_EXTERN_C REAL orient2d(const REAL* pa, const REAL* pb, const REAL* pc);

// The determinant of the rows a - d, b - d, c - d: positive when d lies
// below the plane through a, b, c (the side from which they appear
// clockwise), zero when the four points are coplanar.
ZEF_EXTERN_C REAL orient3dfast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL orient3dexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL orient3dslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL orient3dadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, REAL permanent);
ZEF_EXTERN_C REAL orient3d(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);

// Positive when d lies inside the circle through a, b, c running
// counterclockwise (the sign flips when they run clockwise), zero when the
// four points are cocircular.
ZEF_EXTERN_C REAL incirclefast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL incircleexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL incircleslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);
ZEF_EXTERN_C REAL incircleadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, REAL permanent);
ZEF_EXTERN_C REAL incircle(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd);

// Positive when e lies inside the sphere through a, b, c, d with
// orient3d(a, b, c, d) > 0 (the sign flips when it is negative), zero when
// the five points are cospherical. The exact and slow forms work in a
// per-thread buffer of about two megabytes, taken from the heap on the
// thread's first call; should that allocation fail they return a NaN.
ZEF_EXTERN_C REAL inspherefast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe);
ZEF_EXTERN_C REAL insphereexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe);
ZEF_EXTERN_C REAL insphereslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe);
ZEF_EXTERN_C REAL insphereadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe,
                                REAL permanent);
ZEF_EXTERN_C REAL insphere(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe);
