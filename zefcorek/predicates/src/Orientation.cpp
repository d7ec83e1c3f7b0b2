// Orientation tests in the plane (orient2d) and in space (orient3d).
//
// The entry forms evaluate the determinant in rounded arithmetic and return
// it when an error bound proves its sign (stage A). Otherwise the adapt forms
// go on in stages that cost more each time: the exact determinant of the
// rounded coordinate differences (B), a first-order correction by the
// rounding errors ("tails") of those differences (C), and finally the exact
// determinant (D). Each stage ends as soon as its bound proves the sign.
// Scheme and bounds after Shewchuk, "Adaptive Precision Floating-Point
// Arithmetic and Fast Robust Geometric Predicates" (1997).
#include "zefcorek/Predicates.h"

#include <algorithm>

#include "ExpansionArithmetic.h"
#include "ExpansionKernels.h"
#include "PredicateSupport.h"
#include "StageCounters.h"

using namespace zefcorek::predicates;

namespace {

const PredicateConstants& bounds() { return predicateConstants; }

}  // namespace

REAL orient2dfast(const REAL* pa, const REAL* pb, const REAL* pc) {
  REAL acx = pa[0] - pc[0];
  REAL bcx = pb[0] - pc[0];
  REAL acy = pa[1] - pc[1];
  REAL bcy = pb[1] - pc[1];
  return acx * bcy - acy * bcx;
}

REAL orient2dexact(const REAL* pa, const REAL* pb, const REAL* pc) {
  REAL axby1, axby0, axcy1, axcy0, bxcy1, bxcy0, bxay1, bxay0, cxay1, cxay0, cxby1, cxby0;
  twoProduct(pa[0], pb[1], axby1, axby0);
  twoProduct(pa[0], pc[1], axcy1, axcy0);
  twoProduct(pb[0], pc[1], bxcy1, bxcy0);
  twoProduct(pb[0], pa[1], bxay1, bxay0);
  twoProduct(pc[0], pa[1], cxay1, cxay0);
  twoProduct(pc[0], pb[1], cxby1, cxby0);
  REAL aterms[4], bterms[4], cterms[4], v[8], w[12];
  twoTwoDiff(axby1, axby0, axcy1, axcy0, aterms);
  twoTwoDiff(bxcy1, bxcy0, bxay1, bxay0, bterms);
  twoTwoDiff(cxay1, cxay0, cxby1, cxby0, cterms);
  int vLength = sumZeroElim(4, aterms, 4, bterms, v);
  int wLength = sumZeroElim(vLength, v, 4, cterms, w);
  return w[wLength - 1];
}

REAL orient2dslow(const REAL* pa, const REAL* pb, const REAL* pc) {
  REAL acx, acxtail, acy, acytail, bcx, bcxtail, bcy, bcytail;
  twoDiff(pa[0], pc[0], acx, acxtail);
  twoDiff(pa[1], pc[1], acy, acytail);
  twoDiff(pb[0], pc[0], bcx, bcxtail);
  twoDiff(pb[1], pc[1], bcy, bcytail);
  REAL axby[8], bxay[8], deter[16];
  twoTwoProduct(acx, acxtail, bcy, bcytail, axby);
  twoTwoProduct(bcx, bcxtail, -acy, -acytail, bxay);
  int length = sumZeroElim(8, axby, 8, bxay, deter);
  return deter[length - 1];
}

