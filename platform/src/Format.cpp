// The printf engine: one template over the output character type, walked
// once per call over the format text, rendering each directive from its
// typed argument. The interface and its rules are described in Format.h.
//
// Floating-point digits come from std::to_chars, which is exact (correctly
// rounded from the binary value) and ignores the process locale, so the
// decimal point is '.' even inside a program that set a user locale.
#include "platform/Format.h"

#include "FormatDirective.h"

#include "platform/CodePage.h"
#include "platform/TextTools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {
namespace {

using format_detail::ConversionKind;
using format_detail::FormatDirective;
using format_detail::kFieldFromArgument;
using format_detail::kNoPrecision;

constexpr bool isIntegerKind(FormatArgKind kind) {
  return kind == FormatArgKind::Int32 || kind == FormatArgKind::UInt32 || kind == FormatArgKind::Int64 ||
         kind == FormatArgKind::UInt64 || kind == FormatArgKind::NarrowChar || kind == FormatArgKind::WideChar;
}

constexpr bool isSignedKind(FormatArgKind kind) { return kind == FormatArgKind::Int32 || kind == FormatArgKind::Int64; }

constexpr bool isStringKind(FormatArgKind kind) {
  return kind == FormatArgKind::NarrowString || kind == FormatArgKind::WideString;
}

// The output, counting past its capacity as snprintf does.
template <class Char>
class Writer {
public:
  explicit Writer(FormatOutput<Char>& out) : out_(out) {}

  void put(Char unit) {
    if (out_.length < out_.capacity) out_.data[out_.length] = unit;
    ++out_.length;
  }
  void repeat(Char unit, size_t count) {
    const size_t room = out_.length < out_.capacity ? out_.capacity - out_.length : 0;
    // The counting pass has no buffer: no pointer may be formed from it.
    if (count > 0 && room > 0) std::fill_n(out_.data + out_.length, std::min(room, count), unit);
    out_.length += count;
  }
  void units(const Char* text, size_t count) {
    const size_t room = out_.length < out_.capacity ? out_.capacity - out_.length : 0;
    if (count > 0 && room > 0) std::memcpy(out_.data + out_.length, text, std::min(room, count) * sizeof(Char));
    out_.length += count;
  }
  void ascii(std::string_view text) {
    for (const char c : text) put(static_cast<Char>(static_cast<unsigned char>(c)));
  }

private:
  FormatOutput<Char>& out_;
};

// Length of a NUL-terminated text, reading at most limit units.
template <class Char>
size_t boundedLength(const Char* text, size_t limit) {
  if constexpr (sizeof(Char) == 1) {
    const void* nul = std::memchr(text, 0, limit == FormatArg::kUntilNul ? std::strlen(text) + 1 : limit);
    return nul == nullptr ? limit : static_cast<size_t>(static_cast<const char*>(nul) - text);
  }
  size_t length = 0;
  while (length < limit && text[length] != Char{}) ++length;
  return length;
}

// Appends the UTF-16 or UTF-8 form of one code point; invalid code points
// become the replacement of the output's encoding.
void appendCodePoint(std::u16string& out, uint32_t code) {
  platform::appendUtf16(out, code > 0x10FFFF ? 0xFFFD : code);
}

void appendCodePoint(std::string& out, uint32_t code) {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    out.push_back('?');
    return;
  }
  platform::appendUtf8(out, code);
}

// Text of the other encoding, converted; at most sourceLimit source units
// are read (the precision bounds how many can show).
std::u16string convertText(const char* text, size_t length, size_t sourceLimit) {
  if (length == FormatArg::kUntilNul) length = boundedLength(text, sourceLimit);
  return ansiToWideLenient(std::string_view(text, std::min(length, sourceLimit)));
}
std::string convertText(const char16_t* text, size_t length, size_t sourceLimit) {
  if (length == FormatArg::kUntilNul) length = boundedLength(text, sourceLimit);
  return wideToAnsiLenient(std::u16string_view(text, std::min(length, sourceLimit)));
}

template <class Char>
class Engine {
public:
  Engine(FormatOutput<Char>& out, std::basic_string_view<Char> format, std::span<const FormatArg> args)
      : writer_(out), format_(format), args_(args) {}

