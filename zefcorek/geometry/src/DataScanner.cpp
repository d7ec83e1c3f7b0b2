// Reading values typed by the user back into internal units.
//
// The angular units with a hemisphere accept degrees, minutes and seconds in
// many spellings. The text is first brought into a shape the patterns can
// read: commas become decimal points, a hemisphere letter gets a blank
// before it, and a text with exactly two points (45.30.15, 45.30.1525) has
// them turned into field separators, with a point put back after the first
// two digits of seconds. Then the patterns of kHemispherePatterns are tried
// in order; the first that reads its fields decides.
#include "zefcorek/DataFormatter.h"

#include "AngularUnits.h"

#include "zefcorek/Dms.h"
#include "zefcorek/ExtendedReal.h"

#include "textrum/CLWideStr.h"
#include "textrum/LStrCore.h"
#include "textrum/LStrFunctions.h"

#include "platform/Scan.h"

#include <cmath>
#include <string_view>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
// 1/360, 1/21600 and 1/1296000 with their mantissas cut to 56 bits.
constexpr ExtendedReal kTurnsPerDegree = 0xb.60b60b60b60b6p-12L;
constexpr ExtendedReal kTurnsPerMinute = 0xc.22e450672894ap-18L;
constexpr ExtendedReal kTurnsPerSecond = 0xc.f2049a07a2c0bp-24L;
// DDDMMSS.s to DDD.MMSSs: the extended value nearest to 1e-4.
constexpr ExtendedReal kPackedSecondsScale = 1e-4L;

constexpr unsigned kPlainUnits = 3;  // linear, area, volume: units 0, 1, 2

using enum zefcorek::AngularUnit;

// One number by "%lf"; a number that reads as infinite or NaN ("inf",
// "nan", or beyond the double range) is no value the user can mean.
bool readNumber(std::u16string_view text, double& out) {
  return platform::scanText(text, u"%lf", &out) == 1 && std::isfinite(out);
}

bool fail(double* value) {
  *value = 0.0;
  return false;
}

// h * 2pi * (D/360 + M/21600 + S/1296000), rounded to double.
double radiansFromDms(int sign, double d, double m, double s) {
  const ExtendedReal turns = d * kTurnsPerDegree + m * kTurnsPerMinute + s * kTurnsPerSecond;
  return double(sign * ExtendedReal(kTwoPi) * turns);
}

double radiansFromPacked(double packed) {
  double d = 0, m = 0, s = 0;
  int sign = 1;
  SplitDMS(packed, &d, &m, &s, &sign);
  return radiansFromDms(sign, d, m, s);
}

// --- the hemisphere parser --------------------------------------------------

// How a pattern's fields map onto the angle: H the letter, D M S the
// numbers; a layout without H takes the letter from the sign of D.
enum class Layout : uint8_t { HDMS, DMSH, DMS, DMH, DH, D };

struct HemispherePattern {
  std::u16string_view format;
  Layout layout;
  int fields;            // the fields the pattern must read
  bool orWithoutLetter;  // fields - 1 also accepted, the letter from the sign
};

constexpr HemispherePattern kHemispherePatterns[] = {
    {u" %c %lf %lf %lf", Layout::HDMS, 4, false},
    {u"%lf\u00B0 %lf' %lf\" %c", Layout::DMSH, 4, false},
    {u"%lf %lf %lf %c", Layout::DMSH, 4, false},
    {u"%lf:%lf:%lf %c", Layout::DMSH, 4, true},
    {u"%lfd %lf' %lf\" %c", Layout::DMSH, 4, false},
    {u"%lfd %lf' %lf\"", Layout::DMS, 3, false},
    {u"%lf\u00B0 %lf' %lf\"", Layout::DMS, 3, false},
    {u"%lf\u00B0 %lf' %lf", Layout::DMS, 3, false},
    {u"%lf %lf %lf", Layout::DMS, 3, false},
    {u"%lf\u00B0 %lf' %c", Layout::DMH, 3, false},
    {u"%lf %lf %c", Layout::DMH, 3, false},
    {u"%lf\u00B0 %c", Layout::DH, 2, false},
    {u"%lf %c", Layout::DH, 2, false},
    {u"%lf", Layout::D, 1, false},
};

struct DmsFields {
  char16_t letter = u' ';
  double d = 0, m = 0, s = 0;
  bool letterFromSign = false;
};

// Reads the pattern's fields; false when it does not accept the text.
bool tryPattern(const HemispherePattern& p, std::u16string_view text, DmsFields& f) {
  char16_t c = u' ';
  double a = 0, b = 0, e = 0;
  int n = 0;
  switch (p.layout) {
    case Layout::HDMS:
      n = platform::scanText(text, p.format, &c, &a, &b, &e);
      if (n != 4 || (c >= u'0' && c <= u'9') || c == u'-' || c == u'+' || c == u'.') return false;
      f = {c, a, b, e, false};
      break;
    case Layout::DMSH:
      n = platform::scanText(text, p.format, &a, &b, &e, &c);
      if (n == 4) {
        f = {c, a, b, e, false};
        break;
      }
      if (!(p.orWithoutLetter && n == 3)) return false;
      f = {u' ', a, b, e, true};
      break;
    case Layout::DMS:
      n = platform::scanText(text, p.format, &a, &b, &e);
      if (n != 3) return false;
      f = {u' ', a, b, e, true};
      break;
    case Layout::DMH:
      n = platform::scanText(text, p.format, &a, &b, &c);
      if (n != 3) return false;
      f = {c, a, b, 0, false};
      break;
    case Layout::DH:
      n = platform::scanText(text, p.format, &a, &c);
      if (n != 2) return false;
      f = {c, a, 0, 0, false};
      break;
    case Layout::D:
      n = platform::scanText(text, p.format, &a);
      if (n != 1) return false;
      f = {u' ', a, 0, 0, true};
      break;
  }
  return std::isfinite(f.d) && std::isfinite(f.m) && std::isfinite(f.s);
}

