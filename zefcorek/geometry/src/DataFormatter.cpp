// The value formatter: unit tables, plain decimal text, the degree-minute-
// second forms and the conversions to the current unit.
//
// Every text is printed by the platform's printf engine into the object's
// fixed buffers: first the format of the call into FmtBuffer (from a
// template whose percent signs are doubled), then the value into OutBuffer.
// The engine never writes past a buffer and counts the full length, so a
// text that would not fit is seen and replaced by the empty text. The
// engine's fixed-point digits are correctly rounded, ties to even.
#include "zefcorek/DataFormatter.h"

#include "AngularUnits.h"

#include "zefcorek/ExtendedReal.h"

#include "platform/Format.h"
#include "platform/Scan.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kUsFoot = 1.0 / 3.2808;  // 3.2808 feet to the metre
constexpr double kFoot = 0.3048;
constexpr double kUsableLimit = 1e38;
// Arc seconds per radian: the double nearest to 648000 / pi.
constexpr double kArcSecondsPerRadian = 206264.80624709636;
// 1/3600 and 1/60 with their mantissas cut to 56 bits.
constexpr ExtendedReal kOneOver3600 = 0x9.1a2b3c4d5e6f8p-15L;
constexpr ExtendedReal kOneOver60 = 0x8.8888888888888p-9L;

constexpr std::u16string_view kErrorText = u"#error#";

struct UnitRow {
  const char16_t* suffix;
  double factor;
  uint8_t decimals;
};

constexpr UnitRow kLinearUnits[] = {
    {u"m", 1.0, 3},
    {u"ft", kFoot, 3},
    {u"US ft", kUsFoot, 3},
};
constexpr UnitRow kAreaUnits[] = {
    {u"m\u00B2", 1.0, 3},
    {u"ft\u00B2", kFoot* kFoot, 3},
    {u"US ft\u00B2", kUsFoot* kUsFoot, 3},
};
constexpr UnitRow kVolumeUnits[] = {
    {u"m\u00B3", 1.0, 3},
    {u"ft\u00B3", kFoot* kFoot* kFoot, 3},
    {u"US ft\u00B3", kUsFoot* kUsFoot* kUsFoot, 3},
};
constexpr UnitRow kAngularUnits[] = {
    {u"grad", kPi / 200, 4},   // 0 gons
    {u"deg", kPi / 180, 4},    // 1 decimal degrees
    {u"dms", kPi / 180, 4},    // 2 packed DDD.MMSSs
    {u"", kPi / 180, 5},       // 3 latitude with N or S
    {u"", kPi / 180, 5},       // 4 longitude with E or W
    {u"\"", kPi / 648000, 4},  // 5 arc seconds
    {u"mil", kPi / 3200, 4},   // 6 mils
    {u"", -1.0, 5},            // 7 packed DDDMMSS.s
    {u"deg", kPi / 180, 4},    // 8 latitude in decimal degrees
    {u"deg", kPi / 180, 4},    // 9 longitude in decimal degrees
};

using enum zefcorek::AngularUnit;

bool isPlainAngularUnit(uint8_t unit) {
  switch (unit) {
    case kGons:
    case kDegrees:
    case kArcSeconds:
    case kMils:
    case kLatitudeDegrees:
    case kLongitudeDegrees: return true;
    default: return false;
  }
}

bool isDmsUnit(uint8_t unit) {
  return unit == kPackedDms || unit == kLatitude || unit == kLongitude || unit == kPackedDmsSeconds;
}

bool isUsable(double v) { return std::isfinite(v) && v >= -kUsableLimit && v <= kUsableLimit; }

template <size_t N>
void selectRow(DF_UNITFMT& fmt, const UnitRow (&table)[N], unsigned char unitId) {
  const size_t id = unitId < N ? unitId : 0;
  std::memset(&fmt, 0, sizeof fmt);
  fmt.UnitId = uint8_t(id);
  fmt.Decimals = table[id].decimals;
  fmt.Factor = table[id].factor;
  const std::u16string_view suffix = table[id].suffix;
  suffix.copy(fmt.Suffix, suffix.size());
}

size_t textLength(const WCHAR* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return n;
}

