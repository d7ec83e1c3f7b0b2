// The in-circle test: whether a point lies inside the circle through three
// others.
//
// The determinant of the rows (ux, uy, ux^2 + uy^2) for u = a - d, b - d,
// c - d, evaluated in the same stages as the orientation tests (see
// Orientation.cpp): rounded (A), exact on the rounded differences (B),
// corrected to first order by the difference tails (C), exact (D).
#include "zefcorek/Predicates.h"

#include <algorithm>

#include "ExpansionArithmetic.h"
#include "ExpansionKernels.h"
#include "PredicateSupport.h"
#include "StageCounters.h"

using namespace zefcorek::predicates;

namespace {

const PredicateConstants& bounds() { return predicateConstants; }

// h = e * s * t, exactly; returns the length. scratch holds 2 * elen.
int scaleTwice(int elen, const REAL* e, REAL s, REAL t, REAL* scratch, REAL* h) {
  int length = scaleZeroElim(elen, e, s, scratch);
  return scaleZeroElim(length, scratch, t, h);
}

// h = m * (x^2 + y^2) for a 4-component minor m: the lifted term of one
// point, at most 32 components.
int liftMinor(int mLength, const REAL* m, REAL x, REAL y, REAL* h) {
  REAL scratch[8], xx[16], yy[16];
  int xxLength = scaleTwice(mLength, m, x, x, scratch, xx);
  int yyLength = scaleTwice(mLength, m, y, y, scratch, yy);
  return sumZeroElim(xxLength, xx, yyLength, yy, h);
}

}  // namespace

REAL incirclefast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx = pa[0] - pd[0], ady = pa[1] - pd[1];
  REAL bdx = pb[0] - pd[0], bdy = pb[1] - pd[1];
  REAL cdx = pc[0] - pd[0], cdy = pc[1] - pd[1];
  REAL alift = adx * adx + ady * ady;
  REAL blift = bdx * bdx + bdy * bdy;
  REAL clift = cdx * cdx + cdy * cdy;
  return alift * (bdx * cdy - cdx * bdy) + blift * (cdx * ady - adx * cdy) + clift * (adx * bdy - bdx * ady);
}

REAL incircleexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  // The 4x4 determinant of the rows (x, y, x^2 + y^2, 1), expanded along the
  // lifted column: each point's lift times the orientation of the others.
  TriangleOrientations t;
  exactTriangleOrientations(pa, pb, pc, pd, t);

  // Each orientation times x^2 + y^2 of the point it leaves out, the second
  // factor negated for b and d: 12 -> 24 -> 48 per coordinate, 96 per point.
  auto lift = [](int mLength, const REAL* m, REAL x, REAL y, bool negate, REAL* h) {
    REAL scratch[24], xx[48], yy[48];
    int xxLength = scaleTwice(mLength, m, x, negate ? -x : x, scratch, xx);
    int yyLength = scaleTwice(mLength, m, y, negate ? -y : y, scratch, yy);
    return sumZeroElim(xxLength, xx, yyLength, yy, h);
  };
  REAL adet[96], bdet[96], cdet[96], ddet[96], abdet[192], cddet[192], deter[384];
  int aLength = lift(t.bcdLength, t.bcd, pa[0], pa[1], false, adet);
  int bLength = lift(t.cdaLength, t.cda, pb[0], pb[1], true, bdet);
  int cLength = lift(t.dabLength, t.dab, pc[0], pc[1], false, cdet);
  int dLength = lift(t.abcLength, t.abc, pd[0], pd[1], true, ddet);
  int abLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  int cdLength = sumZeroElim(cLength, cdet, dLength, ddet, cddet);
  int length = sumZeroElim(abLength, abdet, cdLength, cddet, deter);
  return deter[length - 1];
}

