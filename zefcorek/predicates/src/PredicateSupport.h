// Helpers shared by the adaptive predicates: the sign test against an error
// bound, exact 2x2 minors and the running sum of a determinant's terms.
#pragma once

#include "zefcorek/Predicates.h"

#include "ExpansionArithmetic.h"

namespace zef::predicates {

// True when the bound proves det's sign; equality counts, as in every stage
// after the first (and a bound of 0 therefore accepts any value).
inline bool provenBy(REAL det, REAL bound) { return det >= bound || -det >= bound; }

// The exact 2x2 minor px*qy - qx*py of rounded values, in 4 components.
inline void exactMinor(REAL px, REAL py, REAL qx, REAL qy, REAL* m) {
  REAL pxqy1, pxqy0, qxpy1, qxpy0;
  twoProduct(px, qy, pxqy1, pxqy0);
  twoProduct(qx, py, qxpy1, qxpy0);
  twoTwoDiff(pxqy1, pxqy0, qxpy1, qxpy0, m);
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
    length_ = fast_expansion_sum_zeroelim(length_, sum_, termLength, term, spare_);
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

}  // namespace zef::predicates
