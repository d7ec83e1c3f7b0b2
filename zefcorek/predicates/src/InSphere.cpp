// The in-sphere test: whether a point lies inside the sphere through four
// others.
//
// The determinant of the rows (ux, uy, uz, ux^2 + uy^2 + uz^2) for u = a - e,
// b - e, c - e, d - e, in the stages of the other predicates (see
// Orientation.cpp), except that the exact completion recomputes the whole
// determinant from the raw coordinates (insphereexact).
//
// The exact and slow forms build expansions of thousands of components, too
// many for a thread's stack; they work in a buffer per thread that is taken
// from the heap on the thread's first call and kept until it ends.
#include "zefcorek/Predicates.h"

#include <algorithm>

#include <limits>
#include <memory>
#include <new>

#include "ExpansionArithmetic.h"
#include "ExpansionKernels.h"
#include "PredicateSupport.h"
#include "StageCounters.h"

using namespace zefcorek::predicates;

namespace {

const PredicateConstants& bounds() { return predicateConstants; }

// The working storage of insphereexact: the 3x3 minors of every triple of
// points (indexed i < j < k, the rest unused), the five lifted 4-point
// minors and their sums, and the scratch of one lift.
struct ExactWorkspace {
  REAL minor3[5][5][5][24];
  int minor3Length[5][5][5];
  REAL lifted[5][1152];
  REAL scratch[192], x[384], y[384], z[384], xy[768];
  REAL ab[2304], cd[2304], cde[3456], deter[5760];
};

// The working storage of insphereslow: the four lifted 3x3 terms, their
// sums, and the scratch of one lift.
struct SlowWorkspace {
  REAL lifted[4][6912];
  REAL scratch[384], byTail[384], vv[768], vt[768], tt[768], partial[1536];
  REAL coordinate[3][2304], xy[4608];
  REAL ab[13824], cd[13824], deter[27648];
};

// This thread's buffer, or null when it cannot be allocated.
template <typename Workspace>
Workspace* threadWorkspace() {
  thread_local std::unique_ptr<Workspace> workspace;
  if (!workspace) workspace.reset(new (std::nothrow) Workspace);
  return workspace.get();
}

constexpr REAL noWorkspaceResult = std::numeric_limits<REAL>::quiet_NaN();

// h = e * s * t exactly; scratch holds 2 * elen components.
int scaleTwice(int elen, const REAL* e, REAL s, REAL t, REAL* scratch, REAL* h) {
  int length = scaleZeroElim(elen, e, s, scratch);
  return scaleZeroElim(length, scratch, t, h);
}

// h = m * (x^2 + y^2 + z^2), or its negation, in 3 * 4 * mlen components;
// the scratch arrays hold 2 * mlen, x, y and z 4 * mlen, xy 8 * mlen.
struct LiftScratch {
  REAL* scratch;
  REAL* x;
  REAL* y;
  REAL* z;
  REAL* xy;
};
int liftBySquaredLength(int mLength, const REAL* m, const REAL* p, bool negate, const LiftScratch& s, REAL* h) {
  const REAL sign = negate ? -1.0L : 1.0L;
  int xLength = scaleTwice(mLength, m, p[0], sign * p[0], s.scratch, s.x);
  int yLength = scaleTwice(mLength, m, p[1], sign * p[1], s.scratch, s.y);
  int zLength = scaleTwice(mLength, m, p[2], sign * p[2], s.scratch, s.z);
  int xyLength = sumZeroElim(xLength, s.x, yLength, s.y, s.xy);
  return sumZeroElim(xyLength, s.xy, zLength, s.z, h);
}

// An exact 2x2 minor without its zero components (see withoutZeros).
struct ShortMinor {
  REAL components[4];
  int length;
};

ShortMinor shortMinor(REAL px, REAL py, REAL qx, REAL qy) {
  ShortMinor m;
  m.length = exactMinorWithoutZeros(px, py, qx, qy, m.components);
  return m;
}

ShortMinor shortMinor(const REAL* full) {
  ShortMinor m;
  m.length = withoutZeros(4, full, m.components);
  return m;
}

// h = p*m1 + q*m2 + r*m3 for 2x2 minors: a 3x3 determinant expanded along
// its z column, at most 24 components.
int combineMinors(const ShortMinor& m1, REAL p, const ShortMinor& m2, REAL q, const ShortMinor& m3, REAL r, REAL* h) {
  REAL t1[8], t2[8], t3[8], t12[16];
  int l1 = scaleZeroElim(m1.length, m1.components, p, t1);
  int l2 = scaleZeroElim(m2.length, m2.components, q, t2);
  int l3 = scaleZeroElim(m3.length, m3.components, r, t3);
  int l12 = sumZeroElim(l1, t1, l2, t2, t12);
  return sumZeroElim(l3, t3, l12, t12, h);
}

}  // namespace

