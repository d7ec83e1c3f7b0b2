// Reduction of angles to one turn and the azimuth functions built on it.
#include "zefcorek/Angles.h"

#include "zefcorek/ExtendedReal.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kThreeHalvesPi = 4.71238898038469;
// Beyond this many radians stepping by whole turns would take thousands of
// steps (and makes no progress at all once a turn is below the angle's
// precision), so the angle is first brought near the range with fmod.
constexpr double kSteppingLimit = 4096 * kTwoPi;

}  // namespace

double aeClampTo2PI(double a) {
  if (std::isnan(a)) return a;
  if (std::isinf(a)) return std::nan("");
  if (std::fabs(a) > kSteppingLimit) a = std::fmod(a, kTwoPi);
  while (a < 0.0) a = double(ExtendedReal(a) + kTwoPi);
  while (a > kTwoPi) a = double(ExtendedReal(a) - kTwoPi);
  return a;
}

double aeAngle2Azimuth(double t) { return aeClampTo2PI(double(ExtendedReal(kHalfPi) - t)); }

double aeCalcAzimutEx(const T_POINT2D* from, const T_POINT2D* to) {
  const ExtendedReal dx = ExtendedReal(to->x) - from->x;
  const ExtendedReal dy = ExtendedReal(to->y) - from->y;
  if (dx == 0.0L) return dy < 0.0L ? kPi : 0.0;
  return aeAngle2Azimuth(double(std::atan2(dy, dx)));
}

double aeCalcRightAngle(T_POINT2D a, T_POINT2D b, T_POINT2D c) {
  return aeClampTo2PI(double(ExtendedReal(aeCalcAzimutEx(&b, &a)) - aeCalcAzimutEx(&b, &c)));
}

double aeCalcAzimut(T_POINT2D from, T_POINT2D to) { return aeCalcAzimutEx(&from, &to); }

double aeInvertAzimuthFB(double azimuth) { return aeClampTo2PI(double(ExtendedReal(azimuth) - kPi)); }

namespace {

// The mean of two reduced azimuths, the second taken across north when the
// two lie too far apart (at least, or strictly more than, three quarters of
// a turn); a mean within `snap` of 2*pi is 0.
double meanAzimuth(double a1, double a2, bool farAtThreeQuarters, double snap) {
  const double gap = double(std::fabs(ExtendedReal(a2) - a1));
  const bool far = farAtThreeQuarters ? gap >= kThreeHalvesPi : gap > kThreeHalvesPi;
  if (far) a2 = double(a2 <= a1 ? ExtendedReal(a2) + kTwoPi : ExtendedReal(a2) - kTwoPi);
  double m = aeClampTo2PI(double((ExtendedReal(a1) + a2) * 0.5L));
  if (std::fabs(ExtendedReal(m) - kTwoPi) < snap) m = 0.0;
  return m;
}

}  // namespace

double aeAzimuthAvg(double a1, double a2) {
  return meanAzimuth(aeClampTo2PI(a1), aeClampTo2PI(a2), /*farAtThreeQuarters=*/true, 1e-8);
}

double aeAzimuthAvgFB(double a1, double a2) {
  const double reversed = aeClampTo2PI(aeInvertAzimuthFB(a2));
  return meanAzimuth(aeClampTo2PI(a1), reversed, /*farAtThreeQuarters=*/false, 1e-10);
}

double aeZenitAvg(double z1, double z2) { return aeAzimuthAvg(z1, z2); }

double aeInvertZenitFB(double zenith) { return aeClampTo2PI(double(ExtendedReal(kTwoPi) - zenith)); }

double aeZenitAvgFB(double z1, double z2) {
  // Each mirroring takes a reading above pi below it (a NaN never is above
  // pi, and an infinite one becomes -inf), so the loops end.
  while (z1 > kPi) z1 = double(ExtendedReal(kTwoPi) - z1);
  while (z2 > kPi) z2 = double(ExtendedReal(kTwoPi) - z2);
  return double((ExtendedReal(z1) + z2) * 0.5L);
}

double aeCalcLeftAngle(T_POINT2D a, T_POINT2D b, T_POINT2D c) {
  return aeClampTo2PI(double(ExtendedReal(aeCalcAzimutEx(&b, &c)) - aeCalcAzimutEx(&b, &a)));
}

void auCalcTrgAngles(T_POINT2D a, T_POINT2D b, T_POINT2D c, double* angleA, double* angleB, double* angleC) {
  const auto interior = [](double left) { return left > kPi ? double(ExtendedReal(kTwoPi) - left) : left; };
  *angleA = interior(aeCalcLeftAngle(c, a, b));
  *angleB = interior(aeCalcLeftAngle(a, b, c));
  *angleC = double(ExtendedReal(kPi) - *angleA - *angleB);
}