REAL incircleslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx, adxtail, ady, adytail, bdx, bdxtail, bdy, bdytail, cdx, cdxtail, cdy, cdytail;
  twoDiff(pa[0], pd[0], adx, adxtail);
  twoDiff(pa[1], pd[1], ady, adytail);
  twoDiff(pb[0], pd[0], bdx, bdxtail);
  twoDiff(pb[1], pd[1], bdy, bdytail);
  twoDiff(pc[0], pd[0], cdx, cdxtail);
  twoDiff(pc[1], pd[1], cdy, cdytail);

  // Exact minor px*qy - qx*py of exact differences, 16 components.
  auto minor2 = [](REAL px, REAL pxtail, REAL py, REAL pytail, REAL qx, REAL qxtail, REAL qy, REAL qytail, REAL* m) {
    REAL pxqy[8], qxpy[8];
    twoTwoProduct(px, pxtail, qy, qytail, pxqy);
    twoTwoProduct(qx, qxtail, -py, -pytail, qxpy);
    return sumZeroElim(8, pxqy, 8, qxpy, m);
  };
  // m * (v + vtail)^2 = m*v*v + 2*m*vtail*v + m*vtail*vtail, 192 components.
  auto liftSquare = [](int mLength, const REAL* m, REAL v, REAL vtail, REAL* h) {
    REAL byTail[32], scratch[32], vv[64], vt[64], tt[64], partial[128];
    int vvLength = scaleTwice(mLength, m, v, v, scratch, vv);
    int byTailLength = scaleZeroElim(mLength, m, vtail, byTail);
    int vtLength = scaleZeroElim(byTailLength, byTail, v, vt);
    for (int i = 0; i < vtLength; ++i) vt[i] *= 2.0L;
    int ttLength = scaleZeroElim(byTailLength, byTail, vtail, tt);
    int partialLength = sumZeroElim(vvLength, vv, vtLength, vt, partial);
    return sumZeroElim(partialLength, partial, ttLength, tt, h);
  };
  auto lift = [&liftSquare](int mLength, const REAL* m, REAL x, REAL xtail, REAL y, REAL ytail, REAL* h) {
    REAL xx[192], yy[192];
    int xxLength = liftSquare(mLength, m, x, xtail, xx);
    int yyLength = liftSquare(mLength, m, y, ytail, yy);
    return sumZeroElim(xxLength, xx, yyLength, yy, h);
  };

  REAL bc[16], ca[16], ab[16];
  int bcLength = minor2(bdx, bdxtail, bdy, bdytail, cdx, cdxtail, cdy, cdytail, bc);
  int caLength = minor2(cdx, cdxtail, cdy, cdytail, adx, adxtail, ady, adytail, ca);
  int abLength = minor2(adx, adxtail, ady, adytail, bdx, bdxtail, bdy, bdytail, ab);

  REAL adet[384], bdet[384], cdet[384], abdet[768], deter[1152];
  int aLength = lift(bcLength, bc, adx, adxtail, ady, adytail, adet);
  int bLength = lift(caLength, ca, bdx, bdxtail, bdy, bdytail, bdet);
  int cLength = lift(abLength, ab, cdx, cdxtail, cdy, cdytail, cdet);
  int abdetLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  int length = sumZeroElim(abdetLength, abdet, cLength, cdet, deter);
  return deter[length - 1];
}