// Prints into buf (terminated); false, with buf empty, when the text would
// not fit with its terminator.
template <size_t N, class... Args>
bool printInto(WCHAR (&buf)[N], std::u16string_view format, const Args&... args) {
  const platform::FormatArg stored[] = {platform::FormatArg::from(args)..., platform::FormatArg::from(0)};
  platform::FormatOutput<char16_t> out{buf, N - 1, 0};
  (void)platform::formatArgs(out, format, std::span(stored, sizeof...(Args)));
  if (out.length > N - 1) {
    buf[0] = 0;
    return false;
  }
  buf[out.length] = 0;
  return true;
}

// Appends text to the terminated text in buf; false, with buf empty, when
// the whole would not fit.
template <size_t N>
bool appendTo(WCHAR (&buf)[N], std::u16string_view text) {
  const size_t used = textLength(buf, N);
  if (used + text.size() > N - 1) {
    buf[0] = 0;
    return false;
  }
  text.copy(buf + used, text.size());
  buf[used + text.size()] = 0;
  return true;
}

// An angle split into sign, whole degrees, whole minutes and seconds.
struct Dms {
  int32_t sign;
  double degrees;
  double minutes;
  double seconds;
};

// Through arc seconds, with each product rounded to double before floor.
// False when the whole degrees do not fit a 32-bit integer.
bool decompose(double value, Dms& out) {
  out.sign = 1;
  if (value < 0) {
    out.sign = -1;
    value = -value;
  }
  const double arcSeconds = value * kArcSecondsPerRadian;
  out.degrees = std::floor(double(arcSeconds * kOneOver3600));
  const double rest = arcSeconds - 3600 * out.degrees;
  out.minutes = std::floor(double(rest * kOneOver60));
  out.seconds = rest - 60 * out.minutes;
  return out.degrees <= double(std::numeric_limits<int32_t>::max());
}

// The width of the seconds field: two digits, and with decimals the point
// and the decimals. The bare d + 3 would give three digits of seconds when
// d is 0, and a packed DDDMMSS text would then read back as another angle.
int32_t secondsWidth(int32_t d) { return d > 0 ? d + 3 : 2; }

// The signed whole degrees of a packed form. An angle between -1 and 0
// degrees has 0 whole degrees, and s * D would lose its sign: the field is
// then written as the text "-00" in place of the number.
int32_t signedDegrees(const Dms& dms) { return dms.sign * int32_t(dms.degrees); }
bool signLostInDegrees(const Dms& dms) { return dms.sign < 0 && dms.degrees == 0; }

}  // namespace

CDataFormatter::CDataFormatter() : FmtBuffer{}, OutBuffer{}, AdjustFmtEvent(nullptr) {
  SelectLinearFormat(0);
  SelectAngularFormat(0);
  SelectAreaFormat(0);
  SelectVolumeFormat(0);
}

CDataFormatter::~CDataFormatter() = default;

DF_LINEARFMT* CDataFormatter::SelectLinearFormat(unsigned char unitId) {
  selectRow(LinearFmt, kLinearUnits, unitId);
  ForceAdjustFmtEvent(true, false, false, false);
  return &LinearFmt;
}

DF_ANGULARFMT* CDataFormatter::SelectAngularFormat(unsigned char unitId) {
  selectRow(AngularFmt, kAngularUnits, unitId);
  ForceAdjustFmtEvent(false, true, false, false);
  return &AngularFmt;
}

DF_AREAFMT* CDataFormatter::SelectAreaFormat(unsigned char unitId) {
  selectRow(AreaFmt, kAreaUnits, unitId);
  ForceAdjustFmtEvent(false, false, true, false);
  return &AreaFmt;
}

DF_VOLUMEFMT* CDataFormatter::SelectVolumeFormat(unsigned char unitId) {
  selectRow(VolumeFmt, kVolumeUnits, unitId);
  ForceAdjustFmtEvent(false, false, false, true);
  return &VolumeFmt;
}

