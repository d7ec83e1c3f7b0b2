// Arithmetic on expansions: sums, products by a number, compression and
// estimation.
//
// An expansion holds a value as the exact sum of nonoverlapping REAL
// components in order of increasing magnitude. The routines follow Priest's
// and Shewchuk's algorithms: sums grow an expansion one component at a time
// (grow_expansion, expansion_sum) or merge two expansions by magnitude
// (fast_expansion_sum, linear_expansion_sum); products scale by one number.
// The _zeroelim forms drop the zero components that the plain forms leave.
#include "zefcorek/Predicates.h"

#include "ExpansionArithmetic.h"
#include "ExpansionKernels.h"

using namespace zefcorek::predicates;

namespace {

// Hands out the components of two expansions in order of increasing
// magnitude, as the merging sums take them. Never reads past either end.
class MergeCursor {
public:
  MergeCursor(int eLength, const REAL* e, int fLength, const REAL* f)
      : e_(e), f_(f), eLength_(eLength), fLength_(fLength) {}

  bool bothRemain() const { return eIndex_ < eLength_ && fIndex_ < fLength_; }
  int remaining() const { return eLength_ - eIndex_ + fLength_ - fIndex_; }

  // The smaller of the two next components; e's wins when both have the
  // same magnitude. Only called while remaining() > 0.
  REAL next() {
    if (fIndex_ >= fLength_) return e_[eIndex_++];
    if (eIndex_ >= eLength_) return f_[fIndex_++];
    REAL eNow = e_[eIndex_];
    REAL fNow = f_[fIndex_];
    if ((fNow > eNow) == (fNow > -eNow)) {
      ++eIndex_;
      return eNow;
    }
    ++fIndex_;
    return fNow;
  }

private:
  const REAL* e_;  // first input and its length; eIndex_ is its next unread component
  const REAL* f_;  // second input, likewise
  int eLength_;
  int fLength_;
  int eIndex_ = 0;
  int fIndex_ = 0;
};

using kernels::store;
using kernels::storeLast;

template <bool ZeroElim>
int growExpansion(int elen, const REAL* e, REAL b, REAL* h) {
  REAL q = b;
  int hIndex = 0;
  for (int i = 0; i < elen; ++i) {
    REAL tail;
    twoSum(q, e[i], q, tail);
    store<ZeroElim>(tail, h, hIndex);
  }
  storeLast<ZeroElim>(q, h, hIndex);
  return hIndex;
}

template <bool ZeroElim>
int linearExpansionSum(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  MergeCursor cursor(elen, e, flen, f);
  REAL g0 = cursor.next();
  REAL q, qTail;
  fastTwoSum(cursor.next(), g0, q, qTail);
  int hIndex = 0;
  while (cursor.remaining() > 0) {
    REAL r, tail;
    fastTwoSum(cursor.next(), qTail, r, tail);
    store<ZeroElim>(tail, h, hIndex);
    twoSum(q, r, q, qTail);
  }
  store<ZeroElim>(qTail, h, hIndex);
  storeLast<ZeroElim>(q, h, hIndex);
  return hIndex;
}

}  // namespace

int grow_expansion(int elen, const REAL* e, REAL b, REAL* h) { return growExpansion<false>(elen, e, b, h); }

int grow_expansion_zeroelim(int elen, const REAL* e, REAL b, REAL* h) { return growExpansion<true>(elen, e, b, h); }

int expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  // Grow e by each component of f in turn, starting each pass where the
  // previous component settled, since smaller parts cannot change.
  int hLast = grow_expansion(elen, e, f[0], h) - 1;
  for (int j = 1; j < flen; ++j) {
    REAL q = f[j];
    for (int i = j; i <= hLast; ++i) twoSum(q, h[i], q, h[i]);
    h[++hLast] = q;
  }
  return hLast + 1;
}

int expansion_sum_zeroelim1(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  int length = expansion_sum(elen, e, flen, f, h);
  int kept = 0;
  for (int i = 0; i < length; ++i) {
    if (h[i] != 0.0L) h[kept++] = h[i];
  }
  if (kept == 0) {
    h[0] = 0.0L;
    return 1;
  }
  return kept;
}

int expansion_sum_zeroelim2(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  // One pass adds q to the `count` components of `from` into h from index
  // 0, keeping the nonzero tails and then q, zero or not; it answers the
  // index of q. A pass over h reads each component before writing it.
  auto pass = [h](int count, const REAL* from, REAL q) {
    int hIndex = 0;
    for (int i = 0; i < count; ++i) {
      REAL tail;
      twoSum(q, from[i], q, tail);
      store<true>(tail, h, hIndex);
    }
    h[hIndex] = q;
    return hIndex;
  };
  int hLast = pass(elen, e, f[0]);
  for (int j = 1; j < flen; ++j) hLast = pass(hLast + 1, h, f[j]);
  return hLast + 1;
}

int fast_expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  return kernels::sumExpansions<false>(elen, e, flen, f, h);
}

int fast_expansion_sum_zeroelim(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  return kernels::sumExpansions<true>(elen, e, flen, f, h);
}

int linear_expansion_sum(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  return linearExpansionSum<false>(elen, e, flen, f, h);
}

int linear_expansion_sum_zeroelim(int elen, const REAL* e, int flen, const REAL* f, REAL* h) {
  return linearExpansionSum<true>(elen, e, flen, f, h);
}

int scale_expansion(int elen, const REAL* e, REAL b, REAL* h) { return kernels::scaleExpansion<false>(elen, e, b, h); }

int scale_expansion_zeroelim(int elen, const REAL* e, REAL b, REAL* h) {
  return kernels::scaleExpansion<true>(elen, e, b, h);
}

int compress(int elen, const REAL* e, REAL* h) { return kernels::compressExpansion(elen, e, h); }

REAL estimate(int elen, const REAL* e) { return kernels::sumComponents(elen, e); }
