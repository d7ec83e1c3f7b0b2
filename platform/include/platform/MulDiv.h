// MulDiv: scale a 32-bit number by a ratio without losing the product.
//
// Callers convert between resolutions (dots per inch and per metre, 4-bit to
// 8-bit grey levels) with it, so the result must be the exactly rounded
// quotient of the 64-bit product, not the quotient of a wrapped one.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// (number * numerator) / denominator, the product held in 64 bits and the
// quotient rounded half away from zero. -1 when the denominator is 0 or the
// rounded quotient does not fit 32 bits (never a wrapped number).
ZEF_EXTERN_C int MulDiv(int number, int numerator, int denominator);
