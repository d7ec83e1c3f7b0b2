// MulDiv on a 64-bit product.
#include "platform/MulDiv.h"

#include <cstdint>
#include <limits>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  // |number * numerator| < 2^62, so neither the product nor twice the
  // remainder can overflow 64 bits.
  const int64_t product = int64_t{number} * numerator;
  int64_t quotient = product / denominator;
  const int64_t remainder = product % denominator;
  const int64_t absRemainder = remainder < 0 ? -remainder : remainder;
  const int64_t absDenominator = denominator < 0 ? -int64_t{denominator} : denominator;
  if (2 * absRemainder >= absDenominator) {
    // Away from zero: the sign of the exact quotient.
    const bool negative = (product < 0) != (denominator < 0);
    quotient += negative ? -1 : 1;
  }
  if (quotient < std::numeric_limits<int32_t>::min() || quotient > std::numeric_limits<int32_t>::max()) {
    return -1;
  }
  return static_cast<int>(quotient);
}
