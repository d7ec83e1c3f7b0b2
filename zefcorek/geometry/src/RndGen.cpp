// CRndGen: the scaled draw, in extended precision.
#include "zefcorek/RndGen.h"

#include "zefcorek/ExtendedReal.h"

uint32_t CRndGen::Random32(uint32_t n) {
  if (n == 0) return 0;
  const ExtendedReal r = Random32();
  return uint32_t(r * (1.0L / 2147483647.0L) * ExtendedReal(n - 1));
}
