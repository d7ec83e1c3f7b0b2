// The two expansion routines the adaptive predicates spend their time in:
// the merging sum and the scaling by one number, zero elimination included;
// the compression and the estimate of an expansion's value.
//
// They are inline here, written once: the exported fast_expansion_sum and
// scale_expansion families call them, and the predicates call them directly,
// so that they are expanded into the adaptive routines instead of being
// reached through the library's exported (interposable) symbols. Their
// results are those of the algorithms of Priest and Shewchuk component for
// component: the same operations in the same order.
//
// Zero elimination stores every component and advances the output index
// only past a nonzero one, so it costs no branch on data; the merge picks
// the smaller of the two next components by a select. The output may
// therefore be written one component beyond what is finally kept, but never
// beyond the sum of the input lengths (the space callers provide anyway),
// and it must not overlap the input.
#pragma once

#include "ExpansionArithmetic.h"

namespace zefcorek::predicates::kernels {

// Stores a component; with zero elimination a zero one is overwritten by
// the next.
template <bool ZeroElim>
inline void store(REAL value, REAL* h, int& hIndex) {
  h[hIndex] = value;
  hIndex += ZeroElim ? int{value != 0.0L} : 1;
}

// The final, largest component: kept even when zero if nothing else was.
template <bool ZeroElim>
inline void storeLast(REAL value, REAL* h, int& hIndex) {
  h[hIndex] = value;
  hIndex += ZeroElim ? int{value != 0.0L || hIndex == 0} : 1;
}

// The next component of e or f in order of increasing magnitude; e's wins
// when both have the same magnitude. Both must have components left.
inline REAL pickSmaller(const REAL* e, int& eIndex, const REAL* f, int& fIndex) {
  const REAL eNow = e[eIndex];
  const REAL fNow = f[fIndex];
  const bool takesE = (fNow > eNow) == (fNow > -eNow);
  eIndex += int{takesE};
  fIndex += int{!takesE};
  return takesE ? eNow : fNow;
}

// h = e + f, both nonoverlapping and sorted by increasing magnitude.
template <bool ZeroElim>
inline int sumExpansions(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  int eIndex = 0, fIndex = 0, hIndex = 0;
  REAL q;
  if (fIndex >= flen) {
    q = e[eIndex++];
  } else if (eIndex >= elen) {
    q = f[fIndex++];
  } else {
    q = pickSmaller(e, eIndex, f, fIndex);
  }
  REAL tail;
  if (eIndex < elen && fIndex < flen) {
    fastTwoSum(pickSmaller(e, eIndex, f, fIndex), q, q, tail);
    store<ZeroElim>(tail, h, hIndex);
    while (eIndex < elen && fIndex < flen) {
      twoSum(q, pickSmaller(e, eIndex, f, fIndex), q, tail);
      store<ZeroElim>(tail, h, hIndex);
    }
  }
  for (; eIndex < elen; ++eIndex) {
    twoSum(q, e[eIndex], q, tail);
    store<ZeroElim>(tail, h, hIndex);
  }
  for (; fIndex < flen; ++fIndex) {
    twoSum(q, f[fIndex], q, tail);
    store<ZeroElim>(tail, h, hIndex);
  }
  storeLast<ZeroElim>(q, h, hIndex);
  return hIndex;
}

// h = e * b; b is split once for every product.
template <bool ZeroElim>
inline int scaleExpansion(int elen, const REAL* e, REAL b, REAL* h) {
  REAL bHi, bLo;
  split(b, bHi, bLo);
  REAL q, tail;
  twoProductPresplit(e[0], b, bHi, bLo, q, tail);
  int hIndex = 0;
  store<ZeroElim>(tail, h, hIndex);
  for (int i = 1; i < elen; ++i) {
    REAL product1, product0, sum;
    twoProductPresplit(e[i], b, bHi, bLo, product1, product0);
    twoSum(q, product0, sum, tail);
    store<ZeroElim>(tail, h, hIndex);
    // The high part of this product is at least as large as the sum of
    // everything below it, so the cheaper sum is exact; the plain form keeps
    // the general one.
    if constexpr (ZeroElim) {
      fastTwoSum(product1, sum, q, tail);
    } else {
      twoSum(product1, sum, q, tail);
    }
    store<ZeroElim>(tail, h, hIndex);
  }
  storeLast<ZeroElim>(q, h, hIndex);
  return hIndex;
}

// h = e with fewer, larger components; h may be e.
inline int compressExpansion(int elen, const REAL* e, REAL* h) {
  // Downward pass: gather from the top, leaving behind each nonzero
  // remainder; upward pass: push the remainders back down the same way.
  int bottom = elen - 1;
  REAL q = e[bottom];
  for (int i = elen - 2; i >= 0; --i) {
    REAL qNew, tail;
    fastTwoSum(q, e[i], qNew, tail);
    if (tail != 0.0L) {
      h[bottom--] = qNew;
      q = tail;
    } else {
      q = qNew;
    }
  }
  int top = 0;
  for (int i = bottom + 1; i < elen; ++i) {
    REAL qNew, tail;
    fastTwoSum(h[i], q, qNew, tail);
    if (tail != 0.0L) h[top++] = tail;
    q = qNew;
  }
  h[top] = q;
  return top + 1;
}

// The rounded sum of the components, smallest first.
inline REAL sumComponents(int elen, const REAL* e) {
  REAL q = e[0];
  for (int i = 1; i < elen; ++i) q += e[i];
  return q;
}

}  // namespace zefcorek::predicates::kernels

namespace zefcorek::predicates {

// What the adaptive routines call in place of the exported forms.
inline int sumZeroElim(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  return kernels::sumExpansions<true>(elen, e, flen, f, h);
}
inline int scaleZeroElim(int elen, const REAL* e, REAL b, REAL* h) {
  return kernels::scaleExpansion<true>(elen, e, b, h);
}
// The exported estimate is reached through the library's symbol table even
// from inside it; this one is expanded in place.
inline REAL estimateSum(int elen, const REAL* e) { return kernels::sumComponents(elen, e); }

}  // namespace zefcorek::predicates
