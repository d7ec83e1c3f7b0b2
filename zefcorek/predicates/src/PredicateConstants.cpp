// The splitter and the error bounds of the predicates, derived at start-up
// from the precision that the floating-point unit is set to.
//
// The bounds are those of the adaptive-precision predicates of Shewchuk
// ("Adaptive Precision Floating-Point Arithmetic and Fast Robust Geometric
// Predicates", 1997), expressed in terms of the machine epsilon, so that they
// hold for whichever significand width is in force: 2^-64 and a splitter of
// 2^32 + 1 under extended precision, 2^-53 and 2^27 + 1 under double.
#include "zefcorek/Predicates.h"

#include "ExpansionArithmetic.h"

namespace zefcorek::predicates {
PredicateConstants predicateConstants;
DoubleBounds doubleBounds;
}  // namespace zefcorek::predicates

using zefcorek::predicates::PredicateConstants;
using zefcorek::predicates::predicateConstants;
using zefcorek::predicates::doubleBounds;

void predicates_init() {
  REAL half = 0.5L;
  REAL epsilon = 1.0L;
  REAL splitter = 1.0L;
  // Stored through a volatile so that the compiler cannot fold the loop at
  // build time: the answer must come from the precision control in force.
  volatile REAL check = 1.0L;
  REAL lastCheck;
  bool everyOther = true;
  // Halve epsilon until 1 + epsilon rounds to 1, doubling the splitter every
  // second time so that it ends as 2^ceil(p/2).
  do {
    lastCheck = check;
    epsilon *= half;
    if (everyOther) splitter *= 2.0L;
    everyOther = !everyOther;
    check = 1.0L + epsilon;
  } while (check != 1.0L && check != lastCheck);
  splitter += 1.0L;

  REAL e = epsilon;
  auto bound = [e](REAL k0, REAL k1) { return (e * k1 + k0) * e; };
  PredicateConstants& c = predicateConstants;
  c.splitter = splitter;
  c.resulterrbound = bound(3.0L, 8.0L);
  c.ccwerrboundA = bound(3.0L, 16.0L);
  c.ccwerrboundB = bound(2.0L, 12.0L);
  c.ccwerrboundC = bound(9.0L, 64.0L) * e;
  c.o3derrboundA = bound(7.0L, 56.0L);
  c.o3derrboundB = bound(3.0L, 28.0L);
  c.o3derrboundC = bound(26.0L, 288.0L) * e;
  c.iccerrboundA = bound(10.0L, 96.0L);
  c.iccerrboundB = bound(4.0L, 48.0L);
  c.iccerrboundC = bound(44.0L, 576.0L) * e;
  c.isperrboundA = bound(16.0L, 224.0L);
  c.isperrboundB = bound(5.0L, 72.0L);
  c.isperrboundC = bound(71.0L, 1408.0L) * e;

  // The REAL permanent of a first stage takes at most 8 roundings of
  // relative size e, so it is at most (1 + 16e) times the exact permanent of
  // its rounded products; the double one, under the conditions checked
  // beside it, at least (1 - 2^-49) times that. Raising each bound by
  // 16e + 2^-46 (which also covers rounding the bound itself to double and
  // the one multiply by it) keeps bound * double permanent above the old
  // bound * REAL permanent.
  const REAL raise = 1.0L + 16.0L * e + 0x1p-46L;
  doubleBounds.orient3dA = double(c.o3derrboundA * raise);
  doubleBounds.incircleA = double(c.iccerrboundA * raise);
  doubleBounds.insphereA = double(c.isperrboundA * raise);
}