void CDataFormatter::ForceAdjustFmtEvent(bool linear, bool angular, bool area, bool volume) {
  if (AdjustFmtEvent == nullptr || !(linear || angular || area || volume)) return;
  (void)AdjustFmtEvent(this, linear ? &LinearFmt : nullptr, angular ? &AngularFmt : nullptr, area ? &AreaFmt : nullptr,
                       volume ? &VolumeFmt : nullptr);
}

const WCHAR* CDataFormatter::emptyText() {
  OutBuffer[0] = 0;
  return OutBuffer;
}

const WCHAR* CDataFormatter::errorText() {
  (void)printInto(OutBuffer, kErrorText);
  return OutBuffer;
}

const WCHAR* CDataFormatter::plainText(const DF_UNITFMT& fmt, double value, int decimals, bool suffix) {
  const int32_t d = decimals >= 0 ? decimals : fmt.Decimals;
  if (!printInto(FmtBuffer, u"%%0.%ldf", d)) return emptyText();
  if (!printInto(OutBuffer, std::u16string_view(FmtBuffer), value / fmt.Factor)) return emptyText();
  if (suffix && !appendTo(OutBuffer, std::u16string_view(fmt.Suffix, textLength(fmt.Suffix, 18)))) return emptyText();
  return OutBuffer;
}

const WCHAR* CDataFormatter::FmtLinearValue(double value, int decimals) {
  return FmtLinearValueEx(value, false, decimals);
}

const WCHAR* CDataFormatter::FmtLinearValueEx(double value, bool suffix, int decimals) {
  if (!isUsable(value)) return emptyText();
  if (LinearFmt.UnitId >= std::size(kLinearUnits)) return errorText();
  return plainText(LinearFmt, value, decimals, suffix);
}

const WCHAR* CDataFormatter::FmtAreaValue(double value) {
  if (!isUsable(value)) return emptyText();
  if (AreaFmt.UnitId >= std::size(kAreaUnits)) return errorText();
  return plainText(AreaFmt, value, -1, false);
}

const WCHAR* CDataFormatter::FmtVolumeValue(double value) {
  if (!isUsable(value)) return emptyText();
  if (VolumeFmt.UnitId >= std::size(kVolumeUnits)) return errorText();
  return plainText(VolumeFmt, value, -1, false);
}

const WCHAR* CDataFormatter::FmtAngularValue(double value, int decimals) {
  return FmtAngularValueEx(value, false, decimals);
}

const WCHAR* CDataFormatter::FmtAngularValueEx(double value, bool suffix, int decimals) {
  if (!isUsable(value)) return emptyText();
  const uint8_t unit = AngularFmt.UnitId;
  if (isPlainAngularUnit(unit)) return plainText(AngularFmt, value, decimals, suffix);
  if (!isDmsUnit(unit)) return errorText();
  if (dmsText(value, suffix, decimals) == nullptr) return emptyText();
  return OutBuffer;
}