CLWideStr replaced(const CLWideStr& text, const WCHAR* oldText, const WCHAR* newText) {
  return CLWideStr(LStrReplaceW(text.Handle(), oldText, newText), /*owns=*/true);
}

// Commas to points; a blank before the first of each hemisphere letter that
// follows something else; two points as field separators.
CLWideStr prepareHemisphereText(const WCHAR* input) {
  CLWideStr text = replaced(CLWideStr(input), u",", u".");
  for (const char16_t* letter : {u"E", u"e", u"W", u"w", u"S", u"s", u"N", u"n"}) {
    const int pos = text.PosPtr(letter);
    if (pos >= 2 && text.Text()[size_t(pos - 2)] != u' ') text.Insert(CLWideStr(u" "), pos);
  }
  const std::u16string_view view = text.Text();
  size_t points = 0;
  for (char16_t c : view) points += c == u'.';
  if (points != 2) return text;
  const size_t first = view.find(u'.');
  const size_t second = view.find(u'.', first + 1);
  LStrUniqueW(text.Handle());
  *LStrCharAddrAtW(text.Handle(), int(first) + 1) = u' ';
  *LStrCharAddrAtW(text.Handle(), int(second) + 1) = u' ';
  // More than two characters after the second point: seconds with a
  // fraction, whose point goes back after their first two digits.
  if (size_t(text.Length()) - (second + 1) > 2) text.Insert(CLWideStr(u"."), int(second) + 1 + 2 + 1);
  return text;
}

// The sign a letter gives for the unit's axis: +1, -1, or 0 when the
// letter is not one of the axis.
int hemisphereSign(char16_t letter, bool latitude) {
  switch (letter) {
    case u'N':
    case u'n': return latitude ? 1 : 0;
    case u'S':
    case u's': return latitude ? -1 : 0;
    case u'E':
    case u'e': return latitude ? 0 : 1;
    case u'W':
    case u'w':
    case u'O':
    case u'o': return latitude ? 0 : -1;
    default: return 0;
  }
}

bool scanHemisphere(const WCHAR* input, bool latitude, double* value) {
  const CLWideStr text = prepareHemisphereText(input);
  DmsFields f;
  bool accepted = false;
  for (const HemispherePattern& p : kHemispherePatterns) {
    if (tryPattern(p, text.Text(), f)) {
      accepted = true;
      break;
    }
  }
  if (!accepted) return fail(value);
  if (f.letterFromSign) f.letter = f.d < 0 ? (latitude ? u'S' : u'W') : (latitude ? u'N' : u'E');
  const int sign = hemisphereSign(f.letter, latitude);
  if (sign == 0) return fail(value);
  *value = radiansFromDms(sign, std::fabs(f.d), std::fabs(f.m), std::fabs(f.s));
  return true;
}

}  // namespace

bool CDataFormatter::scanPlain(const DF_UNITFMT& fmt, const WCHAR* text, double* value) const {
  if (fmt.UnitId >= kPlainUnits || text == nullptr) return fail(value);
  double v = 0;
  if (!readNumber(text, v)) return fail(value);
  *value = v * fmt.Factor;
  return true;
}

bool CDataFormatter::ScanLinearValue(const WCHAR* text, double* value) { return scanPlain(LinearFmt, text, value); }

bool CDataFormatter::ScanAreaValue(const WCHAR* text, double* value) { return scanPlain(AreaFmt, text, value); }

bool CDataFormatter::ScanVolumeValue(const WCHAR* text, double* value) { return scanPlain(VolumeFmt, text, value); }

bool CDataFormatter::ScanAngularValue(const WCHAR* text, double* value) {
  if (text == nullptr) return fail(value);
  double v = 0;
  switch (AngularFmt.UnitId) {
    case kGons:
    case kDegrees:
    case kArcSeconds:
    case kMils: {
      const CLWideStr copy = replaced(CLWideStr(text), u",", u".");
      if (!readNumber(copy.Text(), v)) return fail(value);
      *value = v * AngularFmt.Factor;
      return true;
    }
    case kPackedDms:
      if (!readNumber(text, v)) return fail(value);
      *value = radiansFromPacked(v);
      return true;
    case kPackedDmsSeconds: {
      if (!readNumber(text, v)) return fail(value);
      double angle = radiansFromPacked(double(v * kPackedSecondsScale));
      if (angle < -kPi)
        angle += kTwoPi;
      else if (angle > kPi)
        angle -= kTwoPi;
      *value = angle;
      return true;
    }
    case kLatitude:
    case kLatitudeDegrees: return scanHemisphere(text, /*latitude=*/true, value);
    case kLongitude:
    case kLongitudeDegrees: return scanHemisphere(text, /*latitude=*/false, value);
    default: return fail(value);
  }
}