REAL orient2dadapt(const REAL* pa, const REAL* pb, const REAL* pc, REAL detsum) {
  const PredicateConstants& k = bounds();
  REAL acx = pa[0] - pc[0];
  REAL bcx = pb[0] - pc[0];
  REAL acy = pa[1] - pc[1];
  REAL bcy = pb[1] - pc[1];

  // Stage B: the exact determinant of the rounded differences.
  REAL detleft, detlefttail, detright, detrighttail;
  twoProduct(acx, bcy, detleft, detlefttail);
  twoProduct(acy, bcx, detright, detrighttail);
  REAL b[4];
  twoTwoDiff(detleft, detlefttail, detright, detrighttail, b);
  REAL det = estimateSum(4, b);
  if (provenBy(det, k.ccwerrboundB * detsum)) {
    ZEF_COUNT_STAGE(Orient2d, B);
    return det;
  }

  REAL acxtail = twoDiffTail(pa[0], pc[0], acx);
  REAL bcxtail = twoDiffTail(pb[0], pc[0], bcx);
  REAL acytail = twoDiffTail(pa[1], pc[1], acy);
  REAL bcytail = twoDiffTail(pb[1], pc[1], bcy);
  if (acxtail == 0.0L && acytail == 0.0L && bcxtail == 0.0L && bcytail == 0.0L) {
    ZEF_COUNT_STAGE(Orient2d, ExactDifferences);
    return det;
  }

  // Stage C: first-order correction by the tails.
  REAL errbound = k.ccwerrboundC * detsum + k.resulterrbound * absolute(det);
  det += (acx * bcytail + bcy * acxtail) - (acy * bcxtail + bcx * acytail);
  if (provenBy(det, errbound)) {
    ZEF_COUNT_STAGE(Orient2d, C);
    return det;
  }

  // Stage D: add the exact remaining terms.
  REAL s1, s0, t1, t0, u[4];
  REAL c1[8], c2[12], d[16];
  twoProduct(acxtail, bcy, s1, s0);
  twoProduct(acytail, bcx, t1, t0);
  twoTwoDiff(s1, s0, t1, t0, u);
  int c1Length = sumZeroElim(4, b, 4, u, c1);

  twoProduct(acx, bcytail, s1, s0);
  twoProduct(acy, bcxtail, t1, t0);
  twoTwoDiff(s1, s0, t1, t0, u);
  int c2Length = sumZeroElim(c1Length, c1, 4, u, c2);

  twoProduct(acxtail, bcytail, s1, s0);
  twoProduct(acytail, bcxtail, t1, t0);
  twoTwoDiff(s1, s0, t1, t0, u);
  int dLength = sumZeroElim(c2Length, c2, 4, u, d);
  ZEF_COUNT_STAGE(Orient2d, D);
  return d[dLength - 1];
}

REAL orient2d(const REAL* pa, const REAL* pb, const REAL* pc) {
  REAL detleft = (pa[0] - pc[0]) * (pb[1] - pc[1]);
  REAL detright = (pa[1] - pc[1]) * (pb[0] - pc[0]);
  REAL det = detleft - detright;
  // When the two products differ in sign (or one is zero) no cancellation
  // can occur: |det| is then the rounded |detleft| + |detright|, which the
  // bound (a fraction of it) never exceeds, so one test serves every case
  // and no branch depends on the signs of random input. A NaN product gives
  // NaN at once, as it always did.
  const REAL detsum = absolute(detleft) + absolute(detright);
  if (provenBy(det, bounds().ccwerrboundA * detsum) || det != det) {
    ZEF_COUNT_STAGE(Orient2d, A);
    return det;
  }
  return orient2dadapt(pa, pb, pc, detsum);
}

REAL orient3dfast(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
  REAL ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
  REAL adz = pa[2] - pd[2], bdz = pb[2] - pd[2], cdz = pc[2] - pd[2];
  return adx * (bdy * cdz - bdz * cdy) + bdx * (cdy * adz - cdz * ady) + cdx * (ady * bdz - adz * bdy);
}

REAL orient3dexact(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  // The 4x4 determinant of the rows (x, y, z, 1), expanded along z: each
  // point's z times the xy orientation of the other three.
  TriangleOrientations t;
  exactTriangleOrientations(pa, pb, pc, pd, t);

  REAL adet[24], bdet[24], cdet[24], ddet[24], abdet[48], cddet[48], deter[96];
  int aLength = scaleZeroElim(t.bcdLength, t.bcd, pa[2], adet);
  int bLength = scaleZeroElim(t.cdaLength, t.cda, -pb[2], bdet);
  int cLength = scaleZeroElim(t.dabLength, t.dab, pc[2], cdet);
  int dLength = scaleZeroElim(t.abcLength, t.abc, -pd[2], ddet);
  int abLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  int cdLength = sumZeroElim(cLength, cdet, dLength, ddet, cddet);
  int length = sumZeroElim(abLength, abdet, cdLength, cddet, deter);
  return deter[length - 1];
}

