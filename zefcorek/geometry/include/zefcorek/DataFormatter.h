// CDataFormatter: the kernel's values as text and numbers in the user's
// units.
//
// The kernel keeps lengths in metres, angles in radians, areas in square
// metres and volumes in cubic metres. The formatter holds one format record
// per kind: the unit, the default number of decimals, the unit text and the
// factor. A value shown in a unit is the internal value divided by Factor;
// text read back is multiplied by it. The degree-minute-second angle units
// (2, 3, 4, 7) go through arc seconds instead and never read Factor.
//
// Formatting allocates nothing: the printf format of the call is built in
// FmtBuffer and the text in OutBuffer, and every text result points at
// OutBuffer, valid until the next formatting call on the same object. A
// value that is infinite, NaN or beyond +-1e38 gives the empty text (and
// -1e100 from the ToCurrUnit members); a record whose UnitId is no unit of
// its kind gives "#error#". One object serves one thread at a time.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// The layout shared by the four format records.
struct DF_UNITFMT {
  uint8_t UnitId;
  uint8_t Decimals;  // used when a call passes a negative number of decimals
  WCHAR Suffix[18];  // the unit text, zero-terminated (at most 17 units)
  double Factor;     // internal units per displayed unit
};
static_assert(sizeof(DF_UNITFMT) == 48 && offsetof(DF_UNITFMT, Factor) == 40);

// Four distinct record types of one layout, copied as a whole.
struct DF_LINEARFMT : DF_UNITFMT {};
struct DF_ANGULARFMT : DF_UNITFMT {};
struct DF_AREAFMT : DF_UNITFMT {};
struct DF_VOLUMEFMT : DF_UNITFMT {};
static_assert(sizeof(DF_LINEARFMT) == 48 && sizeof(DF_ANGULARFMT) == 48 && sizeof(DF_AREAFMT) == 48 &&
              sizeof(DF_VOLUMEFMT) == 48);

class ZEF_EXPORT CDataFormatter {
public:
  // Called when records have been selected: the formatter, then the records
  // concerned (null for the others). The records are the live ones, so what
  // the handler writes is in force when it returns. Its result is ignored.
  using AdjustFmtHandler = int (*)(CDataFormatter* formatter, DF_LINEARFMT* linear, DF_ANGULARFMT* angular,
                                   DF_AREAFMT* area, DF_VOLUMEFMT* volume);

  static constexpr size_t kFmtBufferSize = 256;
  static constexpr size_t kOutBufferSize = 512;
  // The answer of the ToCurrUnit members for a value they cannot convert.
  static constexpr double kNoValue = -1e100;

  DF_LINEARFMT LinearFmt;
  DF_ANGULARFMT AngularFmt;
  DF_AREAFMT AreaFmt;
  DF_VOLUMEFMT VolumeFmt;
  WCHAR FmtBuffer[kFmtBufferSize];  // the printf format built for the current call
  WCHAR OutBuffer[kOutBufferSize];  // the text of the last formatting call
  AdjustFmtHandler AdjustFmtEvent;  // set by the host directly; null by default

  // Unit 0 of every kind, no handler.
  CDataFormatter();
  virtual ~CDataFormatter();
  CDataFormatter(const CDataFormatter&) = delete;
  CDataFormatter& operator=(const CDataFormatter&) = delete;

  // Replace the whole record with the table's unit (an unknown identifier
  // selects unit 0) and announce it to the handler.
  DF_LINEARFMT* SelectLinearFormat(unsigned char unitId);
  DF_ANGULARFMT* SelectAngularFormat(unsigned char unitId);
  DF_AREAFMT* SelectAreaFormat(unsigned char unitId);
  DF_VOLUMEFMT* SelectVolumeFormat(unsigned char unitId);

  const DF_LINEARFMT* GetLinearFormat() const { return &LinearFmt; }
  const DF_ANGULARFMT* GetAngularFormat() const { return &AngularFmt; }
  const DF_AREAFMT* GetAreaFormat() const { return &AreaFmt; }
  const DF_VOLUMEFMT* GetVolumeFormat() const { return &VolumeFmt; }

  // Copy the record unchanged: no check, no event.
  void SetLinearFormat(const DF_LINEARFMT* fmt) { LinearFmt = *fmt; }
  void SetAngularFormat(const DF_ANGULARFMT* fmt) { AngularFmt = *fmt; }
  void SetAreaFormat(const DF_AREAFMT* fmt) { AreaFmt = *fmt; }
  void SetVolumeFormat(const DF_VOLUMEFMT* fmt) { VolumeFmt = *fmt; }

  // The value in the current unit with `decimals` decimals (negative: the
  // record's Decimals), the unit text appended when asked. A text that would
  // not fit OutBuffer comes back empty.
  const WCHAR* FmtLinearValue(double value, int decimals);
  const WCHAR* FmtLinearValueEx(double value, bool suffix, int decimals);
  // Angles: units 3 and 4 carry their hemisphere letter and never a suffix.
  const WCHAR* FmtAngularValue(double value, int decimals);
  const WCHAR* FmtAngularValueEx(double value, bool suffix, int decimals);
  // With the record's Decimals, never a suffix.
  const WCHAR* FmtAreaValue(double value);
  const WCHAR* FmtVolumeValue(double value);

  // The value as a number in the current unit; an unknown unit returns it
  // unchanged. The degree-minute-second units answer the packed number
  // DDD.MMSSs... (45 deg 30' as 45.3).
  double LinearToCurrUnit(double value);
  double AngularToCurrUnit(double value);
  double AreaToCurrUnit(double value);
  double VolumeToCurrUnit(double value);

  // Read a value typed in the current unit and return it in internal
  // units. On failure (no readable number, a number that reads as infinite
  // or NaN, an unknown unit, no accepted form, a hemisphere letter of the
  // other axis) *value is 0.0 and the result false. The linear, area and
  // volume scanners read a plain number (a comma ends it); the angular
  // scanner takes commas as decimal points in the decimal units, a packed
  // DDD.MMSSs or DDDMMSS.s in units 2 and 7, and degrees, minutes and
  // seconds in many forms with or without a hemisphere letter in units 3, 4,
  // 8 and 9.
  bool ScanLinearValue(const WCHAR* text, double* value);
  bool ScanAngularValue(const WCHAR* text, double* value);
  bool ScanAreaValue(const WCHAR* text, double* value);
  bool ScanVolumeValue(const WCHAR* text, double* value);

  // Calls the handler once with the records whose flag is set, when there
  // is a handler and a flag is set.
  void ForceAdjustFmtEvent(bool linear, bool angular, bool area, bool volume);

private:
  const WCHAR* plainText(const DF_UNITFMT& fmt, double value, int decimals, bool suffix);
  const WCHAR* dmsText(double value, bool suffix, int decimals);
  double plainToCurrUnit(const DF_UNITFMT& fmt, double value) const;
  bool scanPlain(const DF_UNITFMT& fmt, const WCHAR* text, double* value) const;
  const WCHAR* emptyText();
  const WCHAR* errorText();
};
