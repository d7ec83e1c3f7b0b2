// Helpers shared by the adaptive predicates: the sign test against an error
// bound, exact 2x2 minors and the running sum of a determinant's terms.
#pragma once

#include "zefcorek/Predicates.h"

#include "ExpansionArithmetic.h"
#include "ExpansionKernels.h"

namespace zefcorek::predicates {

// True when the bound proves det's sign; equality counts, as in every stage
// after the first (and a bound of 0 therefore accepts any value).
// One comparison of the magnitude: testing det and -det in turn would branch
// on the sign of det, which random input mispredicts half of the time.
inline bool provenBy(REAL det, REAL bound) { return absolute(det) >= bound; }

// First stages with the permanent in double.
//
// The permanent that bounds a first stage's error is a sum of products of
// magnitudes of REAL values (rounded products, differences, lifts). Summed
// in double from those values rounded to double, it stays in SSE registers
// instead of spilling 80-bit values, and it is at least (1 - 2^-49) times
// the exact permanent of the REAL values whenever every step stays in
// double's normal range:
//  - a REAL value of magnitude >= 2^-1022 rounds to double with a relative
//    error <= 2^-53, and so does each double sum or product of normal
//    values; a permanent and its bound take at most 13 such steps (with the
//    rounding of the raised bound itself), (1 - 2^-53)^13 > 1 - 2^-49;
//  - a pair sum |p| + |q| >= floor has max(|p|, |q|) >= floor / 2, so a
//    subnormal partner's absolute error (<= 2^-1075) is far below 2^-53 of
//    the sum;
//  - with every pair sum and factor >= floor (2^-511 where a term has two
//    factors, 2^-340 where it has three), every product is >= 2^-1022.
// The callers check the floor on the smallest pair sum and factor; values
// beyond double's range give infinity, and NaN compares false: each of
// these cases, and every one the raised bound does not prove, goes on with
// the REAL permanent exactly as before, so no answer changes.
inline double magnitude(REAL v) { return __builtin_fabs(double(v)); }
constexpr double twoFactorFloor = 0x1p-511;
constexpr double threeFactorFloor = 0x1p-340;

// True when the double permanent is valid (smallest >= floor) and the raised
// double bound proves det's sign. One branch for both tests.
inline bool provenInDouble(REAL det, double bound, double permanent, double smallest, double floor) {
  return (smallest >= floor) & (absolute(det) > REAL(bound * permanent));
}

// A rounded 2x2 minor px*qy - qx*py of the first stage, with the double sum
// of its two products' magnitudes for the permanent.
struct MinorWithPair {
  REAL value;
  double pair;
};

inline MinorWithPair minorWithPair(REAL px, REAL py, REAL qx, REAL qy) {
  REAL pxqy = px * qy;
  const double pxqyMagnitude = magnitude(pxqy);
  REAL qxpy = qx * py;
  return {pxqy - qxpy, pxqyMagnitude + magnitude(qxpy)};
}

// Whether the last adaptive stage should give way to the exact form on the
// raw coordinates. That stage adds a group of exact terms for every nonzero
// difference tail, each merged into the running sum on its own; once half of
// the tails or more are nonzero (coordinates of mixed magnitudes, far-off
// points) those groups cost several times what the exact form does, which
// never looks at tails. Either way the sign is exact.
template <typename... Tails>
inline bool tailsFavourExactForm(Tails... tails) {
  const int nonzero = (int{tails != 0.0L} + ...);
  return 2 * nonzero >= int(sizeof...(Tails));
}

// Copies the nonzero components of e (at least one) to h and returns their
// number; a single zero stands for a zero value. The exact minors below keep
// all four components, and on points with few significant bits (lattices,
// exactly placed points) most of them are zero: dropped before the products
// and sums that take them, they cost nothing there. A zero component only
// ever passes through those routines unchanged, so every result is the same.
inline int withoutZeros(int elen, const REAL* e, REAL* h) {
  int hIndex = 0;
  for (int i = 0; i < elen; ++i) {
    h[hIndex] = e[i];
    hIndex += int{e[i] != 0.0L};
  }
  return hIndex + int{hIndex == 0};  // h[0] then holds the last (zero) component
}

// The exact 2x2 minor px*qy - qx*py of rounded values, in 4 components.
inline void exactMinor(REAL px, REAL py, REAL qx, REAL qy, REAL* m) {
  REAL pxqy1, pxqy0, qxpy1, qxpy0;
  twoProduct(px, qy, pxqy1, pxqy0);
  twoProduct(qx, py, qxpy1, qxpy0);
  twoTwoDiff(pxqy1, pxqy0, qxpy1, qxpy0, m);
}

// The same minor without its zero components; returns their number.
inline int exactMinorWithoutZeros(REAL px, REAL py, REAL qx, REAL qy, REAL* m) {
  REAL full[4];
  exactMinor(px, py, qx, qy, full);
  return withoutZeros(4, full, m);
}

// The exact xy orientations of the four triangles that four points make, each
// leaving one point out (abc leaves out d, bcd leaves out a, cda leaves out b,
// dab leaves out c), in at most 12 components each. They are what the exact
// 4x4 determinants with a column of ones expand into along their third column.
struct TriangleOrientations {
  REAL abc[12], bcd[12], cda[12], dab[12];
  int abcLength, bcdLength, cdaLength, dabLength;
};

inline void exactTriangleOrientations(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd,
                                      TriangleOrientations& out) {
  REAL ab[4], bc[4], cd[4], da[4], ac[4], bd[4];
  const int abLength = exactMinorWithoutZeros(pa[0], pa[1], pb[0], pb[1], ab);
  const int bcLength = exactMinorWithoutZeros(pb[0], pb[1], pc[0], pc[1], bc);
  const int cdLength = exactMinorWithoutZeros(pc[0], pc[1], pd[0], pd[1], cd);
  const int daLength = exactMinorWithoutZeros(pd[0], pd[1], pa[0], pa[1], da);
  const int acLength = exactMinorWithoutZeros(pa[0], pa[1], pc[0], pc[1], ac);
  const int bdLength = exactMinorWithoutZeros(pb[0], pb[1], pd[0], pd[1], bd);

  REAL temp8[8];
  int tempLength = sumZeroElim(cdLength, cd, daLength, da, temp8);
  out.cdaLength = sumZeroElim(tempLength, temp8, acLength, ac, out.cda);
  tempLength = sumZeroElim(daLength, da, abLength, ab, temp8);
  out.dabLength = sumZeroElim(tempLength, temp8, bdLength, bd, out.dab);
  negateExpansion(bdLength, bd);
  negateExpansion(acLength, ac);
  tempLength = sumZeroElim(abLength, ab, bcLength, bc, temp8);
  out.abcLength = sumZeroElim(tempLength, temp8, acLength, ac, out.abc);
  tempLength = sumZeroElim(bcLength, bc, cdLength, cd, temp8);
  out.bcdLength = sumZeroElim(tempLength, temp8, bdLength, bd, out.bcd);
}

// The exact running sum of a determinant's terms. It lives in two
// caller-owned buffers of equal capacity that take turns as the target of
// each sum, so adding a term never copies the accumulated value.
class ExpansionAccumulator {
public:
  ExpansionAccumulator(REAL* first, REAL* second) : sum_(first), spare_(second) {}

  // The buffer to fill with the initial value, then start(length).
  REAL* data() { return sum_; }
  void start(int length) { length_ = length; }

  void add(int termLength, const REAL* term) {
    length_ = sumZeroElim(length_, sum_, termLength, term, spare_);
    REAL* previous = sum_;
    sum_ = spare_;
    spare_ = previous;
  }

  int length() const { return length_; }
  const REAL* components() const { return sum_; }
  // The largest component: the sum's sign and best one-number value.
  REAL largest() const { return sum_[length_ - 1]; }

private:
  REAL* sum_;    // holds the current sum, length_ components
  REAL* spare_;  // target of the next sum
  int length_ = 0;
};

}  // namespace zefcorek::predicates