REAL orient3dslow(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx, adxtail, bdx, bdxtail, cdx, cdxtail;
  REAL ady, adytail, bdy, bdytail, cdy, cdytail;
  REAL adz, adztail, bdz, bdztail, cdz, cdztail;
  twoDiff(pa[0], pd[0], adx, adxtail);
  twoDiff(pa[1], pd[1], ady, adytail);
  twoDiff(pa[2], pd[2], adz, adztail);
  twoDiff(pb[0], pd[0], bdx, bdxtail);
  twoDiff(pb[1], pd[1], bdy, bdytail);
  twoDiff(pb[2], pd[2], bdz, bdztail);
  twoDiff(pc[0], pd[0], cdx, cdxtail);
  twoDiff(pc[1], pd[1], cdy, cdytail);
  twoDiff(pc[2], pd[2], cdz, cdztail);

  // Exact 2x2 minor px*qy - qx*py from exact differences (16 components).
  auto minor2 = [](REAL px, REAL pxtail, REAL py, REAL pytail, REAL qx, REAL qxtail, REAL qy, REAL qytail, REAL* m) {
    REAL pxqy[8], qxpy[8];
    twoTwoProduct(px, pxtail, qy, qytail, pxqy);
    twoTwoProduct(qx, qxtail, -py, -pytail, qxpy);
    return sumZeroElim(8, pxqy, 8, qxpy, m);
  };
  // The minor times an exactly represented z difference (64 components).
  auto lift = [](int mLength, const REAL* m, REAL z, REAL ztail, REAL* out) {
    REAL byValue[32], byTail[32];
    int valueLength = scaleZeroElim(mLength, m, z, byValue);
    int tailLength = scaleZeroElim(mLength, m, ztail, byTail);
    return sumZeroElim(valueLength, byValue, tailLength, byTail, out);
  };

  REAL bc[16], ca[16], ab[16];
  int bcLength = minor2(bdx, bdxtail, bdy, bdytail, cdx, cdxtail, cdy, cdytail, bc);
  int caLength = minor2(cdx, cdxtail, cdy, cdytail, adx, adxtail, ady, adytail, ca);
  int abLength = minor2(adx, adxtail, ady, adytail, bdx, bdxtail, bdy, bdytail, ab);

  REAL adet[64], bdet[64], cdet[64], abdet[128], deter[192];
  int aLength = lift(bcLength, bc, adz, adztail, adet);
  int bLength = lift(caLength, ca, bdz, bdztail, bdet);
  int cLength = lift(abLength, ab, cdz, cdztail, cdet);
  int abdetLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  int length = sumZeroElim(abdetLength, abdet, cLength, cdet, deter);
  return deter[length - 1];
}

namespace {

// The tail terms of point p against q and r in the last stage of orient3d:
// toQ = pxtail*qy - pytail*qx and toR = pytail*rx - pxtail*ry, each kept as
// short as the zero tails allow. Returns the common length.
int orientationTails(REAL pxtail, REAL pytail, REAL qx, REAL qy, REAL rx, REAL ry, REAL* toQ, REAL* toR) {
  if (pxtail == 0.0L) {
    if (pytail == 0.0L) {
      toQ[0] = 0.0L;
      toR[0] = 0.0L;
      return 1;
    }
    twoProduct(-pytail, qx, toQ[1], toQ[0]);
    twoProduct(pytail, rx, toR[1], toR[0]);
    return 2;
  }
  if (pytail == 0.0L) {
    twoProduct(pxtail, qy, toQ[1], toQ[0]);
    twoProduct(-pxtail, ry, toR[1], toR[0]);
    return 2;
  }
  REAL s1, s0, t1, t0;
  twoProduct(pxtail, qy, s1, s0);
  twoProduct(pytail, qx, t1, t0);
  twoTwoDiff(s1, s0, t1, t0, toQ);
  twoProduct(pytail, rx, s1, s0);
  twoProduct(pxtail, ry, t1, t0);
  twoTwoDiff(s1, s0, t1, t0, toR);
  return 4;
}

}  // namespace

