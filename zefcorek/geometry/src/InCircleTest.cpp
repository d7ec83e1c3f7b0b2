// The in-circle test widens the points to the predicates' extended
// precision, where the doubles are exact, and asks the adaptive predicate.
#include "zefcorek/InCircleTest.h"

#include "zefcorek/Predicates.h"

bool InCircleTest(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, const T_POINT2D* d) {
  const REAL pa[2] = {a->x, a->y};
  const REAL pb[2] = {b->x, b->y};
  const REAL pc[2] = {c->x, c->y};
  const REAL pd[2] = {d->x, d->y};
  return !(incircle(pa, pb, pc, pd) > 0.0L);
}
