// Packed degree-minute-second angles DDD.MMSSs...: the whole degrees before
// the point, two digits of minutes and then the seconds after it, as
// 12.345678 for 12 deg 34' 56.78".
#pragma once

#include "platform/Export.h"

// The radians of a packed angle, computed in extended precision. Minutes and
// seconds are read with a nudge of 1e-7 (1e-5 of a second) so that digits
// stored as 0.29999... still give 30.
ZEF_EXTERN_C double DMS2RAD(double packed);

// Takes a packed angle apart: whole degrees, minutes and seconds (the last
// six digits of the fraction printed with eight decimals, so the seconds
// keep four decimals) and the sign (+1 or -1; a negative zero is positive).
// A fraction that prints as 1.00000000 carries into the degrees.
ZEF_EXTERN_C void SplitDMS(double packed, double* degrees, double* minutes, double* seconds, int* sign);