// The four degree-minute-second forms; null when the text cannot be made.
const WCHAR* CDataFormatter::dmsText(double value, bool suffix, int decimals) {
  const int32_t d = decimals >= 0 ? decimals : AngularFmt.Decimals;
  // More decimals than OutBuffer holds cannot make a text (and would
  // overflow the widths computed from them).
  if (d >= int32_t(kOutBufferSize)) return nullptr;
  Dms dms{};
  if (!decompose(value, dms)) return nullptr;
  const uint8_t unit = AngularFmt.UnitId;
  const bool lostSign = signLostInDegrees(dms);

  if (unit == kLatitude || unit == kLongitude) {
    // Seconds that print as 60 carry into the minutes, and 60 minutes into
    // the degrees.
    if (!printInto(FmtBuffer, u"%%0%d.%ldlf", secondsWidth(d), d) ||
        !printInto(OutBuffer, std::u16string_view(FmtBuffer), dms.seconds))
      return nullptr;
    if (OutBuffer[0] == u'6' && OutBuffer[1] == u'0') {
      dms.seconds = 0;
      dms.minutes += 1;
      if (dms.minutes == 60) {
        dms.minutes = 0;
        dms.degrees += 1;
      }
    }
    if (dms.degrees > double(std::numeric_limits<int32_t>::max())) return nullptr;
    if (!printInto(FmtBuffer, u"%%3ld\u00B0 %%02ld' %%0%d.%ldlf\"", secondsWidth(d), d) ||
        !printInto(OutBuffer, std::u16string_view(FmtBuffer), int32_t(dms.degrees), int32_t(dms.minutes), dms.seconds))
      return nullptr;
    const bool south = dms.sign < 0;
    const std::u16string_view hemisphere = unit == kLatitude ? (south ? u" S" : u" N") : (south ? u" W" : u" E");
    return appendTo(OutBuffer, hemisphere) ? OutBuffer : nullptr;
  }

  // The packed forms print the sign with the whole degrees, without carry.
  bool printed = false;
  if (unit == kPackedDms) {
    const double scaledSeconds = dms.seconds * std::pow(10.0, d);
    printed = printInto(FmtBuffer, lostSign ? u"-00.%%02ld%%0%ld.0lf" : u"%%03ld.%%02ld%%0%ld.0lf", d + 2) &&
              (lostSign ? printInto(OutBuffer, std::u16string_view(FmtBuffer), int32_t(dms.minutes), scaledSeconds)
                        : printInto(OutBuffer, std::u16string_view(FmtBuffer), signedDegrees(dms), int32_t(dms.minutes),
                                    scaledSeconds));
  } else {
    printed =
        printInto(FmtBuffer, lostSign ? u"-00%%02ld%%0%d.%ldlf" : u"%%03ld%%02ld%%0%d.%ldlf", secondsWidth(d), d) &&
        (lostSign ? printInto(OutBuffer, std::u16string_view(FmtBuffer), int32_t(dms.minutes), dms.seconds)
                  : printInto(OutBuffer, std::u16string_view(FmtBuffer), signedDegrees(dms), int32_t(dms.minutes),
                              dms.seconds));
  }
  if (!printed) return nullptr;
  if (suffix && !appendTo(OutBuffer, std::u16string_view(AngularFmt.Suffix, textLength(AngularFmt.Suffix, 18))))
    return nullptr;
  return OutBuffer;
}

double CDataFormatter::plainToCurrUnit(const DF_UNITFMT& fmt, double value) const {
  if (!isUsable(value)) return kNoValue;
  if (fmt.UnitId >= std::size(kLinearUnits))  // three units of every plain kind
    return value;
  return value / fmt.Factor;
}

double CDataFormatter::LinearToCurrUnit(double value) { return plainToCurrUnit(LinearFmt, value); }
double CDataFormatter::AreaToCurrUnit(double value) { return plainToCurrUnit(AreaFmt, value); }
double CDataFormatter::VolumeToCurrUnit(double value) { return plainToCurrUnit(VolumeFmt, value); }

double CDataFormatter::AngularToCurrUnit(double value) {
  if (!isUsable(value)) return kNoValue;
  const uint8_t unit = AngularFmt.UnitId;
  if (isPlainAngularUnit(unit)) return value / AngularFmt.Factor;
  if (!isDmsUnit(unit)) return value;
  // The packed number DDD.MMSSs..., its seconds truncated to d decimals,
  // printed and read back.
  const int32_t d = AngularFmt.Decimals;
  Dms dms{};
  if (!decompose(value, dms)) return kNoValue;
  const double scaledSeconds = std::trunc(dms.seconds * std::pow(10.0, d));
  if (scaledSeconds > double(std::numeric_limits<int32_t>::max())) return kNoValue;
  const bool lostSign = signLostInDegrees(dms);
  const bool printed =
      printInto(FmtBuffer, lostSign ? u"-00.%%02ld%%0%ldld" : u"%%03ld.%%02ld%%0%ldld", d + 2) &&
      (lostSign ? printInto(OutBuffer, std::u16string_view(FmtBuffer), int32_t(dms.minutes), int32_t(scaledSeconds))
                : printInto(OutBuffer, std::u16string_view(FmtBuffer), signedDegrees(dms), int32_t(dms.minutes),
                            int32_t(scaledSeconds)));
  if (!printed) return kNoValue;
  double packed = 0.0;
  if (platform::scanText(std::u16string_view(OutBuffer), u"%lf", &packed) != 1) return kNoValue;
  return packed;
}