REAL inspherefast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe) {
  REAL aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
  REAL aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
  REAL aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];
  REAL ab = aex * bey - bex * aey;
  REAL bc = bex * cey - cex * bey;
  REAL cd = cex * dey - dex * cey;
  REAL da = dex * aey - aex * dey;
  REAL ac = aex * cey - cex * aey;
  REAL bd = bex * dey - dex * bey;
  REAL abc = aez * bc - bez * ac + cez * ab;
  REAL bcd = bez * cd - cez * bd + dez * bc;
  REAL cda = cez * da + dez * ac + aez * cd;
  REAL dab = dez * ab + aez * bd + bez * da;
  REAL alift = aex * aex + aey * aey + aez * aez;
  REAL blift = bex * bex + bey * bey + bez * bez;
  REAL clift = cex * cex + cey * cey + cez * cez;
  REAL dlift = dex * dex + dey * dey + dez * dez;
  return (dlift * abc - clift * dab) + (blift * cda - alift * bcd);
}

REAL insphereexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe) {
  ExactWorkspace* w = threadWorkspace<ExactWorkspace>();
  if (w == nullptr) return noWorkspaceResult;

  // The 5x5 determinant of the rows (x, y, z, x^2 + y^2 + z^2, 1), expanded
  // along the lifted column: each point's lift times the 4x4 determinant of
  // the rows (x, y, z, 1) of the other four, with alternating signs that
  // are folded into the order of the 3x3 minors below.
  const REAL* p[5] = {pa, pb, pc, pd, pe};
  // xy minors of every pair i < j: p_i.x * p_j.y - p_j.x * p_i.y.
  ShortMinor minor2[5][5];
  for (int i = 0; i < 5; ++i) {
    for (int j = i + 1; j < 5; ++j) minor2[i][j] = shortMinor(p[i][0], p[i][1], p[j][0], p[j][1]);
  }
  // xyz determinants of every triple i < j < k, expanded along z:
  // z_i * (jk) - z_j * (ik) + z_k * (ij), 24 components.
  auto& minor3 = w->minor3;
  auto& minor3Length = w->minor3Length;
  for (int i = 0; i < 5; ++i) {
    for (int j = i + 1; j < 5; ++j) {
      for (int k = j + 1; k < 5; ++k) {
        minor3Length[i][j][k] =
            combineMinors(minor2[j][k], p[i][2], minor2[i][k], -p[j][2], minor2[i][j], p[k][2], minor3[i][j][k]);
      }
    }
  }
  // For the point left out, o, the other four in order q0 < q1 < q2 < q3:
  // their 4x4 determinant with a column of ones is
  //   (q0q1q2 + q0q2q3) - (q0q1q3 + q1q2q3),
  // and the point's sign in the expansion is (-1)^(o + 1); the negation
  // swaps the two sums. 48 + 48 -> 96 components.
  LiftScratch scratch{w->scratch, w->x, w->y, w->z, w->xy};
  int liftedLength[5];
  for (int o = 0; o < 5; ++o) {
    int q[4], n = 0;
    for (int i = 0; i < 5; ++i) {
      if (i != o) q[n++] = i;
    }
    auto m3 = [&](int i, int j, int k) { return minor3[q[i]][q[j]][q[k]]; };
    auto m3Length = [&](int i, int j, int k) { return minor3Length[q[i]][q[j]][q[k]]; };
    REAL positive[48], negative[48], minor4[96];
    int positiveLength = sumZeroElim(m3Length(0, 1, 2), m3(0, 1, 2), m3Length(0, 2, 3), m3(0, 2, 3), positive);
    int negativeLength = sumZeroElim(m3Length(0, 1, 3), m3(0, 1, 3), m3Length(1, 2, 3), m3(1, 2, 3), negative);
    if (o % 2 == 0) {
      negateExpansion(positiveLength, positive);
    } else {
      negateExpansion(negativeLength, negative);
    }
    int minor4Length = sumZeroElim(positiveLength, positive, negativeLength, negative, minor4);
    // Each component of the minor costs a dozen exact products in the lift;
    // compressed, the minor has only as many as its value needs.
    minor4Length = kernels::compressExpansion(minor4Length, minor4, minor4);
    liftedLength[o] = liftBySquaredLength(minor4Length, minor4, p[o], /*negate=*/false, scratch, w->lifted[o]);
  }
  int abLength = sumZeroElim(liftedLength[0], w->lifted[0], liftedLength[1], w->lifted[1], w->ab);
  int cdLength = sumZeroElim(liftedLength[2], w->lifted[2], liftedLength[3], w->lifted[3], w->cd);
  int cdeLength = sumZeroElim(cdLength, w->cd, liftedLength[4], w->lifted[4], w->cde);
  int length = sumZeroElim(abLength, w->ab, cdeLength, w->cde, w->deter);
  return w->deter[length - 1];
}

