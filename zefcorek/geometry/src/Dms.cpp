// Packed degree-minute-second angles.
#include "zefcorek/Dms.h"

#include "zefcorek/ExtendedReal.h"

#include "platform/Format.h"
#include "platform/Scan.h"

#include <cmath>
#include <string_view>

namespace {

constexpr double kPi = 3.141592653589793;
// 0.01, 1/60, 1/3600 and 1/180 with their mantissas cut to 56 bits.
constexpr ExtendedReal kHundredth = 0xa.3d70a3d70a3d7p-10L;
constexpr ExtendedReal kOneOver60 = 0x8.8888888888888p-9L;
constexpr ExtendedReal kOneOver3600 = 0x9.1a2b3c4d5e6f8p-15L;
constexpr ExtendedReal kOneOver180 = 0xb.60b60b60b60b6p-11L;
// The nudge that reads digits stored a hair low as the intended ones: the
// extended value nearest to 1e-7.
constexpr ExtendedReal kNudge = 1e-7L;

}  // namespace

double DMS2RAD(double packed) {
  int sign = 1;
  if (packed < 0) {
    sign = -1;
    packed = -packed;
  }
  const double degrees = std::floor(packed);
  double fraction = packed - degrees;
  const double minutes = std::floor(double((fraction + kNudge) * 100));
  fraction = double(fraction - kHundredth * minutes);
  fraction = double(100 * ExtendedReal(fraction));
  const double seconds = double((fraction + kNudge) * 100);
  const ExtendedReal sum = minutes * kOneOver60 + degrees + seconds * kOneOver3600;
  return double(sum * sign * kPi * kOneOver180);
}

void SplitDMS(double packed, double* degrees, double* minutes, double* seconds, int* sign) {
  *sign = 1;
  if (packed < 0) {
    *sign = -1;
    packed = -packed;
  }
  *degrees = std::floor(packed);
  const double fraction = packed - *degrees;

  // "0.34567800": minutes are the first two decimals, seconds the rest
  // with two digits before their point.
  const std::u16string text = platform::formatText(u"%0.8lf", fraction);
  const std::u16string_view view(text);
  if (!view.empty() && view[0] == u'1') *degrees += 1;  // a fraction of at least 0.999999995 prints as 1.00000000
  *minutes = 0;
  if (view.size() >= 4) (void)platform::scanText(view.substr(2, 2), u"%lf", minutes);
  *seconds = 0;
  if (view.size() >= 5) {
    const std::u16string_view tail = view.substr(4);
    (void)platform::scanText(tail, u"%lf", seconds);
    if (tail.size() > 2) *seconds /= std::pow(10.0, double(tail.size() - 2));
  }
}