REAL orient3dadapt(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd, REAL permanent) {
  const PredicateConstants& k = bounds();
  REAL adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
  REAL ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
  REAL adz = pa[2] - pd[2], bdz = pb[2] - pd[2], cdz = pc[2] - pd[2];

  // Stage B: the exact determinant of the rounded differences.
  REAL bc[4], ca[4], ab[4];
  const int bcLength = exactMinorWithoutZeros(bdx, bdy, cdx, cdy, bc);
  const int caLength = exactMinorWithoutZeros(cdx, cdy, adx, ady, ca);
  const int abLength = exactMinorWithoutZeros(adx, ady, bdx, bdy, ab);
  REAL adet[8], bdet[8], cdet[8], abdet[16];
  int aLength = scaleZeroElim(bcLength, bc, adz, adet);
  int bLength = scaleZeroElim(caLength, ca, bdz, bdet);
  int cLength = scaleZeroElim(abLength, ab, cdz, cdet);
  int abdetLength = sumZeroElim(aLength, adet, bLength, bdet, abdet);
  REAL finA[192], finB[192];
  ExpansionAccumulator fin(finA, finB);
  fin.start(sumZeroElim(abdetLength, abdet, cLength, cdet, fin.data()));
  REAL det = estimateSum(fin.length(), fin.components());
  if (provenBy(det, k.o3derrboundB * permanent)) {
    ZEF_COUNT_STAGE(Orient3d, B);
    return det;
  }

  REAL adxtail = twoDiffTail(pa[0], pd[0], adx);
  REAL bdxtail = twoDiffTail(pb[0], pd[0], bdx);
  REAL cdxtail = twoDiffTail(pc[0], pd[0], cdx);
  REAL adytail = twoDiffTail(pa[1], pd[1], ady);
  REAL bdytail = twoDiffTail(pb[1], pd[1], bdy);
  REAL cdytail = twoDiffTail(pc[1], pd[1], cdy);
  REAL adztail = twoDiffTail(pa[2], pd[2], adz);
  REAL bdztail = twoDiffTail(pb[2], pd[2], bdz);
  REAL cdztail = twoDiffTail(pc[2], pd[2], cdz);
  if (adxtail == 0.0L && bdxtail == 0.0L && cdxtail == 0.0L && adytail == 0.0L && bdytail == 0.0L && cdytail == 0.0L &&
      adztail == 0.0L && bdztail == 0.0L && cdztail == 0.0L) {
    ZEF_COUNT_STAGE(Orient3d, ExactDifferences);
    return det;
  }

  // Stage C: first-order correction by the tails.
  REAL errbound = k.o3derrboundC * permanent + k.resulterrbound * absolute(det);
  det +=
      (adz * ((bdx * cdytail + cdy * bdxtail) - (bdy * cdxtail + cdx * bdytail)) + adztail * (bdx * cdy - bdy * cdx)) +
      (bdz * ((cdx * adytail + ady * cdxtail) - (cdy * adxtail + adx * cdytail)) + bdztail * (cdx * ady - cdy * adx)) +
      (cdz * ((adx * bdytail + bdy * adxtail) - (ady * bdxtail + bdx * adytail)) + cdztail * (adx * bdy - ady * bdx));
  if (provenBy(det, errbound)) {
    ZEF_COUNT_STAGE(Orient3d, C);
    return det;
  }

  // Stage D: add every remaining term exactly; or the exact form when it is
  // cheaper.
  if (tailsFavourExactForm(adxtail, adytail, adztail, bdxtail, bdytail, bdztail, cdxtail, cdytail, cdztail)) {
    ZEF_COUNT_STAGE(Orient3d, D);
    return orient3dexact(pa, pb, pc, pd);
  }
  REAL atB[4], atC[4], btC[4], btA[4], ctA[4], ctB[4];
  int atLength = orientationTails(adxtail, adytail, bdx, bdy, cdx, cdy, atB, atC);
  int btLength = orientationTails(bdxtail, bdytail, cdx, cdy, adx, ady, btC, btA);
  int ctLength = orientationTails(cdxtail, cdytail, adx, ady, bdx, bdy, ctA, ctB);

  // First-order xy tails of each minor, times the rounded z difference.
  REAL bct[8], cat[8], abt[8], w[16];
  int bctLength = sumZeroElim(btLength, btC, ctLength, ctB, bct);
  int wLength = scaleZeroElim(bctLength, bct, adz, w);
  fin.add(wLength, w);
  int catLength = sumZeroElim(ctLength, ctA, atLength, atC, cat);
  wLength = scaleZeroElim(catLength, cat, bdz, w);
  fin.add(wLength, w);
  int abtLength = sumZeroElim(atLength, atB, btLength, btA, abt);
  wLength = scaleZeroElim(abtLength, abt, cdz, w);
  fin.add(wLength, w);

  // The rounded-difference minors times the z tails.
  if (adztail != 0.0L) {
    wLength = scaleZeroElim(bcLength, bc, adztail, w);
    fin.add(wLength, w);
  }
  if (bdztail != 0.0L) {
    wLength = scaleZeroElim(caLength, ca, bdztail, w);
    fin.add(wLength, w);
  }
  if (cdztail != 0.0L) {
    wLength = scaleZeroElim(abLength, ab, cdztail, w);
    fin.add(wLength, w);
  }

  // Products of an x tail and a y tail, times a z difference and its tail.
  auto addTailProduct = [&](REAL xtail, REAL ytail, REAL z, REAL ztail) {
    REAL ti1, ti0, u[4];
    twoProduct(xtail, ytail, ti1, ti0);
    twoOneProduct(ti1, ti0, z, u);
    fin.add(4, u);
    if (ztail == 0.0L) return;
    twoOneProduct(ti1, ti0, ztail, u);
    fin.add(4, u);
  };
  if (adxtail != 0.0L) {
    if (bdytail != 0.0L) addTailProduct(adxtail, bdytail, cdz, cdztail);
    if (cdytail != 0.0L) addTailProduct(-adxtail, cdytail, bdz, bdztail);
  }
  if (bdxtail != 0.0L) {
    if (cdytail != 0.0L) addTailProduct(bdxtail, cdytail, adz, adztail);
    if (adytail != 0.0L) addTailProduct(-bdxtail, adytail, cdz, cdztail);
  }
  if (cdxtail != 0.0L) {
    if (adytail != 0.0L) addTailProduct(cdxtail, adytail, bdz, bdztail);
    if (bdytail != 0.0L) addTailProduct(-cdxtail, bdytail, adz, adztail);
  }

  // First-order xy tails times the z tails.
  if (adztail != 0.0L) {
    wLength = scaleZeroElim(bctLength, bct, adztail, w);
    fin.add(wLength, w);
  }
  if (bdztail != 0.0L) {
    wLength = scaleZeroElim(catLength, cat, bdztail, w);
    fin.add(wLength, w);
  }
  if (cdztail != 0.0L) {
    wLength = scaleZeroElim(abtLength, abt, cdztail, w);
    fin.add(wLength, w);
  }
  ZEF_COUNT_STAGE(Orient3d, D);
  return fin.largest();
}