namespace {

// A coordinate difference held exactly as value + tail.
struct ExactDifference {
  REAL value;
  REAL tail;
};

// The exact difference point - e, coordinate by coordinate.
struct ExactPoint {
  ExactDifference x, y, z;
};

ExactPoint exactDifference(const REAL* p, const REAL* pe) {
  ExactPoint d;
  twoDiff(p[0], pe[0], d.x.value, d.x.tail);
  twoDiff(p[1], pe[1], d.y.value, d.y.tail);
  twoDiff(p[2], pe[2], d.z.value, d.z.tail);
  return d;
}

// px*qy - qx*py of exact differences, 16 components.
int exactDifferenceMinor(const ExactPoint& p, const ExactPoint& q, REAL* m) {
  REAL pxqy[8], qxpy[8];
  twoTwoProduct(p.x.value, p.x.tail, q.y.value, q.y.tail, pxqy);
  twoTwoProduct(q.x.value, q.x.tail, -p.y.value, -p.y.tail, qxpy);
  return sumZeroElim(8, pxqy, 8, qxpy, m);
}

// h = m * z for an exact difference z (and a 16-component m): 64 components.
int scaleByExact(int mLength, const REAL* m, ExactDifference z, REAL* h) {
  REAL byValue[32], byTail[32];
  int valueLength = scaleZeroElim(mLength, m, z.value, byValue);
  int tailLength = scaleZeroElim(mLength, m, z.tail, byTail);
  return sumZeroElim(valueLength, byValue, tailLength, byTail, h);
}

// z1*m1 + z2*m2 + z3*m3 for 16-component minors: a 3x3 term, 192 components.
int combineExactMinors(int l1, const REAL* m1, ExactDifference z1, int l2, const REAL* m2, ExactDifference z2, int l3,
                       const REAL* m3, ExactDifference z3, REAL* h) {
  REAL t1[64], t2[64], t3[64], t12[128];
  int s1 = scaleByExact(l1, m1, z1, t1);
  int s2 = scaleByExact(l2, m2, z2, t2);
  int s3 = scaleByExact(l3, m3, z3, t3);
  int s12 = sumZeroElim(s1, t1, s2, t2, t12);
  return sumZeroElim(s12, t12, s3, t3, h);
}

ExactDifference negated(ExactDifference d) { return {-d.value, -d.tail}; }

// m * sign * (v + vtail)^2 = m*v*(sign v) + 2*m*vtail*(sign v)
// + m*vtail*(sign vtail), exactly, in the slow workspace's scratch.
int liftByExactSquare(int mLength, const REAL* m, ExactDifference v, REAL sign, SlowWorkspace& w, REAL* h) {
  int vvLength = scaleTwice(mLength, m, v.value, sign * v.value, w.scratch, w.vv);
  int byTailLength = scaleZeroElim(mLength, m, v.tail, w.byTail);
  int vtLength = scaleZeroElim(byTailLength, w.byTail, sign * v.value, w.vt);
  for (int i = 0; i < vtLength; ++i) w.vt[i] *= 2.0L;
  int ttLength = scaleZeroElim(byTailLength, w.byTail, sign * v.tail, w.tt);
  int partialLength = sumZeroElim(vvLength, w.vv, vtLength, w.vt, w.partial);
  return sumZeroElim(partialLength, w.partial, ttLength, w.tt, h);
}

// m * sign * |p|^2 for the exact difference p, 36 * mlen components.
int liftByExactLength(int mLength, const REAL* m, const ExactPoint& p, REAL sign, SlowWorkspace& w, REAL* h) {
  int xLength = liftByExactSquare(mLength, m, p.x, sign, w, w.coordinate[0]);
  int yLength = liftByExactSquare(mLength, m, p.y, sign, w, w.coordinate[1]);
  int zLength = liftByExactSquare(mLength, m, p.z, sign, w, w.coordinate[2]);
  int xyLength = sumZeroElim(xLength, w.coordinate[0], yLength, w.coordinate[1], w.xy);
  return sumZeroElim(xyLength, w.xy, zLength, w.coordinate[2], h);
}

}  // namespace