namespace {

// Adds a * s * t to fin for a short expansion a (at most 4 components).
void addScaledTwice(ExpansionAccumulator& fin, int aLength, const REAL* a, REAL s, REAL t) {
  REAL scratch[8], term[16];
  fin.add(scaleTwice(aLength, a, s, t, scratch, term), term);
}

// Stage D, single tails: for one point p with nonzero x (or y) tail,
// minor * tail * 2p + q2 * tail * r + r2 * tail * (-s), three 16-component
// terms merged into one. Returns minor * tail (8 components) in keep.
int addSingleTail(ExpansionAccumulator& fin, int minorLength, const REAL* minor, REAL tail, REAL twiceP,
                  const REAL* first, REAL firstFactor, const REAL* second, REAL secondFactor, REAL* keep) {
  REAL scratch[8], t16a[16], t16b[16], t16c[16], t32[32], t48[48];
  int keepLength = scaleZeroElim(minorLength, minor, tail, keep);
  int aLength = scaleZeroElim(keepLength, keep, twiceP, t16a);
  int bLength = scaleTwice(4, first, tail, firstFactor, scratch, t16b);
  int cLength = scaleTwice(4, second, tail, secondFactor, scratch, t16c);
  int t32Length = sumZeroElim(aLength, t16a, bLength, t16b, t32);
  int t48Length = sumZeroElim(cLength, t16c, t32Length, t32, t48);
  fin.add(t48Length, t48);
  return keepLength;
}

// The first-order tail of a minor px*qy - qx*py (8 components, in t) and its
// second-order tail pxtail*qytail - qxtail*pytail (4 components, in tt).
// Both are {0} when the two points have no tails. Returns the lengths.
void minorTails(REAL px, REAL pxtail, REAL py, REAL pytail, REAL qx, REAL qxtail, REAL qy, REAL qytail, REAL* t,
                int& tLength, REAL* tt, int& ttLength) {
  if (pxtail == 0.0L && pytail == 0.0L && qxtail == 0.0L && qytail == 0.0L) {
    t[0] = 0.0L;
    tt[0] = 0.0L;
    tLength = 1;
    ttLength = 1;
    return;
  }
  REAL s1, s0, r1, r0, u[4], v[4];
  REAL p1, p0, q1, q0;
  twoProduct(pxtail, qy, s1, s0);
  twoProduct(px, qytail, r1, r0);
  twoTwoSum(s1, s0, r1, r0, u);
  twoProduct(qxtail, -py, p1, p0);
  twoProduct(qx, -pytail, q1, q0);
  twoTwoSum(p1, p0, q1, q0, v);
  tLength = sumZeroElim(4, u, 4, v, t);
  twoProduct(pxtail, qytail, s1, s0);
  twoProduct(qxtail, pytail, r1, r0);
  twoTwoDiff(s1, s0, r1, r0, tt);
  ttLength = 4;
}

// Stage D, tail products for one coordinate tail of point p (the x tail
// with the x difference, or the y tail with the y difference): with the
// minor's tails t and tt of the other two points, adds
//   (minor * tail) * tail + (t * tail) * 2p
// then, when crossTerms is set, the caller's cross terms, then
//   (t * tail) * tail + ((tt * tail) * 2p + (tt * tail) * tail).
// minorTimesTail is the 8-component minor * tail kept from the single-tail
// step.
template <typename CrossTerms>
void addTailProducts(ExpansionAccumulator& fin, int mtLength, const REAL* minorTimesTail, REAL tail, REAL p,
                     int tLength, const REAL* t, int ttLength, const REAL* tt, CrossTerms crossTerms) {
  REAL t16a[16], t16b[16], tTail[16], t32a[32], t32b[32], t48[48], t64[64], ttTail[8];
  int aLength = scaleZeroElim(mtLength, minorTimesTail, tail, t16a);
  int tTailLength = scaleZeroElim(tLength, t, tail, tTail);
  int bLength = scaleZeroElim(tTailLength, tTail, 2.0L * p, t32a);
  int t48Length = sumZeroElim(aLength, t16a, bLength, t32a, t48);
  fin.add(t48Length, t48);

  crossTerms();

  aLength = scaleZeroElim(tTailLength, tTail, tail, t32a);
  int ttTailLength = scaleZeroElim(ttLength, tt, tail, ttTail);
  int cLength = scaleZeroElim(ttTailLength, ttTail, 2.0L * p, t16a);
  int dLength = scaleZeroElim(ttTailLength, ttTail, tail, t16b);
  int t32bLength = sumZeroElim(cLength, t16a, dLength, t16b, t32b);
  int t64Length = sumZeroElim(aLength, t32a, t32bLength, t32b, t64);
  fin.add(t64Length, t64);
}

}  // namespace

