// TStrScanner: the cursor and its readers.
//
// Numbers are read digit by digit, not through the C library: integers wrap
// round in 32 bits, and fractions add digit / 10^k, as stored files were
// written to be read.
#include "zefcorek/StrScanner.h"

#include "zefcorek/PointTypes.h"

#include "textrum/LStrCore.h"

#include "platform/Utf16.h"

#include <cmath>
#include <numbers>

namespace {

constexpr WCHAR kEndOfFile = 0x1A;

bool isDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }
bool isBlank(WCHAR c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(WCHAR c) { return c == u'\r' || c == u'\n' || c == kEndOfFile; }

}  // namespace

TStrScanner::TStrScanner() { SetString(nullptr); }

TStrScanner::TStrScanner(const WCHAR* text) { SetString(text); }

TStrScanner::~TStrScanner() = default;

void TStrScanner::SetStringA(const char* text) {
  ownedText_ = CLWideStr(LStrAllocFromASzStrW(text, -1), /*owns=*/true);
  SetString(ownedText_.c_str());
}

void TStrScanner::SetStringW(const WCHAR* text) { SetString(text); }

void TStrScanner::SetString(const WCHAR* text) {
  static constexpr WCHAR kEmpty[] = u"";
  start_ = current_ = savedCurrent_ = text == nullptr ? kEmpty : text;
  remaining_ = savedRemaining_ = static_cast<uint32_t>(platform::utf16Length(start_));
}

void TStrScanner::PushPos() {
  savedCurrent_ = current_;
  savedRemaining_ = remaining_;
}

void TStrScanner::PopPos() {
  current_ = savedCurrent_;
  remaining_ = savedRemaining_;
}

bool TStrScanner::SkipBlanks() {
  while (!atEnd() && isBlank(peek())) advance();
  return true;
}

bool TStrScanner::Skip(WCHAR c) {
  if (atEnd() || peek() != c) return false;
  advance();
  return true;
}

bool TStrScanner::SkipComma() {
  SkipBlanks();
  return Skip(u',');
}

bool TStrScanner::NoMoreData() {
  SkipBlanks();
  return atEnd();
}

bool TStrScanner::ParseInt(int32_t& out) {
  out = 0;
  SkipBlanks();
  if (atEnd()) return false;
  bool negative = false;
  if (peek() == u'+' || peek() == u'-') {
    negative = peek() == u'-';
    advance();
    if (atEnd()) return false;
  } else if (!isDigit(peek())) {
    return false;
  }
  uint32_t value = 0;  // unsigned, so that wrapping round is defined
  while (!atEnd() && isDigit(peek())) {
    value = value * 10 + static_cast<uint32_t>(peek() - u'0');
    advance();
  }
  out = static_cast<int32_t>(negative ? 0u - value : value);
  return true;
}

bool TStrScanner::ParseUInt(uint32_t& out) {
  int32_t value = 0;
  bool ok = ParseInt(value);
  out = static_cast<uint32_t>(value);
  return ok;
}

bool TStrScanner::ParseFloat(double& out) {
  if (NoMoreData()) return false;
  bool negative = false;
  if (peek() == u'+' || peek() == u'-') {
    negative = peek() == u'-';
    advance();
    if (atEnd()) return false;
  } else if (!isDigit(peek())) {
    return false;
  }
  double value = 0;
  while (!atEnd() && isDigit(peek())) {
    value = value * 10 + (peek() - u'0');
    advance();
  }
  if (remaining_ >= 2 && peek() == u'.') {
    advance();
    double divisor = 10;
    while (!atEnd() && isDigit(peek())) {
      value += (peek() - u'0') / divisor;
      divisor *= 10;
      advance();
    }
  }
  out = negative ? -value : value;
  return true;
}

template <typename Stop>
void TStrScanner::copyUntil(WCHAR* out, uint32_t size, Stop&& stop) {
  uint32_t copied = 0;
  while (!atEnd() && copied + 1 < size && !stop(peek())) {
    out[copied++] = peek();
    advance();
  }
  out[copied] = u'\0';
}

bool TStrScanner::ParseSimpleStrSep(WCHAR sep, WCHAR* out) {
  if (out == nullptr) return false;
  uint32_t copied = 0;
  while (!atEnd() && peek() != sep) {
    out[copied++] = peek();
    advance();
  }
  out[copied] = u'\0';
  return Skip(sep);
}

