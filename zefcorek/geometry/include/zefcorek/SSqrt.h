// The kernel's one square root: of a magnitude, in extended precision.
//
// Lengths are computed as sums of squares that rounding can leave a hair
// below zero; taking the root of the absolute value keeps such a length real
// (and tiny) instead of turning it into a NaN. The result is a long double
// so that callers keep extended precision through their next step.
#pragma once

#include "platform/Export.h"

// The square root of |v| as a long double; a NaN stays NaN.
ZEF_EXTERN_C long double SSqrt(double v);