REAL insphereslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe) {
  SlowWorkspace* w = threadWorkspace<SlowWorkspace>();
  if (w == nullptr) return noWorkspaceResult;

  const ExactPoint a = exactDifference(pa, pe);
  const ExactPoint b = exactDifference(pb, pe);
  const ExactPoint c = exactDifference(pc, pe);
  const ExactPoint d = exactDifference(pd, pe);
  REAL ab[16], bc[16], cd[16], da[16], ac[16], bd[16];
  int abLength = exactDifferenceMinor(a, b, ab);
  int bcLength = exactDifferenceMinor(b, c, bc);
  int cdLength = exactDifferenceMinor(c, d, cd);
  int daLength = exactDifferenceMinor(d, a, da);
  int acLength = exactDifferenceMinor(a, c, ac);
  int bdLength = exactDifferenceMinor(b, d, bd);

  // The xyz determinants of each triple, as in the stage-A formulas.
  REAL bcd[192], cda[192], dab[192], abc[192];
  int bcdLength = combineExactMinors(cdLength, cd, b.z, bdLength, bd, negated(c.z), bcLength, bc, d.z, bcd);
  int cdaLength = combineExactMinors(daLength, da, c.z, acLength, ac, d.z, cdLength, cd, a.z, cda);
  int dabLength = combineExactMinors(abLength, ab, d.z, bdLength, bd, a.z, daLength, da, b.z, dab);
  int abcLength = combineExactMinors(bcLength, bc, a.z, acLength, ac, negated(b.z), abLength, ab, c.z, abc);

  // det = -alift*bcd + blift*cda - clift*dab + dlift*abc.
  int aLength = liftByExactLength(bcdLength, bcd, a, -1.0L, *w, w->lifted[0]);
  int bLength = liftByExactLength(cdaLength, cda, b, 1.0L, *w, w->lifted[1]);
  int cLength = liftByExactLength(dabLength, dab, c, -1.0L, *w, w->lifted[2]);
  int dLength = liftByExactLength(abcLength, abc, d, 1.0L, *w, w->lifted[3]);
  int abdetLength = sumZeroElim(aLength, w->lifted[0], bLength, w->lifted[1], w->ab);
  int cddetLength = sumZeroElim(cLength, w->lifted[2], dLength, w->lifted[3], w->cd);
  int length = sumZeroElim(abdetLength, w->ab, cddetLength, w->cd, w->deter);
  return w->deter[length - 1];
}