bool TStrScanner::ParseQuotedStr(WCHAR* out, uint32_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = u'\0';
  if (size == 1) return false;
  SkipBlanks();
  if (!Skip(u'"')) return false;
  copyUntil(out, size, [](WCHAR c) { return c == u'"'; });
  return Skip(u'"');
}

bool TStrScanner::ParseStrSep(WCHAR sep, WCHAR* out, uint32_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = u'\0';
  if (size == 1 || atEnd()) return false;
  PushPos();
  copyUntil(out, size, [sep](WCHAR c) { return c == sep; });
  if (Skip(sep)) return true;
  PopPos();
  return false;
}

void TStrScanner::skipLineEnd() {
  WCHAR first = peek();
  advance();
  if (atEnd()) return;
  if ((first == u'\r' && peek() == u'\n') || (first == u'\n' && peek() == u'\r')) advance();
}

bool TStrScanner::ParseStrSepOrEOL(WCHAR sep, WCHAR* out, uint32_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = u'\0';
  if (size == 1 || atEnd()) return false;
  PushPos();
  copyUntil(out, size, [sep](WCHAR c) { return c == sep || isLineEnd(c); });
  if (!atEnd() && isLineEnd(peek())) {
    skipLineEnd();
    return true;
  }
  if (Skip(sep)) return true;
  PopPos();
  return false;
}

bool TStrScanner::SkipQuotedStr(const WCHAR* text) {
  SkipBlanks();
  if (text == nullptr || !Skip(u'"')) return false;
  for (const WCHAR* expected = text; !atEnd() && peek() != u'"' && *expected != u'\0'; ++expected) {
    if (peek() != *expected) return false;
    advance();
  }
  return Skip(u'"');
}

bool TStrScanner::SkipSimpleStr(const WCHAR* text, uint32_t n) {
  if (remaining_ < n || (text == nullptr && n != 0)) return false;
  for (uint32_t i = 0; i < n; ++i) {
    if (platform::foldCaseUnit(current_[i]) != platform::foldCaseUnit(text[i])) return false;
  }
  advance(n);
  return true;
}

void TStrScanner::SetAngleFormat(TStrScannerAngleFmt format) { angleFormat_ = format; }

TStrScannerAngleFmt TStrScanner::GetAngleFormat() { return angleFormat_; }

bool TStrScanner::ParseAngle(double& out) {
  double value = 0;
  if (!ParseFloat(value)) return false;
  if (angleFormat_ == TStrScannerAngleFmt::Degrees)
    value = value * std::numbers::pi / 180;
  else if (angleFormat_ == TStrScannerAngleFmt::Gon)
    value = value * std::numbers::pi / 200;
  constexpr double kFullTurn = 2 * std::numbers::pi;
  out = value - std::floor(value / kFullTurn) * kFullTurn;
  return true;
}

bool TStrScanner::ParsePoint2D(T_POINT2D& out) { return ParseFloat(out.x) && SkipComma() && ParseFloat(out.y); }

bool TStrScanner::ParsePoint3D(tagT_POINT3D& out) {
  return ParseFloat(out.x) && SkipComma() && ParseFloat(out.y) && SkipComma() && ParseFloat(out.z);
}

bool TStrScanner::ParsePoint3DOptZ(tagT_POINT3D& out, double defaultZ) {
  T_POINT2D xy{};
  bool ok = ParsePoint2D(xy);
  out.x = xy.x;
  out.y = xy.y;
  if (!ok) return false;
  if (SkipComma()) return ParseFloat(out.z);
  out.z = defaultZ;
  return true;
}

bool TStrScanner::ParseToken(WCHAR sep, WCHAR* out, uint32_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = u'\0';
  if (size == 1) return false;
  SkipBlanks();
  if (atEnd()) return false;
  copyUntil(out, size, [sep](WCHAR c) { return c == sep || isBlank(c) || isLineEnd(c); });
  SkipBlanks();
  if (!atEnd() && isLineEnd(peek()))
    skipLineEnd();
  else
    Skip(sep);
  return true;
}

uint32_t TStrScanner::CurrReadOfs() { return static_cast<uint32_t>(current_ - start_); }
