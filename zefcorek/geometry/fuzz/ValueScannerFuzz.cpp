// Feeds arbitrary UTF-16 text to every scanner of CDataFormatter in every
// unit, and formats what they accept in the same unit. The input is read
// as little-endian UTF-16 units; an odd last byte is dropped.
#include "zefcorek/DataFormatter.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(char16_t(data[i] | data[i + 1] << 8));
  CDataFormatter f;
  for (unsigned char unit = 0; unit <= 10; ++unit) {
    f.SelectAngularFormat(unit);
    if (unit == 10) {
      DF_ANGULARFMT bad = *f.GetAngularFormat();
      bad.UnitId = 10;
      f.SetAngularFormat(&bad);
    }
    double v = -1;
    const bool ok = f.ScanAngularValue(text.c_str(), &v);
    // A failed scan leaves 0.0; an accepted one a finite angle.
    if ((!ok && v != 0.0) || (ok && !std::isfinite(v))) std::abort();
    if (ok) {
      zef::fuzz::noteAccepted();
      (void)f.FmtAngularValueEx(v, true, -1);
    }
  }
  for (unsigned char unit = 0; unit < 3; ++unit) {
    f.SelectLinearFormat(unit);
    f.SelectAreaFormat(unit);
    f.SelectVolumeFormat(unit);
    double v = -1;
    const bool ok = f.ScanLinearValue(text.c_str(), &v);
    if ((!ok && v != 0.0) || (ok && !std::isfinite(v))) std::abort();
    (void)f.ScanAreaValue(text.c_str(), &v);
    (void)f.ScanVolumeValue(text.c_str(), &v);
    (void)f.FmtLinearValueEx(v, true, -1);
  }
  return 0;
}