REAL insphereadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe, REAL permanent) {
  const PredicateConstants& k = bounds();
  const REAL aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
  const REAL aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
  const REAL aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];

  // Stage B: the exact determinant of the rounded differences.
  REAL ab[4], bc[4], cd[4], da[4], ac[4], bd[4];
  exactMinor(aex, aey, bex, bey, ab);
  exactMinor(bex, bey, cex, cey, bc);
  exactMinor(cex, cey, dex, dey, cd);
  exactMinor(dex, dey, aex, aey, da);
  exactMinor(aex, aey, cex, cey, ac);
  exactMinor(bex, bey, dex, dey, bd);
  const ShortMinor abShort = shortMinor(ab), bcShort = shortMinor(bc), cdShort = shortMinor(cd);
  const ShortMinor daShort = shortMinor(da), acShort = shortMinor(ac), bdShort = shortMinor(bd);
  REAL bcd[24], cda[24], dab[24], abc[24];
  int bcdLength = combineMinors(cdShort, bez, bdShort, -cez, bcShort, dez, bcd);
  int cdaLength = combineMinors(daShort, cez, acShort, dez, cdShort, aez, cda);
  int dabLength = combineMinors(abShort, dez, bdShort, aez, daShort, bez, dab);
  int abcLength = combineMinors(bcShort, aez, acShort, -bez, abShort, cez, abc);

  REAL scratch[48], x[96], y[96], z[96], xy[192];
  const LiftScratch liftScratch{scratch, x, y, z, xy};
  const REAL ae[] = {aex, aey, aez}, be[] = {bex, bey, bez};
  const REAL ce[] = {cex, cey, cez}, de[] = {dex, dey, dez};
  REAL adet[288], bdet[288], cdet[288], ddet[288], abdet[576], cddet[576], fin[1152];
  int aLength = liftBySquaredLength(bcdLength, bcd, ae, /*negate=*/true, liftScratch, adet);
  int bLength = liftBySquaredLength(cdaLength, cda, be, /*negate=*/false, liftScratch, bdet);
  int cLength = liftBySquaredLength(dabLength, dab, ce, /*negate=*/true, liftScratch, cdet);
  int dLength = liftBySquaredLength(abcLength, abc, de, /*negate=*/false, liftScratch, ddet);
  int abLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  int cdLength = sumZeroElim(cLength, cdet, dLength, ddet, cddet);
  int finLength = sumZeroElim(abLength, abdet, cdLength, cddet, fin);
  REAL det = estimateSum(finLength, fin);
  if (provenBy(det, k.isperrboundB * permanent)) {
    ZEF_COUNT_STAGE(Insphere, B);
    return det;
  }

  const REAL aextail = twoDiffTail(pa[0], pe[0], aex);
  const REAL aeytail = twoDiffTail(pa[1], pe[1], aey);
  const REAL aeztail = twoDiffTail(pa[2], pe[2], aez);
  const REAL bextail = twoDiffTail(pb[0], pe[0], bex);
  const REAL beytail = twoDiffTail(pb[1], pe[1], bey);
  const REAL beztail = twoDiffTail(pb[2], pe[2], bez);
  const REAL cextail = twoDiffTail(pc[0], pe[0], cex);
  const REAL ceytail = twoDiffTail(pc[1], pe[1], cey);
  const REAL ceztail = twoDiffTail(pc[2], pe[2], cez);
  const REAL dextail = twoDiffTail(pd[0], pe[0], dex);
  const REAL deytail = twoDiffTail(pd[1], pe[1], dey);
  const REAL deztail = twoDiffTail(pd[2], pe[2], dez);
  if (aextail == 0.0L && aeytail == 0.0L && aeztail == 0.0L && bextail == 0.0L && beytail == 0.0L && beztail == 0.0L &&
      cextail == 0.0L && ceytail == 0.0L && ceztail == 0.0L && dextail == 0.0L && deytail == 0.0L && deztail == 0.0L) {
    ZEF_COUNT_STAGE(Insphere, ExactDifferences);
    return det;
  }

  // Stage C: first-order correction by the tails.
  REAL errbound = k.isperrboundC * permanent + k.resulterrbound * absolute(det);
  const REAL ab3 = ab[3], bc3 = bc[3], cd3 = cd[3], da3 = da[3], ac3 = ac[3], bd3 = bd[3];
  const REAL abeps = (aex * beytail + bey * aextail) - (aey * bextail + bex * aeytail);
  const REAL bceps = (bex * ceytail + cey * bextail) - (bey * cextail + cex * beytail);
  const REAL cdeps = (cex * deytail + dey * cextail) - (cey * dextail + dex * ceytail);
  const REAL daeps = (dex * aeytail + aey * dextail) - (dey * aextail + aex * deytail);
  const REAL aceps = (aex * ceytail + cey * aextail) - (aey * cextail + cex * aeytail);
  const REAL bdeps = (bex * deytail + dey * bextail) - (bey * dextail + dex * beytail);
  const REAL alift = aex * aex + aey * aey + aez * aez;
  const REAL blift = bex * bex + bey * bey + bez * bez;
  const REAL clift = cex * cex + cey * cey + cez * cez;
  const REAL dlift = dex * dex + dey * dey + dez * dez;
  det += ((blift * ((cez * daeps + dez * aceps + aez * cdeps) + (ceztail * da3 + deztail * ac3 + aeztail * cd3)) +
           dlift * ((aez * bceps - bez * aceps + cez * abeps) + (aeztail * bc3 - beztail * ac3 + ceztail * ab3))) -
          (alift * ((bez * cdeps - cez * bdeps + dez * bceps) + (beztail * cd3 - ceztail * bd3 + deztail * bc3)) +
           clift * ((dez * abeps + aez * bdeps + bez * daeps) + (deztail * ab3 + aeztail * bd3 + beztail * da3)))) +
         2.0L * (((bex * bextail + bey * beytail + bez * beztail) * (cez * da3 + dez * ac3 + aez * cd3) +
                  (dex * dextail + dey * deytail + dez * deztail) * (aez * bc3 - bez * ac3 + cez * ab3)) -
                 ((aex * aextail + aey * aeytail + aez * aeztail) * (bez * cd3 - cez * bd3 + dez * bc3) +
                  (cex * cextail + cey * ceytail + cez * ceztail) * (dez * ab3 + aez * bd3 + bez * da3)));
  if (provenBy(det, errbound)) {
    ZEF_COUNT_STAGE(Insphere, C);
    return det;
  }

  // Stage D: the exact determinant from the raw coordinates.
  ZEF_COUNT_STAGE(Insphere, D);
  return insphereexact(pa, pb, pc, pd, pe);
}