REAL incircleadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, REAL permanent) {
  const PredicateConstants& k = bounds();
  const REAL adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
  const REAL ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];

  // Stage B: the exact determinant of the rounded differences.
  REAL bc[4], ca[4], ab[4];
  const int bcLength = exactMinorWithoutZeros(bdx, bdy, cdx, cdy, bc);
  const int caLength = exactMinorWithoutZeros(cdx, cdy, adx, ady, ca);
  const int abLength = exactMinorWithoutZeros(adx, ady, bdx, bdy, ab);
  REAL adet[32], bdet[32], cdet[32], abdet[64];
  int aLength = liftMinor(bcLength, bc, adx, ady, adet);
  int bLength = liftMinor(caLength, ca, bdx, bdy, bdet);
  int cLength = liftMinor(abLength, ab, cdx, cdy, cdet);
  int abdetLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  REAL finA[1152], finB[1152];
  ExpansionAccumulator fin(finA, finB);
  fin.start(sumZeroElim(abdetLength, abdet, cLength, cdet, fin.data()));
  REAL det = estimateSum(fin.length(), fin.components());
  if (provenBy(det, k.iccerrboundB * permanent)) {
    ZEF_COUNT_STAGE(Incircle, B);
    return det;
  }

  const REAL adxtail = twoDiffTail(pa[0], pd[0], adx);
  const REAL adytail = twoDiffTail(pa[1], pd[1], ady);
  const REAL bdxtail = twoDiffTail(pb[0], pd[0], bdx);
  const REAL bdytail = twoDiffTail(pb[1], pd[1], bdy);
  const REAL cdxtail = twoDiffTail(pc[0], pd[0], cdx);
  const REAL cdytail = twoDiffTail(pc[1], pd[1], cdy);
  if (adxtail == 0.0L && bdxtail == 0.0L && cdxtail == 0.0L && adytail == 0.0L && bdytail == 0.0L && cdytail == 0.0L) {
    ZEF_COUNT_STAGE(Incircle, ExactDifferences);
    return det;
  }

  // Stage C: first-order correction by the tails.
  REAL errbound = k.iccerrboundC * permanent + k.resulterrbound * absolute(det);
  det += ((adx * adx + ady * ady) * ((bdx * cdytail + cdy * bdxtail) - (bdy * cdxtail + cdx * bdytail)) +
          2.0L * (adx * adxtail + ady * adytail) * (bdx * cdy - bdy * cdx)) +
         ((bdx * bdx + bdy * bdy) * ((cdx * adytail + ady * cdxtail) - (cdy * adxtail + adx * cdytail)) +
          2.0L * (bdx * bdxtail + bdy * bdytail) * (cdx * ady - cdy * adx)) +
         ((cdx * cdx + cdy * cdy) * ((adx * bdytail + bdy * adxtail) - (ady * bdxtail + bdx * adytail)) +
          2.0L * (cdx * cdxtail + cdy * cdytail) * (adx * bdy - ady * bdx));
  if (provenBy(det, errbound)) {
    ZEF_COUNT_STAGE(Incircle, C);
    return det;
  }

  // Stage D: every remaining term, exactly; or the exact form when it is
  // cheaper.
  if (tailsFavourExactForm(adxtail, adytail, bdxtail, bdytail, cdxtail, cdytail)) {
    ZEF_COUNT_STAGE(Incircle, D);
    return incircleexact(pa, pb, pc, pd);
  }
  const bool aHasTails = adxtail != 0.0L || adytail != 0.0L;
  const bool bHasTails = bdxtail != 0.0L || bdytail != 0.0L;
  const bool cHasTails = cdxtail != 0.0L || cdytail != 0.0L;
  // Squared lengths of the rounded differences, formed only when used.
  REAL aa[4], bb[4], cc[4];
  auto squaredLength = [](REAL x, REAL y, REAL* h) {
    REAL xx1, xx0, yy1, yy0;
    square(x, xx1, xx0);
    square(y, yy1, yy0);
    twoTwoSum(xx1, xx0, yy1, yy0, h);
  };
  if (bHasTails || cHasTails) squaredLength(adx, ady, aa);
  if (cHasTails || aHasTails) squaredLength(bdx, bdy, bb);
  if (aHasTails || bHasTails) squaredLength(cdx, cdy, cc);

  // Single tails times the lifted minors.
  REAL axtbc[8], aytbc[8], bxtca[8], bytca[8], cxtab[8], cytab[8];
  int axtbcLength = 0, aytbcLength = 0, bxtcaLength = 0, bytcaLength = 0, cxtabLength = 0, cytabLength = 0;
  if (adxtail != 0.0L) axtbcLength = addSingleTail(fin, bcLength, bc, adxtail, 2.0L * adx, cc, bdy, bb, -cdy, axtbc);
  if (adytail != 0.0L) aytbcLength = addSingleTail(fin, bcLength, bc, adytail, 2.0L * ady, bb, cdx, cc, -bdx, aytbc);
  if (bdxtail != 0.0L) bxtcaLength = addSingleTail(fin, caLength, ca, bdxtail, 2.0L * bdx, aa, cdy, cc, -ady, bxtca);
  if (bdytail != 0.0L) bytcaLength = addSingleTail(fin, caLength, ca, bdytail, 2.0L * bdy, cc, adx, aa, -cdx, bytca);
  if (cdxtail != 0.0L) cxtabLength = addSingleTail(fin, abLength, ab, cdxtail, 2.0L * cdx, bb, ady, aa, -bdy, cxtab);
  if (cdytail != 0.0L) cytabLength = addSingleTail(fin, abLength, ab, cdytail, 2.0L * cdy, aa, bdx, bb, -adx, cytab);

  // Tail products: each point's tails against the tails of the minor of
  // the other two.
  auto noCrossTerms = [] {};
  REAL t[8], tt[4];
  int tLength, ttLength;
  if (aHasTails) {
    minorTails(bdx, bdxtail, bdy, bdytail, cdx, cdxtail, cdy, cdytail, t, tLength, tt, ttLength);
    if (adxtail != 0.0L) {
      addTailProducts(fin, axtbcLength, axtbc, adxtail, adx, tLength, t, ttLength, tt, [&] {
        if (bdytail != 0.0L) addScaledTwice(fin, 4, cc, adxtail, bdytail);
        if (cdytail != 0.0L) addScaledTwice(fin, 4, bb, -adxtail, cdytail);
      });
    }
    if (adytail != 0.0L) {
      addTailProducts(fin, aytbcLength, aytbc, adytail, ady, tLength, t, ttLength, tt, noCrossTerms);
    }
  }
  if (bHasTails) {
    minorTails(cdx, cdxtail, cdy, cdytail, adx, adxtail, ady, adytail, t, tLength, tt, ttLength);
    if (bdxtail != 0.0L) {
      addTailProducts(fin, bxtcaLength, bxtca, bdxtail, bdx, tLength, t, ttLength, tt, [&] {
        if (cdytail != 0.0L) addScaledTwice(fin, 4, aa, bdxtail, cdytail);
        if (adytail != 0.0L) addScaledTwice(fin, 4, cc, -bdxtail, adytail);
      });
    }
    if (bdytail != 0.0L) {
      addTailProducts(fin, bytcaLength, bytca, bdytail, bdy, tLength, t, ttLength, tt, noCrossTerms);
    }
  }
  if (cHasTails) {
    minorTails(adx, adxtail, ady, adytail, bdx, bdxtail, bdy, bdytail, t, tLength, tt, ttLength);
    if (cdxtail != 0.0L) {
      addTailProducts(fin, cxtabLength, cxtab, cdxtail, cdx, tLength, t, ttLength, tt, [&] {
        if (adytail != 0.0L) addScaledTwice(fin, 4, bb, cdxtail, adytail);
        if (bdytail != 0.0L) addScaledTwice(fin, 4, aa, -cdxtail, bdytail);
      });
    }
    if (cdytail != 0.0L) {
      addTailProducts(fin, cytabLength, cytab, cdytail, cdy, tLength, t, ttLength, tt, noCrossTerms);
    }
  }
  ZEF_COUNT_STAGE(Incircle, D);
  return fin.largest();
}