  FormatStatus run() {
    size_t pos = 0;
    while (pos < format_.size()) {
      const size_t percent = findPercent(pos);
      writer_.units(format_.data() + pos, percent - pos);
      if (percent == format_.size()) break;
      FormatDirective directive = format_detail::parseDirective(format_, percent);
      renderDirective(directive, percent);
      pos = directive.end;
    }
    return status_;
  }

private:
  using Text = std::basic_string<Char>;
  using OtherChar = std::conditional_t<sizeof(Char) == 1, char16_t, char>;

  size_t findPercent(size_t from) const {
    if constexpr (sizeof(Char) == 1) {
      const void* percent = std::memchr(format_.data() + from, '%', format_.size() - from);
      return percent == nullptr ? format_.size()
                                : static_cast<size_t>(static_cast<const char*>(percent) - format_.data());
    }
    for (size_t i = from; i < format_.size(); ++i)
      if (format_detail::syntaxChar(format_[i]) == '%') return i;
    return format_.size();
  }

  void fail(FormatErrorKind kind, size_t offset) {
    if (status_.ok()) status_ = FormatStatus{kind, offset};
  }

  const FormatArg* nextArg() {
    if (nextArg_ >= args_.size()) {
      fail(FormatErrorKind::MissingArgument, offset_);
      return nullptr;
    }
    return &args_[nextArg_++];
  }

  // A '*' field as an int; nullopt when the argument is missing or no integer.
  bool fieldFromArg(int& field) {
    const FormatArg* arg = nextArg();
    if (arg == nullptr) return false;
    if (!isIntegerKind(arg->kind())) {
      fail(FormatErrorKind::ArgumentMismatch, offset_);
      return false;
    }
    field = static_cast<int32_t>(static_cast<uint32_t>(arg->asUnsigned()));
    return true;
  }

  int clampField(int field) {
    if (field <= kMaxFormatField) return field;
    fail(FormatErrorKind::FieldClamped, offset_);
    return kMaxFormatField;
  }

  // Replaces '*' fields by their arguments and clamps both fields.
  void resolveFields(FormatDirective& directive) {
    if (directive.width == kFieldFromArgument) {
      int width = 0;
      if (!fieldFromArg(width)) width = 0;
      if (width < 0) {
        directive.leftAlign = true;
        width = width == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -width;
      }
      directive.width = width;
    }
    if (directive.precision == kFieldFromArgument) {
      int precision = kNoPrecision;
      if (!fieldFromArg(precision) || precision < 0) precision = kNoPrecision;
      directive.precision = precision;
    }
    directive.width = clampField(directive.width);
    directive.precision = clampField(directive.precision);
  }

  void copyDirectiveText(const FormatDirective& directive, size_t percent) {
    writer_.units(format_.data() + percent, directive.end - percent);
  }

  void renderDirective(FormatDirective& directive, size_t percent) {
    offset_ = percent;
    switch (directive.info.kind) {
      case ConversionKind::Percent: writer_.put(Char('%')); return;
      case ConversionKind::Invalid:
        fail(FormatErrorKind::BadDirective, percent);
        copyDirectiveText(directive, percent);
        return;
      case ConversionKind::Signed:
      case ConversionKind::Unsigned:
      case ConversionKind::Float:
      case ConversionKind::Char:
      case ConversionKind::String:
      case ConversionKind::Pointer:
      case ConversionKind::Count: break;
    }
    resolveFields(directive);
    const FormatArg* arg = nextArg();
    if (arg == nullptr) return;
    switch (directive.info.kind) {
      case ConversionKind::Signed:
      case ConversionKind::Unsigned: renderIntegerArg(directive, *arg); return;
      case ConversionKind::Float: renderFloatArg(directive, *arg); return;
      case ConversionKind::Char: renderCharArg(directive, *arg); return;
      case ConversionKind::String: renderStringArg(directive, *arg); return;
      case ConversionKind::Pointer: renderPointerArg(directive, *arg); return;
      case ConversionKind::Count: fail(FormatErrorKind::BadDirective, percent); return;
      case ConversionKind::Percent:
      case ConversionKind::Invalid: return;
    }
  }

  // Pads the body of the given length to the field width with blanks.
  template <class Body>
  void padded(const FormatDirective& directive, size_t length, Body&& body) {
    const size_t width = static_cast<size_t>(directive.width);
    const size_t pad = width > length ? width - length : 0;
    if (!directive.leftAlign) writer_.repeat(Char(' '), pad);
    body();
    if (directive.leftAlign) writer_.repeat(Char(' '), pad);
  }

  void mismatch() { fail(FormatErrorKind::ArgumentMismatch, offset_); }

