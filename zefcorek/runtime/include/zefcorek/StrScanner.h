// TStrScanner: a cursor over one wide text, with the token, number,
// quoted-string, point and angle readers that hand-written parsers need.
//
// The scanner does not copy a text given as wide text: the caller keeps it
// alive while scanning. Blanks are spaces and tabs. Readers answer true on
// success; on failure they leave the position where they stopped, except
// ParseStrSep and ParseStrSepOrEOL, which restore it. Every reader calls the
// others through the virtual operations, so a derived scanner can change,
// for example, what SkipBlanks skips.
#pragma once

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct T_POINT2D;
struct tagT_POINT3D;

// The unit of the numbers ParseAngle reads.
enum class TStrScannerAngleFmt : int32_t {
  Radians0 = 0,  // radians (the unit's old code)
  Radians = 1,
  Degrees = 2,  // the default
  Gon = 3,      // 400 to the full turn
};

class ZEF_EXPORT TStrScanner {
public:
  TStrScanner();
  explicit TStrScanner(const WCHAR* text);
  TStrScanner(const TStrScanner&) = delete;
  TStrScanner& operator=(const TStrScanner&) = delete;

  virtual ~TStrScanner();
  // Scans a wide copy of a narrow (UTF-8) text that the scanner keeps.
  virtual void SetStringA(const char* text);
  virtual void SetStringW(const WCHAR* text);
  // Starts over on `text` (null: the empty text).
  virtual void SetString(const WCHAR* text);
  // Keeps / restores the position (one level).
  virtual void PushPos();
  virtual void PopPos();
  virtual bool SkipBlanks();
  // Consumes `c` when it is next.
  virtual bool Skip(WCHAR c);
  // SkipBlanks, then Skip(',').
  virtual bool SkipComma();
  // SkipBlanks; true when nothing remains.
  virtual bool NoMoreData();
  // An optional sign and decimal digits, wrapping round in 32 bits. A sign
  // without digits reads as 0.
  virtual bool ParseInt(int32_t& out);
  virtual bool ParseUInt(uint32_t& out);
  // An optional sign, digits, and a fraction after '.'; no exponent.
  virtual bool ParseFloat(double& out);
  // Copies up to `sep` or the end into out, which must hold the rest of the
  // text; true only when `sep` followed and was consumed.
  virtual bool ParseSimpleStrSep(WCHAR sep, WCHAR* out);
  // A text in double quotes (no escapes), at most size - 1 characters.
  virtual bool ParseQuotedStr(WCHAR* out, uint32_t size);
  // Copies up to `sep` (consumed), blanks included; restores the position
  // when `sep` does not follow.
  virtual bool ParseStrSep(WCHAR sep, WCHAR* out, uint32_t size);
  // As ParseStrSep, but a line end (CR, LF, CR LF, LF CR) or U+001A also
  // ends the field successfully and is consumed.
  virtual bool ParseStrSepOrEOL(WCHAR sep, WCHAR* out, uint32_t size);
  // True when the next quoted text equals `text` or is a leading part of it
  // (case-sensitive); consumes it.
  virtual bool SkipQuotedStr(const WCHAR* text);
  // Consumes the next n characters when they equal text ignoring case.
  virtual bool SkipSimpleStr(const WCHAR* text, uint32_t n);
  virtual void SetAngleFormat(TStrScannerAngleFmt format);
  virtual TStrScannerAngleFmt GetAngleFormat();
  // A number in the angle format's unit, as radians in [0, 2 pi).
  virtual bool ParseAngle(double& out);
  // x, comma, y.
  virtual bool ParsePoint2D(T_POINT2D& out);
  // x, comma, y, comma, z.
  virtual bool ParsePoint3D(tagT_POINT3D& out);
  // x, comma, y, and z after a further comma, else defaultZ.
  virtual bool ParsePoint3DOptZ(tagT_POINT3D& out, double defaultZ);
  // A word ending at `sep`, a blank, a line end or U+001A; the blanks after
  // it and then a line end or `sep` are consumed.
  virtual bool ParseToken(WCHAR sep, WCHAR* out, uint32_t size);
  // Characters consumed from the start.
  virtual uint32_t CurrReadOfs();

private:
  bool atEnd() const { return remaining_ == 0; }
  WCHAR peek() const { return *current_; }
  void advance(uint32_t n = 1) {
    current_ += n;
    remaining_ -= n;
  }
  // Consumes a line end: CR, LF, U+001A, and the CR or LF partner after a
  // CR or LF.
  void skipLineEnd();
  // Copies into out until stop(c) or size - 1 characters; terminates.
  template <typename Stop>
  void copyUntil(WCHAR* out, uint32_t size, Stop&& stop);

  TStrScannerAngleFmt angleFormat_ = TStrScannerAngleFmt::Degrees;
  const WCHAR* start_ = nullptr;         // the text being scanned
  const WCHAR* current_ = nullptr;       // next character to read
  const WCHAR* savedCurrent_ = nullptr;  // kept by PushPos
  uint32_t remaining_ = 0;               // characters from current_ to the end
  uint32_t savedRemaining_ = 0;          // kept by PushPos
  CLWideStr ownedText_;                  // the copy made by SetStringA
};
