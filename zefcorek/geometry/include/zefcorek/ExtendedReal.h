// The working precision of the geometry value classes.
//
// Coordinates are stored as doubles, but the value classes form their
// intermediate results in the 80-bit extended precision of long double and
// round to double only where a value is stored or returned as a double. On
// x86-64 double arithmetic runs in SSE registers, so nothing is extended
// unless the code says so: every such expression widens its first operand
// with ExtendedReal(...) so the rest of it is evaluated in long double.
#pragma once

using ExtendedReal = long double;
