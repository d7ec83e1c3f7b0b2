// Building blocks of exact arithmetic on expansions, and the constants that
// the predicates share.
//
// Each block turns one or two rounded REAL operations into an exact result
// of two or more components (a rounded value and its rounding error). They
// are the error-free transformations of adaptive-precision arithmetic
// (Dekker's product, Knuth's two-sum, Priest's and Shewchuk's expansions).
// Their exactness depends on every step below being one operation rounded
// to REAL by itself, to nearest: the sources are compiled without fused
// multiply-add and without reassociation, and the x87 precision control
// must stay at the value that was in force when predicates_init ran.
#pragma once

#include "zefcorek/Predicates.h"

#include "PredicatesInit.h"

namespace zefcorek::predicates {

// The splitter and the error bounds of the predicates. All zero until
// predicates_init has run; written only by it, read by everything else.
// The A bounds prove a sign from the rounded determinant, the B bounds from
// the estimate of the exact determinant of the rounded differences, the C
// bounds after the first-order correction by the difference tails.
struct PredicateConstants {
  REAL splitter;  // 2^ceil(p/2) + 1 for a p-bit significand; used by split()
  REAL resulterrbound;
  REAL ccwerrboundA, ccwerrboundB, ccwerrboundC;
  REAL o3derrboundA, o3derrboundB, o3derrboundC;
  REAL iccerrboundA, iccerrboundB, iccerrboundC;
  REAL isperrboundA, isperrboundB, isperrboundC;
};

extern PredicateConstants predicateConstants;

// The A bounds of orient3d, incircle and insphere for a permanent summed in
// double from the rounded products (see PredicateSupport.h), raised so that
// they still cover the REAL permanent. Set by predicates_init with the rest.
struct DoubleBounds {
  double orient3dA, incircleA, insphereA;
};

extern DoubleBounds doubleBounds;

// |a| by clearing the sign bit: no branch, which matters where signs are
// random (the permanents of the first stage take a dozen of these).
inline REAL absolute(REAL a) { return __builtin_fabsl(a); }

// x + y = a + b exactly, provided |a| >= |b| (or a is zero).
inline void fastTwoSum(REAL a, REAL b, REAL& x, REAL& y) {
  x = a + b;
  REAL bVirtual = x - a;
  y = b - bVirtual;
}

// x + y = a + b exactly, for any a and b.
inline void twoSum(REAL a, REAL b, REAL& x, REAL& y) {
  x = a + b;
  REAL bVirtual = x - a;
  REAL aVirtual = x - bVirtual;
  REAL bRoundoff = b - bVirtual;
  REAL aRoundoff = a - aVirtual;
  y = aRoundoff + bRoundoff;
}

// The rounding error of x = a - b.
inline REAL twoDiffTail(REAL a, REAL b, REAL x) {
  REAL bVirtual = a - x;
  REAL aVirtual = x + bVirtual;
  REAL bRoundoff = bVirtual - b;
  REAL aRoundoff = a - aVirtual;
  return aRoundoff + bRoundoff;
}

// x + y = a - b exactly.
inline void twoDiff(REAL a, REAL b, REAL& x, REAL& y) {
  x = a - b;
  y = twoDiffTail(a, b, x);
}

// hi + lo = a, each with at most half of the significand's bits, so that
// products of halves are exact.
inline void split(REAL a, REAL& hi, REAL& lo) {
  REAL c = predicateConstants.splitter * a;
  REAL big = c - a;
  hi = c - big;
  lo = a - hi;
}

// x + y = a * b exactly, with b split beforehand into bHi + bLo.
inline void twoProductPresplit(REAL a, REAL b, REAL bHi, REAL bLo, REAL& x, REAL& y) {
  x = a * b;
  REAL aHi, aLo;
  split(a, aHi, aLo);
  REAL err1 = x - aHi * bHi;
  REAL err2 = err1 - aLo * bHi;
  REAL err3 = err2 - aHi * bLo;
  y = aLo * bLo - err3;
}

// x + y = a * b exactly.
inline void twoProduct(REAL a, REAL b, REAL& x, REAL& y) {
  REAL bHi, bLo;
  split(b, bHi, bLo);
  twoProductPresplit(a, b, bHi, bLo, x, y);
}

// x + y = a * a exactly, splitting a once.
inline void square(REAL a, REAL& x, REAL& y) {
  x = a * a;
  REAL aHi, aLo;
  split(a, aHi, aLo);
  REAL err1 = x - aHi * aHi;
  REAL err3 = err1 - (aHi + aHi) * aLo;
  y = aLo * aLo - err3;
}

// x2 + x1 + x0 = (a1 + a0) + b.
inline void twoOneSum(REAL a1, REAL a0, REAL b, REAL& x2, REAL& x1, REAL& x0) {
  REAL i;
  twoSum(a0, b, i, x0);
  twoSum(a1, i, x2, x1);
}

// x2 + x1 + x0 = (a1 + a0) - b.
inline void twoOneDiff(REAL a1, REAL a0, REAL b, REAL& x2, REAL& x1, REAL& x0) {
  REAL i;
  twoDiff(a0, b, i, x0);
  twoSum(a1, i, x2, x1);
}

// x[3..0] = (a1 + a0) + (b1 + b0); x[0] is the smallest component.
inline void twoTwoSum(REAL a1, REAL a0, REAL b1, REAL b0, REAL* x) {
  REAL j, z;
  twoOneSum(a1, a0, b0, j, z, x[0]);
  twoOneSum(j, z, b1, x[3], x[2], x[1]);
}

// x[3..0] = (a1 + a0) - (b1 + b0).
inline void twoTwoDiff(REAL a1, REAL a0, REAL b1, REAL b0, REAL* x) {
  REAL j, z;
  twoOneDiff(a1, a0, b0, j, z, x[0]);
  twoOneDiff(j, z, b1, x[3], x[2], x[1]);
}

// x[3..0] = (a1 + a0) * b.
inline void twoOneProduct(REAL a1, REAL a0, REAL b, REAL* x) {
  REAL bHi, bLo, i, j, z, k;
  split(b, bHi, bLo);
  twoProductPresplit(a0, b, bHi, bLo, i, x[0]);
  twoProductPresplit(a1, b, bHi, bLo, j, z);
  twoSum(i, z, k, x[1]);
  fastTwoSum(j, k, x[3], x[2]);
}

// x[7..0] = (a1 + a0) * (b1 + b0). The partial products are added to the
// growing expansion one at a time, each tail that can no longer change
// leaving as the next component.
inline void twoTwoProduct(REAL a1, REAL a0, REAL b1, REAL b0, REAL* x) {
  REAL a0Hi, a0Lo, a1Hi, a1Lo, b0Hi, b0Lo, b1Hi, b1Lo;
  split(a0, a0Hi, a0Lo);
  split(b0, b0Hi, b0Lo);
  split(a1, a1Hi, a1Lo);
  split(b1, b1Hi, b1Lo);
  auto product = [](REAL a, REAL aHi, REAL aLo, REAL b, REAL bHi, REAL bLo, REAL& hi, REAL& lo) {
    hi = a * b;
    REAL err1 = hi - aHi * bHi;
    REAL err2 = err1 - aLo * bHi;
    REAL err3 = err2 - aHi * bLo;
    lo = aLo * bLo - err3;
  };
  REAL i, j, k, l, m, n, t0, t1, t2;
  // (a1 + a0) * b0 = l + t2 + t1 + x0.
  product(a0, a0Hi, a0Lo, b0, b0Hi, b0Lo, i, x[0]);
  product(a1, a1Hi, a1Lo, b0, b0Hi, b0Lo, j, t0);
  twoSum(i, t0, k, t1);
  fastTwoSum(j, k, l, t2);
  // + a0 * b1: x1 is settled; m + t2 + t1 remain, with i still to add.
  product(a0, a0Hi, a0Lo, b1, b1Hi, b1Lo, i, t0);
  twoSum(t1, t0, k, x[1]);
  twoSum(t2, k, j, t1);
  twoSum(l, j, m, t2);
  // + a1 * b1, together with i.
  product(a1, a1Hi, a1Lo, b1, b1Hi, b1Lo, j, t0);
  twoSum(i, t0, n, t0);
  twoSum(t1, t0, i, x[2]);
  twoSum(t2, i, k, t1);
  twoSum(m, k, l, t2);
  twoSum(j, n, k, t0);
  twoSum(t1, t0, j, x[3]);
  twoSum(t2, j, i, t1);
  twoSum(l, i, m, t2);
  twoSum(t1, k, i, x[4]);
  twoSum(t2, i, k, x[5]);
  twoSum(m, k, x[7], x[6]);
}

// Negates every component of an expansion in place.
inline void negateExpansion(int length, REAL* e) {
  for (int i = 0; i < length; ++i) e[i] = -e[i];
}

}  // namespace zefcorek::predicates