namespace {

// The first stage with the permanent in REAL, as it always was: for the
// inputs the double permanent does not settle (see PredicateSupport.h).
// Kept out of line so that the fast path keeps no product alive for it.
[[gnu::noinline]] REAL insphereRealPermanent(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd,
                                             const REAL* pe) {
  REAL aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
  REAL aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
  REAL aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];

  REAL aexbey = aex * bey, bexaey = bex * aey, ab = aexbey - bexaey;
  REAL bexcey = bex * cey, cexbey = cex * bey, bc = bexcey - cexbey;
  REAL cexdey = cex * dey, dexcey = dex * cey, cd = cexdey - dexcey;
  REAL dexaey = dex * aey, aexdey = aex * dey, da = dexaey - aexdey;
  REAL aexcey = aex * cey, cexaey = cex * aey, ac = aexcey - cexaey;
  REAL bexdey = bex * dey, dexbey = dex * bey, bd = bexdey - dexbey;

  REAL abc = aez * bc - bez * ac + cez * ab;
  REAL bcd = bez * cd - cez * bd + dez * bc;
  REAL cda = cez * da + dez * ac + aez * cd;
  REAL dab = dez * ab + aez * bd + bez * da;
  REAL alift = aex * aex + aey * aey + aez * aez;
  REAL blift = bex * bex + bey * bey + bez * bez;
  REAL clift = cex * cex + cey * cey + cez * cez;
  REAL dlift = dex * dex + dey * dey + dez * dez;
  REAL det = (dlift * abc - clift * dab) + (blift * cda - alift * bcd);