  // An argument that cannot be shown by this conversion: an empty field.
  void renderEmpty(const FormatDirective& directive) {
    mismatch();
    padded(directive, 0, [] {});
  }

  // ---- integers ----

  void renderIntegerArg(const FormatDirective& directive, const FormatArg& arg) {
    uint64_t bits = 0;
    if (isIntegerKind(arg.kind())) {
      bits = arg.asUnsigned();
      checkTruncation(directive, arg);
    } else if (arg.kind() == FormatArgKind::Double) {
      mismatch();
      bits = static_cast<uint64_t>(truncatedDouble(arg.asDouble()));
    } else if (arg.kind() == FormatArgKind::Pointer) {
      mismatch();
      bits = reinterpret_cast<uintptr_t>(arg.pointer());
    } else {
      renderEmpty(directive);
      return;
    }
    const int width = format_detail::integerBits(directive.length);
    const uint64_t mask = width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
    bits &= mask;
    bool negative = false;
    if (directive.info.kind == ConversionKind::Signed && width < 64 && (bits >> (width - 1)) != 0) {
      negative = true;
      bits = (~bits + 1) & mask;  // magnitude of the sign-extended value
    } else if (directive.info.kind == ConversionKind::Signed && width == 64 && static_cast<int64_t>(bits) < 0) {
      negative = true;
      bits = ~bits + 1;
    }
    renderInteger(directive, bits, negative);
  }

