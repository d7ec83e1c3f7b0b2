// Numbers read from record texts and number texts made into records. Reading
// goes through the platform's scanner and strict integer reader, writing
// through its picture and kind formatting, so '.' is the decimal point
// whatever the process locale.
#include "textrum/LStrFunctions.h"

#include "LStrRecord.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/NumberText.h"
#include "platform/Scan.h"

#include <cstdio>
#include <limits>

using namespace textrum;

namespace {

// A format written once for both families.
template <typename Char>
constexpr View<Char> formatOf(std::string_view narrow, std::u16string_view wide) {
  if constexpr (sizeof(Char) == 1)
    return narrow;
  else
    return wide;
}

template <typename Char>
bool hasHexPrefix(View<Char> text) {
  return text.size() > 2 && text[0] == Char('0') && (text[1] == Char('x') || text[1] == Char('X'));
}

// Every text that is not an integer passes here: one last error, one line.
template <typename Char>
void reportConversionError(const char* function, View<Char> text) {
  SetLastError(ERROR_INVALID_DATA);
  std::string shown;
  if constexpr (sizeof(Char) == 1)
    shown.assign(text);
  else
    shown = platform::wideToAnsiLenient(text);
  std::fprintf(stderr, "textrum: %s: '%s' is not a valid integer value\n", function, shown.c_str());
}

// A hexadecimal field read into 64 bits, so that a value beyond 32 bits is
// seen instead of being wrapped or cut. Keeps values a 32-bit field can hold:
// the patterns up to FFFFFFFF and their negations.
bool fitsHexField(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() && value <= int64_t{0xFFFFFFFF};
}

template <typename Char>
int32_t toInt(const Record<Char>& record, const char* function) {
  const View<Char> text = textOf(record);
  if (hasHexPrefix(text)) {
    int64_t value = 0;
    const int read = platform::scanText(text.substr(2), formatOf<Char>("%X", u"%X"), &value);
    if (read != 1) return 0;
    if (fitsHexField(value)) return static_cast<int32_t>(static_cast<uint32_t>(value));
    reportConversionError(function, text);
    return 0;
  }
  if (const std::optional<int32_t> value = platform::StrToInt(text)) return *value;
  reportConversionError(function, text);
  return 0;
}

// The value only when one field was read and it took the whole text.
template <typename Char>
int32_t toIntDef(const Record<Char>& record, int32_t defaultValue) {
  const View<Char> text = textOf(record);
  if (text.empty()) return defaultValue;
  int64_t value = 0;
  int consumed = -1;
  if (hasHexPrefix(text)) {
    const View<Char> rest = text.substr(2);
    const int read = platform::scanText(rest, formatOf<Char>("%X%n", u"%X%n"), &value, &consumed);
    const bool whole = read == 1 && consumed == static_cast<int>(rest.size());
    return whole && fitsHexField(value) ? static_cast<int32_t>(static_cast<uint32_t>(value)) : defaultValue;
  }
  const int read = platform::scanText(text, formatOf<Char>("%d%n", u"%d%n"), &value, &consumed);
  const bool whole = read == 1 && consumed == static_cast<int>(text.size());
  const bool fits = value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
  return whole && fits ? static_cast<int32_t>(value) : defaultValue;
}

template <typename Char>
double toDoubleDef(const Record<Char>& record, double defaultValue) {
  const View<Char> text = textOf(record);
  double value = 0;
  int consumed = -1;
  const int read = platform::scanText(text, formatOf<Char>("%lf%n", u"%lf%n"), &value, &consumed);
  return read == 1 && consumed == static_cast<int>(text.size()) ? value : defaultValue;
}

std::u16string widened(const std::string& text) { return platform::ansiToWideLenient(text); }

platform::FloatFormatKind floatFormatKind(int kind) {
  if (kind < 0 || kind > 4) return platform::FloatFormatKind::General;
  return static_cast<platform::FloatFormatKind>(kind);
}

}  // namespace

// --- text to number ---------------------------------------------------------------------

int32_t LStrToIntA(const LAnsiStrRec* record) noexcept { return toInt<char>(*record, "LStrToIntA"); }
int32_t LStrToIntW(const LWideStrRec* record) noexcept { return toInt<char16_t>(*record, "LStrToIntW"); }
int32_t LStrToIntDefA(const LAnsiStrRec* record, int32_t defaultValue) noexcept {
  return toIntDef<char>(*record, defaultValue);
}
int32_t LStrToIntDefW(const LWideStrRec* record, int32_t defaultValue) noexcept {
  return toIntDef<char16_t>(*record, defaultValue);
}
double LStrToDoubleDefA(const LAnsiStrRec* record, double defaultValue) noexcept {
  return toDoubleDef<char>(*record, defaultValue);
}
double LStrToDoubleDefW(const LWideStrRec* record, double defaultValue) noexcept {
  return toDoubleDef<char16_t>(*record, defaultValue);
}

// --- number to text ---------------------------------------------------------------------

LAnsiStrRec* LStrIntToHexA(int32_t value, int digits) noexcept {
  return newRecord<char>(platform::IntToHex(value, digits));
}
LWideStrRec* LStrIntToHexW(int32_t value, int digits) noexcept {
  return newRecord<char16_t>(widened(platform::IntToHex(value, digits)));
}
LAnsiStrRec* LStrFormatFloatA(const LAnsiStrRec* format, const double* value) noexcept {
  if (value == nullptr) return newRecord<char>({});
  return newRecord<char>(platform::FormatFloat(textOf(*format), *value));
}
LWideStrRec* LStrFormatFloatW(const LWideStrRec* format, const double* value) noexcept {
  if (value == nullptr) return newRecord<char16_t>({});
  const View<char16_t> picture = textOf(*format);
  if (picture.empty()) return newRecord<char16_t>(u"#error#");
  return newRecord<char16_t>(platform::FormatFloat(picture, *value));
}
LAnsiStrRec* LStrFloatToStrFA(double value, int kind, int precision, int digits) noexcept {
  return newRecord<char>(platform::FloatToStrF(value, floatFormatKind(kind), precision, digits));
}
LWideStrRec* LStrFloatToStrFW(double value, int kind, int precision, int digits) noexcept {
  return newRecord<char16_t>(widened(platform::FloatToStrF(value, floatFormatKind(kind), precision, digits)));
}
