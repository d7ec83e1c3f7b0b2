// The kernel's square root of a magnitude.
#include "zefcorek/SSqrt.h"

#include <cmath>

long double SSqrt(double v) { return std::sqrt(std::fabs(static_cast<long double>(v))); }