namespace {

// The first stage with the permanent in REAL, as it always was: for the
// inputs the double permanent does not settle (see PredicateSupport.h).
// Kept out of line so that the fast path keeps no product alive for it.
[[gnu::noinline]] REAL orient3dRealPermanent(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  REAL adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
  REAL ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
  REAL adz = pa[2] - pd[2], bdz = pb[2] - pd[2], cdz = pc[2] - pd[2];
  REAL bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
  REAL cdxady = cdx * ady, adxcdy = adx * cdy;
  REAL adxbdy = adx * bdy, bdxady = bdx * ady;
  REAL det = adz * (bdxcdy - cdxbdy) + bdz * (cdxady - adxcdy) + cdz * (adxbdy - bdxady);
  REAL permanent = (absolute(bdxcdy) + absolute(cdxbdy)) * absolute(adz) +
                   (absolute(cdxady) + absolute(adxcdy)) * absolute(bdz) +
                   (absolute(adxbdy) + absolute(bdxady)) * absolute(cdz);
  REAL errbound = bounds().o3derrboundA * permanent;
  if (absolute(det) > errbound) {
    ZEF_COUNT_STAGE(Orient3d, A);
    return det;
  }
  return orient3dadapt(pa, pb, pc, pd, permanent);
}

}  // namespace

REAL orient3d(const REAL* pa, const REAL* pb, const REAL* pc, const REAL* pd) {
  // The same rounded determinant as orient3dRealPermanent. Each product
  // goes to double as soon as it is made, the three xy minors come first and
  // the z differences last, and d's coordinates are read once each: in that
  // order the fewest 80-bit values are spilled or loaded again (the x87 stack
  // has eight registers, and each 80-bit value spilled and reloaded costs
  // more than several operations).
  const REAL dx = pd[0], dy = pd[1];
  REAL bdx = pb[0] - dx, cdy = pc[1] - dy;
  REAL cdx = pc[0] - dx, bdy = pb[1] - dy;
  const MinorWithPair bc = minorWithPair(bdx, bdy, cdx, cdy);
  REAL adx = pa[0] - dx, ady = pa[1] - dy;
  const MinorWithPair ca = minorWithPair(cdx, cdy, adx, ady);
  const MinorWithPair ab = minorWithPair(adx, ady, bdx, bdy);
  const REAL dz = pd[2];
  REAL adz = pa[2] - dz;
  const double az = magnitude(adz);
  REAL det = adz * bc.value;
  REAL bdz = pb[2] - dz;
  const double bz = magnitude(bdz);
  det = det + bdz * ca.value;
  REAL cdz = pc[2] - dz;
  const double cz = magnitude(cdz);
  det = det + cdz * ab.value;

  const double permanent = bc.pair * az + ca.pair * bz + ab.pair * cz;
  const double smallest = std::min(std::min(std::min(bc.pair, ca.pair), std::min(ab.pair, az)), std::min(bz, cz));
  if (provenInDouble(det, doubleBounds.orient3dA, permanent, smallest, twoFactorFloor)) {
    ZEF_COUNT_STAGE(Orient3d, A);
    return det;
  }
  return orient3dRealPermanent(pa, pb, pc, pd);
}
