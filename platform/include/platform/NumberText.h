// The application framework's conversions between numbers and text, as the
// system's string functions expose them: picture formatting (FormatFloat),
// formatting by kind (FloatToStrF, FloatToStr), hexadecimal text (IntToHex)
// and strict text-to-integer reading (StrToInt, StrToIntDef).
//
// Floating-point values are first taken to 18 significant decimal digits,
// correctly rounded from the binary value, and then rounded to the digits
// shown with halves going away from zero; so 0.125 shows as 0.13 with two
// decimals, while 1.005, whose binary value lies below the half, shows as
// 1.00. Infinities and NaN show as "INF", "-INF" and "NAN".
//
// The separators and currency layout come from NumberFormatSettings, never
// from the process locale, so the text is the same on every machine.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct NumberFormatSettings {
  char decimalSeparator = '.';
  char thousandSeparator = ',';
  std::string currencyString = "$";  // UTF-8
  // Where the currency string goes: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  int currencyFormat = 0;
  // Negative amounts, 0 to 15: "($1)" "-$1" "$-1" "$1-" "(1$)" "-1$" "1-$"
  // "1$-" "-1 $" "-$ 1" "1 $-" "$ 1-" "$ -1" "1- $" "($ 1)" "(1 $)".
  int negativeCurrencyFormat = 0;
};

// The kinds of FloatToStrF.
enum class FloatFormatKind : int {
  General = 0,   // shortest of fixed and scientific; precision = significant digits,
                 // digits = least exponent digits (0 to 4)
  Exponent = 1,  // d.dddE+xx; precision = significant digits, digits = least exponent digits
  Fixed = 2,     // ddd.dd; digits = decimals (0 to 18); scientific when the integer part
                 // has more digits than the precision
  Number = 3,    // like Fixed, with thousand separators
  Currency = 4,  // like Number, laid out with the currency string
};

// Precision is clamped to 1..18, digits as each kind says. An unknown kind
// formats as General.
ZEF_EXPORT std::string FloatToStrF(double value, FloatFormatKind kind, int precision, int digits,
                                   const NumberFormatSettings& settings = {});

// General format with 15 significant digits: 0.1 gives "0.1", 1e15 "1E15".
ZEF_EXPORT std::string FloatToStr(double value, const NumberFormatSettings& settings = {});

// Formats by a picture: "0" a digit always shown, "#" a digit shown when
// significant, "." the decimal point, "," thousand separators, "E+" / "E-"
// (or "e") followed by "0"s an exponent, '…' and "…" literal text, any other
// character itself; up to three sections separated by ";" for positive,
// negative and zero values. An empty picture, or an empty first section,
// gives FloatToStr's text.
ZEF_EXPORT std::string FormatFloat(std::string_view picture, double value, const NumberFormatSettings& settings = {});
ZEF_EXPORT std::u16string FormatFloat(std::u16string_view picture, double value,
                                      const NumberFormatSettings& settings = {});

// Upper-case hexadecimal, zero-padded to at least digits (at most 64) digits;
// a negative value shows its two's complement in 8 (32-bit) or 16 digits.
ZEF_EXPORT std::string IntToHex(int32_t value, int digits);
ZEF_EXPORT std::string IntToHex(int64_t value, int digits);

// The whole text must be a 32-bit integer: leading blanks, an optional sign,
// then decimal digits, or "$", "0x", "0X", "x" or "X" and hexadecimal digits
// (up to FFFFFFFF, read as the 32-bit pattern). Nullopt when it is not one
// (empty, trailing characters, out of range).
ZEF_EXPORT std::optional<int32_t> StrToInt(std::string_view text);
ZEF_EXPORT std::optional<int32_t> StrToInt(std::u16string_view text);
ZEF_EXPORT int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
ZEF_EXPORT int32_t StrToIntDef(std::u16string_view text, int32_t defaultValue);

}  // namespace platform