namespace {

// The first stage with the permanent in REAL, as it always was: for the
// inputs the double permanent does not settle (see PredicateSupport.h).
// Kept out of line so that the fast path keeps no product alive for it.
[[gnu::noinline]] REAL incircleRealPermanent(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
  REAL ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
  REAL bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
  REAL alift = adx * adx + ady * ady;
  REAL cdxady = cdx * ady, adxcdy = adx * cdy;
  REAL blift = bdx * bdx + bdy * bdy;
  REAL adxbdy = adx * bdy, bdxady = bdx * ady;
  REAL clift = cdx * cdx + cdy * cdy;
  REAL det = alift * (bdxcdy - cdxbdy) + blift * (cdxady - adxcdy) + clift * (adxbdy - bdxady);
  REAL permanent = (absolute(bdxcdy) + absolute(cdxbdy)) * alift + (absolute(cdxady) + absolute(adxcdy)) * blift +
                   (absolute(adxbdy) + absolute(bdxady)) * clift;
  REAL errbound = bounds().iccerrboundA * permanent;
  if (absolute(det) > errbound) {
    ZEF_COUNT_STAGE(Incircle, A);
    return det;
  }
  return incircleadapt(pa, pb, pc, pd, permanent);
}

}  // namespace

REAL incircle(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  // The same rounded determinant as incircleRealPermanent. Each lift and
  // each product goes to double as soon as it is made, and the lifts come
  // before the minors: in that order the fewest 80-bit values are alive at
  // once (the x87 stack has eight registers, and each value spilled to
  // memory and reloaded costs more than several operations).
  REAL adx = pa[0] - pd[0], ady = pa[1] - pd[1];
  REAL bdx = pb[0] - pd[0], bdy = pb[1] - pd[1];
  REAL cdx = pc[0] - pd[0], cdy = pc[1] - pd[1];
  REAL alift = adx * adx + ady * ady;
  const double al = double(alift);
  REAL blift = bdx * bdx + bdy * bdy;
  const double bl = double(blift);
  REAL clift = cdx * cdx + cdy * cdy;
  const double cl = double(clift);
  const MinorWithPair bc = minorWithPair(bdx, bdy, cdx, cdy);
  REAL det = alift * bc.value;
  const MinorWithPair ca = minorWithPair(cdx, cdy, adx, ady);
  det = det + blift * ca.value;
  const MinorWithPair ab = minorWithPair(adx, ady, bdx, bdy);
  det = det + clift * ab.value;

  const double permanent = bc.pair * al + ca.pair * bl + ab.pair * cl;
  const double smallest = std::min(std::min(std::min(bc.pair, ca.pair), std::min(ab.pair, al)), std::min(bl, cl));
  if (provenInDouble(det, doubleBounds.incircleA, permanent, smallest, twoFactorFloor)) {
    ZEF_COUNT_STAGE(Incircle, A);
    return det;
  }
  return incircleRealPermanent(pa, pb, pc, pd);
}