  static int64_t truncatedDouble(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
    if (value <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
  }

  // A 64-bit value that neither the signed nor the unsigned reading of a
  // narrower conversion can hold loses digits: report it.
  void checkTruncation(const FormatDirective& directive, const FormatArg& arg) {
    const int width = format_detail::integerBits(directive.length);
    if (width == 64) return;
    if (arg.kind() != FormatArgKind::Int64 && arg.kind() != FormatArgKind::UInt64) return;
    const uint64_t unsignedMax = (uint64_t{1} << width) - 1;
    const bool fits = arg.kind() == FormatArgKind::UInt64
                          ? arg.asUnsigned() <= unsignedMax
                          : arg.asSigned() >= -static_cast<int64_t>(unsignedMax / 2 + 1) &&
                                arg.asSigned() <= static_cast<int64_t>(unsignedMax);
    if (!fits) fail(FormatErrorKind::ValueTruncated, offset_);
  }

  void renderInteger(const FormatDirective& directive, uint64_t magnitude, bool negative) {
    char digits[24];
    size_t count = 0;
    const char* alphabet = directive.info.upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (uint64_t v = magnitude; v != 0; v /= directive.info.base) digits[count++] = alphabet[v % directive.info.base];
    // A zero shows one digit unless the precision is explicitly 0.
    if (magnitude == 0 && directive.precision != 0) digits[count++] = '0';

    std::string_view prefix;
    if (negative)
      prefix = "-";
    else if (directive.info.kind == ConversionKind::Signed && directive.forceSign)
      prefix = "+";
    else if (directive.info.kind == ConversionKind::Signed && directive.blankSign)
      prefix = " ";
    else if (directive.alternate && directive.info.base == 16 && magnitude != 0)
      prefix = directive.info.upper ? "0X" : "0x";

    size_t zeros =
        directive.precision > 0 && static_cast<size_t>(directive.precision) > count ? directive.precision - count : 0;
    // The octal '#' makes the first digit a zero.
    if (directive.alternate && directive.info.base == 8 && zeros == 0 && (count == 0 || digits[count - 1] != '0'))
      zeros = 1;
    if (directive.zeroPad && !directive.leftAlign && directive.precision == kNoPrecision) {
      const size_t used = prefix.size() + zeros + count;
      if (static_cast<size_t>(directive.width) > used) zeros += directive.width - used;
    }
    padded(directive, prefix.size() + zeros + count, [&] {
      writer_.ascii(prefix);
      writer_.repeat(Char('0'), zeros);
      for (size_t i = count; i > 0; --i) writer_.put(Char(digits[i - 1]));
    });
  }

  void renderPointerArg(const FormatDirective& directive, const FormatArg& arg) {
    uint64_t bits = 0;
    if (arg.kind() == FormatArgKind::Pointer || isStringKind(arg.kind())) {
      bits = reinterpret_cast<uintptr_t>(arg.pointer());
    } else if (isIntegerKind(arg.kind())) {
      mismatch();
      bits = arg.asUnsigned();
    } else {
      renderEmpty(directive);
      return;
    }
    // A pointer always shows all 16 digits, upper case, without prefix.
    FormatDirective pointerDirective = directive;
    pointerDirective.precision = 16;
    pointerDirective.alternate = false;
    pointerDirective.zeroPad = false;
    renderInteger(pointerDirective, bits, false);
  }

  // ---- floating point ----

  void renderFloatArg(const FormatDirective& directive, const FormatArg& arg) {
    if (arg.kind() == FormatArgKind::Double) {
      renderFloat(directive, arg.asDouble());
      return;
    }
    if (!isIntegerKind(arg.kind())) {
      renderEmpty(directive);
      return;
    }
    mismatch();
    renderFloat(directive,
                isSignedKind(arg.kind()) ? static_cast<double>(arg.asSigned()) : static_cast<double>(arg.asUnsigned()));
  }

  void renderFloat(const FormatDirective& directive, double value) {
    std::string_view sign;
    if (std::signbit(value))
      sign = "-";
    else if (directive.forceSign)
      sign = "+";
    else if (directive.blankSign)
      sign = " ";

    // Large enough for 309 integer digits, the clamped precision and an exponent.
    char buffer[kMaxFormatField + 400];
    size_t length = 0;
    bool finite = std::isfinite(value);
    if (!finite) {
      const char* word =
          std::isnan(value) ? (directive.info.upper ? "NAN" : "nan") : (directive.info.upper ? "INF" : "inf");
      length = 3;
      std::memcpy(buffer, word, 3);
    } else {
      length = floatBody(directive, std::fabs(value), buffer, sizeof buffer);
    }
    size_t zeros = 0;
    if (finite && directive.zeroPad && !directive.leftAlign &&
        static_cast<size_t>(directive.width) > sign.size() + length)
      zeros = directive.width - sign.size() - length;
    padded(directive, sign.size() + zeros + length, [&] {
      writer_.ascii(sign);
      writer_.repeat(Char('0'), zeros);
      writer_.ascii(std::string_view(buffer, length));
    });
  }

  // Digits of a non-negative finite value for e, f or g; returns the length.
  static size_t floatBody(const FormatDirective& directive, double value, char* buffer, size_t size) {
    const char letter = static_cast<char>(directive.letter | 0x20);
    const int precision = directive.precision == kNoPrecision ? 6 : directive.precision;
    char* end = buffer;
    bool strip = false;
    if (letter == 'f') {
      end = std::to_chars(buffer, buffer + size, value, std::chars_format::fixed, precision).ptr;
    } else if (letter == 'e') {
      end = std::to_chars(buffer, buffer + size, value, std::chars_format::scientific, precision).ptr;
    } else {
      // %g: scientific when the exponent X is below -4 or at least P,
      // otherwise fixed with P - 1 - X decimals; trailing zeros go unless '#'.
      const int significant = precision == 0 ? 1 : precision;
      const int exponent = decimalExponent(value, significant);
      if (exponent < -4 || exponent >= significant)
        end = std::to_chars(buffer, buffer + size, value, std::chars_format::scientific, significant - 1).ptr;
      else
        end = std::to_chars(buffer, buffer + size, value, std::chars_format::fixed, significant - 1 - exponent).ptr;
      strip = !directive.alternate;
    }
    size_t length = static_cast<size_t>(end - buffer);
    const size_t mantissaEnd = std::find_if(buffer, buffer + length, [](char c) { return c == 'e'; }) - buffer;
    const bool hasPoint = std::find(buffer, buffer + mantissaEnd, '.') != buffer + mantissaEnd;
    if (strip && hasPoint) {
      size_t cut = mantissaEnd;
      while (buffer[cut - 1] == '0') --cut;
      if (buffer[cut - 1] == '.') --cut;
      std::memmove(buffer + cut, buffer + mantissaEnd, length - mantissaEnd);
      length -= mantissaEnd - cut;
    } else if (directive.alternate && !hasPoint) {
      std::memmove(buffer + mantissaEnd + 1, buffer + mantissaEnd, length - mantissaEnd);
      buffer[mantissaEnd] = '.';
      ++length;
    }
    if (directive.info.upper) {
      for (size_t i = 0; i < length; ++i)
        if (buffer[i] == 'e') buffer[i] = 'E';
    }
    return length;
  }

  // The decimal exponent of the value once rounded to the given digits.
  static int decimalExponent(double value, int significant) {
    if (value == 0) return 0;
    char digits[kMaxFormatField + 40];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, significant - 1);
    const char* e = std::find(digits, result.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, exponent);
    return exponent;
  }