  // The same sum with every product and factor by magnitude.
  REAL aezplus = absolute(aez), bezplus = absolute(bez);
  REAL cezplus = absolute(cez), dezplus = absolute(dez);
  REAL aexbeyplus = absolute(aexbey), bexaeyplus = absolute(bexaey);
  REAL bexceyplus = absolute(bexcey), cexbeyplus = absolute(cexbey);
  REAL cexdeyplus = absolute(cexdey), dexceyplus = absolute(dexcey);
  REAL dexaeyplus = absolute(dexaey), aexdeyplus = absolute(aexdey);
  REAL aexceyplus = absolute(aexcey), cexaeyplus = absolute(cexaey);
  REAL bexdeyplus = absolute(bexdey), dexbeyplus = absolute(dexbey);
  REAL permanent = ((cexdeyplus + dexceyplus) * bezplus + (dexbeyplus + bexdeyplus) * cezplus +
                    (bexceyplus + cexbeyplus) * dezplus) *
                       alift +
                   ((dexaeyplus + aexdeyplus) * cezplus + (aexceyplus + cexaeyplus) * dezplus +
                    (cexdeyplus + dexceyplus) * aezplus) *
                       blift +
                   ((aexbeyplus + bexaeyplus) * dezplus + (bexdeyplus + dexbeyplus) * aezplus +
                    (dexaeyplus + aexdeyplus) * bezplus) *
                       clift +
                   ((bexceyplus + cexbeyplus) * aezplus + (cexaeyplus + aexceyplus) * bezplus +
                    (aexbeyplus + bexaeyplus) * cezplus) *
                       dlift;
  REAL errbound = bounds().isperrboundA * permanent;
  if (absolute(det) > errbound) {
    ZEF_COUNT_STAGE(Insphere, A);
    return det;
  }
  return insphereadapt(pa, pb, pc, pd, pe, permanent);
}

}  // namespace

REAL insphere(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, const REAL* pe) {
  // The same rounded determinant as insphereRealPermanent. Each product's
  // magnitude goes to double as soon as it is made, so that no 80-bit
  // product stays alive for the permanent: with twelve differences to keep,
  // the x87 stack's eight registers are already short, and every 80-bit
  // value spilled and reloaded costs more than several operations.
  REAL aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
  REAL aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
  const MinorWithPair ab = minorWithPair(aex, aey, bex, bey);
  const MinorWithPair bc = minorWithPair(bex, bey, cex, cey);
  const MinorWithPair cd = minorWithPair(cex, cey, dex, dey);
  const MinorWithPair da = minorWithPair(dex, dey, aex, aey);
  const MinorWithPair ac = minorWithPair(aex, aey, cex, cey);
  const MinorWithPair bd = minorWithPair(bex, bey, dex, dey);
  REAL aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];
  // The lifts before the 3x3 minors, each to double as soon as it is made:
  // in this order fewer 80-bit values have to be spilled.
  REAL alift = aex * aex + aey * aey + aez * aez;
  const double al = double(alift);
  REAL blift = bex * bex + bey * bey + bez * bez;
  const double bl = double(blift);
  REAL clift = cex * cex + cey * cey + cez * cez;
  const double cl = double(clift);
  REAL dlift = dex * dex + dey * dey + dez * dez;
  const double dl = double(dlift);

  REAL abc = aez * bc.value - bez * ac.value + cez * ab.value;
  REAL bcd = bez * cd.value - cez * bd.value + dez * bc.value;
  REAL cda = cez * da.value + dez * ac.value + aez * cd.value;
  REAL dab = dez * ab.value + aez * bd.value + bez * da.value;
  REAL det = (dlift * abc - clift * dab) + (blift * cda - alift * bcd);

  const double az = magnitude(aez), bz = magnitude(bez), cz = magnitude(cez), dz = magnitude(dez);
  const double permanent =
      (cd.pair * bz + bd.pair * cz + bc.pair * dz) * al + (da.pair * cz + ac.pair * dz + cd.pair * az) * bl +
      (ab.pair * dz + bd.pair * az + da.pair * bz) * cl + (bc.pair * az + ac.pair * bz + ab.pair * cz) * dl;
  const double pairs =
      std::min(std::min(std::min(ab.pair, bc.pair), std::min(cd.pair, da.pair)), std::min(ac.pair, bd.pair));
  const double factors =
      std::min(std::min(std::min(az, bz), std::min(cz, dz)), std::min(std::min(al, bl), std::min(cl, dl)));
  if (provenInDouble(det, doubleBounds.insphereA, permanent, std::min(pairs, factors), threeFactorFloor)) {
    ZEF_COUNT_STAGE(Insphere, A);
    return det;
  }
  return insphereRealPermanent(pa, pb, pc, pd, pe);
}
