// Reduction of angles to one turn and the azimuth functions built on it.
#include "zefcorek/Angles.h"

#include "zefcorek/ExtendedReal.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
// Beyond this many radians stepping by whole turns would take thousands of
// steps (and makes no progress at all once a turn is below the angle's
// precision), so the angle is first brought near the range with fmod.
constexpr double kSteppingLimit = 4096 * kTwoPi;

}  // namespace

double aeClampTo2PI(double a) {
  if (std::isnan(a))
    return a;
  if (std::isinf(a))
    return std::nan("");
  if (std::fabs(a) > kSteppingLimit)
    a = std::fmod(a, kTwoPi);
  while (a < 0.0)
    a = double(ExtendedReal(a) + kTwoPi);
  while (a > kTwoPi)
    a = double(ExtendedReal(a) - kTwoPi);
  return a;
}

double aeAngle2Azimuth(double t) { return aeClampTo2PI(double(ExtendedReal(kHalfPi) - t)); }

double aeCalcAzimutEx(const T_POINT2D* from, const T_POINT2D* to) {
  const ExtendedReal dx = ExtendedReal(to->x) - from->x;
  const ExtendedReal dy = ExtendedReal(to->y) - from->y;
  if (dx == 0.0L)
    return dy < 0.0L ? kPi : 0.0;
  return aeAngle2Azimuth(double(std::atan2(dy, dx)));
}

double aeCalcRightAngle(T_POINT2D a, T_POINT2D b, T_POINT2D c) {
  return aeClampTo2PI(double(ExtendedReal(aeCalcAzimutEx(&b, &a)) - aeCalcAzimutEx(&b, &c)));
}
