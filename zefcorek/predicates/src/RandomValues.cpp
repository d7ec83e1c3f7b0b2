// Random test values for exercising the predicates and the expansion
// routines: wide-range, narrow-range and uniform numbers in extended and in
// single precision.
//
// Each value is built from draws of the C library's rand() (never seeded
// here, so a client controls the sequence with srand): the first draw gives
// the significand and the sign, the last one, for the ranged forms, picks
// which of a ladder of squared powers of two multiply it.
#include "zefcorek/Predicates.h"

#include <cstdlib>

namespace {

constexpr int signOffset = 1073741824;  // 2^30: centres the draw on zero

// Multiplies value by 2^(2^k) for each bit k (from bit 9 on) of exponentBits
// that is set, while the bit is at most lastBit. Float forms round after
// each step, as the arithmetic in that type does.
template <typename Number>
Number scaleByExponentBits(Number value, int exponentBits, int lastBit) {
  Number expo = 2.0;
  for (int bit = 512; bit <= lastBit; bit *= 2) {
    if (exponentBits & bit) value = static_cast<Number>(value * expo);
    expo = static_cast<Number>(expo * expo);
  }
  return value;
}

REAL extendedSignificand(int a, int b) {
  return static_cast<REAL>(a - signOffset) * 8388608.0L + static_cast<REAL>(b >> 8);
}

float floatSignificand(int a) { return static_cast<float>((a - signOffset) >> 6); }

}  // namespace

REAL doublerand(void) {
  int a = std::rand();
  int b = std::rand();
  int c = std::rand();
  return scaleByExponentBits(extendedSignificand(a, b), c, 131072);
}

REAL narrowdoublerand(void) {
  int a = std::rand();
  int b = std::rand();
  int c = std::rand();
  return scaleByExponentBits(extendedSignificand(a, b), c, 2048);
}

REAL uniformdoublerand(void) {
  int a = std::rand();
  int b = std::rand();
  return extendedSignificand(a, b);
}

float floatrand(void) {
  int a = std::rand();
  int c = std::rand();
  return scaleByExponentBits(floatSignificand(a), c, 16384);
}

float narrowfloatrand(void) {
  int a = std::rand();
  int c = std::rand();
  return scaleByExponentBits(floatSignificand(a), c, 2048);
}

float uniformfloatrand(void) {
  int a = std::rand();
  return floatSignificand(a);
}
