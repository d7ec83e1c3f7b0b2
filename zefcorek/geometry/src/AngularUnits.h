// The angular units a DF_ANGULARFMT record can select, by UnitId: the
// formatter and the scanner of CDataFormatter dispatch on the same ids.
#pragma once

#include <cstdint>

namespace zefcorek {

enum AngularUnit : uint8_t {
  kGons = 0,
  kDegrees = 1,
  kPackedDms = 2,
  kLatitude = 3,
  kLongitude = 4,
  kArcSeconds = 5,
  kMils = 6,
  kPackedDmsSeconds = 7,
  kLatitudeDegrees = 8,
  kLongitudeDegrees = 9,
};

}  // namespace zefcorek