  // ---- characters and strings ----

  void renderCharArg(const FormatDirective& directive, const FormatArg& arg) {
    if (!isIntegerKind(arg.kind())) {
      renderEmpty(directive);
      return;
    }
    const bool wideConversion = format_detail::takesWideText<Char>(directive);
    const uint32_t code = static_cast<uint32_t>(arg.asUnsigned());
    Text units;
    if (arg.kind() == FormatArgKind::NarrowChar || (!wideConversion && code < 0x100)) {
      // A byte of narrow text; alone it is only a character when it is ASCII.
      const uint32_t byte = code & 0xFF;
      if constexpr (sizeof(Char) == 1)
        units.push_back(static_cast<char>(byte));
      else
        units.push_back(byte < 0x80 ? char16_t(byte) : char16_t(0xFFFD));
    } else if constexpr (sizeof(Char) == 2) {
      // A lone surrogate stays a unit of wide text, as it would in a string.
      if (code <= 0xFFFF)
        units.push_back(static_cast<char16_t>(code));
      else
        appendCodePoint(units, code);
    } else {
      appendCodePoint(units, code);
    }
    renderText(directive, units, /*honourPrecision=*/false);
  }

  void renderStringArg(const FormatDirective& directive, const FormatArg& arg) {
    if (!isStringKind(arg.kind())) {
      renderEmpty(directive);
      return;
    }
    const bool wideArg = arg.kind() == FormatArgKind::WideString;
    if (wideArg != format_detail::takesWideText<Char>(directive)) mismatch();
    const size_t precision = directive.precision == kNoPrecision ? FormatArg::kUntilNul : size_t(directive.precision);
    if (arg.pointer() == nullptr) {
      Text null;
      for (const char c : std::string_view("(null)")) null.push_back(Char(c));
      renderText(directive, null, true);
      return;
    }
    if (wideArg == (sizeof(Char) == 2)) {
      // Same encoding: the units as they are; never read past the precision.
      const Char* text = static_cast<const Char*>(arg.pointer());
      size_t length = arg.stringLength();
      length = length == FormatArg::kUntilNul ? boundedLength(text, precision) : std::min(length, precision);
      renderText(directive, std::basic_string_view<Char>(text, length), false);
      return;
    }
    // Another encoding: converted, and cut at a whole character. A unit of
    // output needs at most four source bytes, a byte at most one source unit.
    const size_t limit = precision == FormatArg::kUntilNul ? precision : precision * 4 + 4;
    const Text converted = convertText(static_cast<const OtherChar*>(arg.pointer()), arg.stringLength(), limit);
    const size_t cut = precision == FormatArg::kUntilNul
                           ? converted.size()
                           : wholeCharacterCut(std::basic_string_view<Char>(converted), precision);
    renderText(directive, std::basic_string_view<Char>(converted).substr(0, cut), false);
  }

  // Text in a field; like the Windows runtime, the '0' flag pads it with zeros.
  void renderText(const FormatDirective& directive, std::basic_string_view<Char> text, bool honourPrecision) {
    if (honourPrecision && directive.precision != kNoPrecision) text = text.substr(0, size_t(directive.precision));
    const size_t width = static_cast<size_t>(directive.width);
    const size_t pad = width > text.size() ? width - text.size() : 0;
    const Char fill = directive.zeroPad && !directive.leftAlign ? Char('0') : Char(' ');
    if (!directive.leftAlign) writer_.repeat(fill, pad);
    writer_.units(text.data(), text.size());
    if (directive.leftAlign) writer_.repeat(Char(' '), pad);
  }

  Writer<Char> writer_;
  std::basic_string_view<Char> format_;
  std::span<const FormatArg> args_;
  size_t nextArg_ = 0;   // index of the next argument to take
  size_t offset_ = 0;    // where the directive being rendered starts
  FormatStatus status_;  // the first problem met; later ones are not kept
};

}  // namespace

FormatStatus formatArgs(FormatOutput<char>& out, std::string_view format, std::span<const FormatArg> args) {
  return Engine<char>(out, format, args).run();
}

FormatStatus formatArgs(FormatOutput<char16_t>& out, std::u16string_view format, std::span<const FormatArg> args) {
  return Engine<char16_t>(out, format, args).run();
}

}  // namespace platform
