// Parsing of one printf conversion directive, shared by the formatting
// engine and the bridge that reads C variable arguments, so that both agree
// on which argument each directive takes.
//
//   %[flags][width][.precision][length]conversion
//   flags:     - + 0 # blank
//   width:     digits or *
//   precision: . followed by digits or * (a lone '.' is precision 0)
//   length:    hh h l ll L w I I32 I64 j z t
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace platform::format_detail {

// A format unit as a syntax character: anything outside ASCII maps to 0, so
// a UTF-16 unit whose low byte is '%' or 'd' is never taken for one.
template <class Char>
constexpr char syntaxChar(Char unit) {
  const auto code = static_cast<std::make_unsigned_t<Char>>(unit);
  return code < 0x80 ? static_cast<char>(code) : '\0';
}

enum class LengthKind : uint8_t {
  Default,
  Byte,      // hh
  Short,     // h (on c and s: narrow)
  Long,      // l, I32 (32-bit on integers; on c and s: wide)
  Wide,      // w (c and s only)
  LongLong,  // ll, L, I, I64, j, z, t
};

// What a conversion letter does with its argument.
enum class ConversionKind : uint8_t {
  Invalid,
  Percent,
  Signed,
  Unsigned,
  Float,
  Char,
  String,
  Pointer,
  Count,  // %n: refused
};

struct ConversionInfo {
  ConversionKind kind;
  uint8_t base;     // integers: 8, 10 or 16
  bool upper;       // X, E, F, G, p: upper-case digits and letters
  bool swapsWidth;  // C and S: the other text width than the format's
};

constexpr ConversionInfo conversionInfo(char letter) {
  switch (letter) {
    case '%': return {ConversionKind::Percent, 0, false, false};
    case 'd':
    case 'i': return {ConversionKind::Signed, 10, false, false};
    case 'u': return {ConversionKind::Unsigned, 10, false, false};
    case 'o': return {ConversionKind::Unsigned, 8, false, false};
    case 'x': return {ConversionKind::Unsigned, 16, false, false};
    case 'X': return {ConversionKind::Unsigned, 16, true, false};
    case 'e':
    case 'f':
    case 'g': return {ConversionKind::Float, 10, false, false};
    case 'E':
    case 'F':
    case 'G': return {ConversionKind::Float, 10, true, false};
    case 'c': return {ConversionKind::Char, 0, false, false};
    case 'C': return {ConversionKind::Char, 0, false, true};
    case 's': return {ConversionKind::String, 0, false, false};
    case 'S': return {ConversionKind::String, 0, false, true};
    case 'p': return {ConversionKind::Pointer, 16, true, false};
    case 'n': return {ConversionKind::Count, 0, false, false};
    default: return {ConversionKind::Invalid, 0, false, false};
  }
}

inline constexpr int kFieldFromArgument = -2;  // width or precision given as '*'
inline constexpr int kNoPrecision = -1;

struct FormatDirective {
  bool leftAlign = false;
  bool forceSign = false;
  bool blankSign = false;
  bool zeroPad = false;
  bool alternate = false;
  int width = 0;                 // or kFieldFromArgument
  int precision = kNoPrecision;  // or kFieldFromArgument
  LengthKind length = LengthKind::Default;
  char letter = '\0';  // the conversion letter; '\0' at the end of the text
  ConversionInfo info{ConversionKind::Invalid, 0, false, false};
  size_t end = 0;  // index just after the directive
};

// Reads a decimal field, saturating far above any clamp limit.
template <class Char>
int parseField(std::basic_string_view<Char> format, size_t& pos) {
  int value = 0;
  while (pos < format.size()) {
    const char c = syntaxChar(format[pos]);
    if (c < '0' || c > '9') break;
    value = value > 100000000 ? value : value * 10 + (c - '0');
    ++pos;
  }
  return value;
}

template <class Char>
bool startsWith(std::basic_string_view<Char> format, size_t pos, std::string_view ascii) {
  if (format.size() - pos < ascii.size()) return false;
  for (size_t i = 0; i < ascii.size(); ++i)
    if (syntaxChar(format[pos + i]) != ascii[i]) return false;
  return true;
}

template <class Char>
LengthKind parseLength(std::basic_string_view<Char> format, size_t& pos) {
  auto next = [&](size_t ahead) { return pos + ahead < format.size() ? syntaxChar(format[pos + ahead]) : '\0'; };
  switch (next(0)) {
    case 'h':
      if (next(1) == 'h') {
        pos += 2;
        return LengthKind::Byte;
      }
      ++pos;
      return LengthKind::Short;
    case 'l':
      if (next(1) == 'l') {
        pos += 2;
        return LengthKind::LongLong;
      }
      ++pos;
      return LengthKind::Long;
    case 'I':
      if (next(1) == '6' && next(2) == '4') {
        pos += 3;
        return LengthKind::LongLong;
      }
      if (next(1) == '3' && next(2) == '2') {
        pos += 3;
        return LengthKind::Long;
      }
      ++pos;
      return LengthKind::LongLong;
    case 'w': ++pos; return LengthKind::Wide;
    case 'L':
    case 'j':
    case 'z':
    case 't': ++pos; return LengthKind::LongLong;
    default: return LengthKind::Default;
  }
}

// Parses the directive whose '%' is at format[percent].
template <class Char>
FormatDirective parseDirective(std::basic_string_view<Char> format, size_t percent) {
  FormatDirective directive;
  size_t pos = percent + 1;
  for (; pos < format.size(); ++pos) {
    const char c = syntaxChar(format[pos]);
    if (c == '-')
      directive.leftAlign = true;
    else if (c == '+')
      directive.forceSign = true;
    else if (c == ' ')
      directive.blankSign = true;
    else if (c == '0')
      directive.zeroPad = true;
    else if (c == '#')
      directive.alternate = true;
    else
      break;
  }
  if (pos < format.size() && syntaxChar(format[pos]) == '*') {
    directive.width = kFieldFromArgument;
    ++pos;
  } else {
    directive.width = parseField(format, pos);
  }
  if (pos < format.size() && syntaxChar(format[pos]) == '.') {
    ++pos;
    if (pos < format.size() && syntaxChar(format[pos]) == '*') {
      directive.precision = kFieldFromArgument;
      ++pos;
    } else {
      directive.precision = parseField(format, pos);
    }
  }
  directive.length = parseLength(format, pos);
  if (pos >= format.size()) {
    directive.end = pos;
    return directive;  // '%' at the end of the text: letter stays '\0'
  }
  directive.letter = syntaxChar(format[pos]);
  directive.info = conversionInfo(directive.letter);
  directive.end = pos + 1;
  // Now: flags and fields are read, letter is the unit after the length
  // modifier ('\0' for a non-ASCII unit), and end points past it.
  return directive;
}

// True when a %c or %s conversion takes wide text in a format of this Char.
template <class Char>
bool takesWideText(const FormatDirective& directive) {
  if (directive.length == LengthKind::Short) return false;
  if (directive.length == LengthKind::Long || directive.length == LengthKind::Wide) return true;
  constexpr bool wideFormat = sizeof(Char) == 2;
  return directive.info.swapsWidth ? !wideFormat : wideFormat;
}

// Bits an integer conversion takes from its argument.
constexpr int integerBits(LengthKind length) {
  switch (length) {
    case LengthKind::Byte: return 8;
    case LengthKind::Short: return 16;
    case LengthKind::Default:
    case LengthKind::Long:
    case LengthKind::Wide: return 32;
    case LengthKind::LongLong: return 64;
  }
  return 32;
}

}  // namespace platform::format_detail
