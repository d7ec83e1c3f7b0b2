// The scanf-style reader: one template over the text's character type that
// walks the format once, matching literal units and converting fields into
// typed targets. The rules are described in Scan.h.
#include "platform/Scan.h"

#include "FormatDirective.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {
namespace {

using format_detail::syntaxChar;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool isIntegerTarget(ScanTargetKind kind) {
  switch (kind) {
    case ScanTargetKind::Int8:
    case ScanTargetKind::Int16:
    case ScanTargetKind::Int32:
    case ScanTargetKind::Int64:
    case ScanTargetKind::UInt8:
    case ScanTargetKind::UInt16:
    case ScanTargetKind::UInt32:
    case ScanTargetKind::UInt64: return true;
    case ScanTargetKind::Float:
    case ScanTargetKind::Double:
    case ScanTargetKind::NarrowChar:
    case ScanTargetKind::WideChar:
    case ScanTargetKind::NarrowString:
    case ScanTargetKind::WideString: return false;
  }
  return false;
}

// Bits of an integer target and whether it is signed.
int targetBits(ScanTargetKind kind) {
  switch (kind) {
    case ScanTargetKind::Int8:
    case ScanTargetKind::UInt8: return 8;
    case ScanTargetKind::Int16:
    case ScanTargetKind::UInt16: return 16;
    case ScanTargetKind::Int32:
    case ScanTargetKind::UInt32: return 32;
    default: return 64;
  }
}

bool isSignedTarget(ScanTargetKind kind) {
  return kind == ScanTargetKind::Int8 || kind == ScanTargetKind::Int16 || kind == ScanTargetKind::Int32 ||
         kind == ScanTargetKind::Int64;
}

// Stores the low bits of value into an integer target.
void storeInteger(const ScanTarget& target, uint64_t value) {
  switch (target.kind()) {
    case ScanTargetKind::Int8: *static_cast<int8_t*>(target.pointer()) = static_cast<int8_t>(value); return;
    case ScanTargetKind::UInt8: *static_cast<uint8_t*>(target.pointer()) = static_cast<uint8_t>(value); return;
    case ScanTargetKind::Int16: *static_cast<int16_t*>(target.pointer()) = static_cast<int16_t>(value); return;
    case ScanTargetKind::UInt16: *static_cast<uint16_t*>(target.pointer()) = static_cast<uint16_t>(value); return;
    case ScanTargetKind::Int32: *static_cast<int32_t*>(target.pointer()) = static_cast<int32_t>(value); return;
    case ScanTargetKind::UInt32: *static_cast<uint32_t*>(target.pointer()) = static_cast<uint32_t>(value); return;
    case ScanTargetKind::Int64: *static_cast<int64_t*>(target.pointer()) = static_cast<int64_t>(value); return;
    case ScanTargetKind::UInt64: *static_cast<uint64_t*>(target.pointer()) = value; return;
    default: return;
  }
}

// What stopped a directive.
enum class StepKind { Matched, Mismatch, EndOfText, Fault };

template <class Char>
class Scanner {
public:
  Scanner(std::basic_string_view<Char> text, std::basic_string_view<Char> format, std::span<const ScanTarget> targets)
      : text_(text), format_(format), targets_(targets) {}

  ScanResult run() {
    size_t pos = 0;
    while (pos < format_.size()) {
      const StepKind step = directive(pos);
      if (step == StepKind::Matched) continue;
      if (step == StepKind::EndOfText && result_.count == 0 && !converted_) result_.count = -1;
      break;
    }
    return result_;
  }

private:
  using Text = std::basic_string<Char>;

  char peek() const { return at_ < text_.size() ? syntaxChar(text_[at_]) : '\0'; }
  bool atEnd() const { return at_ >= text_.size(); }
  void skipBlanks() {
    while (!atEnd() && isBlank(peek())) ++at_;
  }

  StepKind fault(FormatErrorKind kind) {
    if (result_.status.ok()) result_.status = FormatStatus{kind, specStart_};
    return StepKind::Fault;
  }

  // Runs the directive at format_[pos] and moves pos past it.
  StepKind directive(size_t& pos) {
    const char c = syntaxChar(format_[pos]);
    if (isBlank(c)) {
      while (pos < format_.size() && isBlank(syntaxChar(format_[pos]))) ++pos;
      skipBlanks();
      return StepKind::Matched;
    }
    if (c != '%') {
      if (atEnd()) return StepKind::EndOfText;
      if (text_[at_] != format_[pos]) return StepKind::Mismatch;
      ++at_;
      ++pos;
      return StepKind::Matched;
    }
    return conversion(pos);
  }

  StepKind conversion(size_t& pos) {
    specStart_ = pos;
    ++pos;
    bool suppress = false;
    if (pos < format_.size() && syntaxChar(format_[pos]) == '*') {
      suppress = true;
      ++pos;
    }
    const bool hasWidth = pos < format_.size() && syntaxChar(format_[pos]) >= '0' && syntaxChar(format_[pos]) <= '9';
    const int width = format_detail::parseField(format_, pos);
    size_t limit = hasWidth && width > 0 ? static_cast<size_t>(width) : std::numeric_limits<size_t>::max();
    format_detail::parseLength(format_, pos);
    if (pos >= format_.size()) return fault(FormatErrorKind::BadDirective);
    const char letter = syntaxChar(format_[pos++]);
    switch (letter) {
      case '%':
        skipBlanks();
        if (atEnd()) return StepKind::EndOfText;
        if (peek() != '%') return StepKind::Mismatch;
        ++at_;
        return StepKind::Matched;
      case 'n': {
        if (suppress) return StepKind::Matched;
        const ScanTarget* target = nextTarget();
        if (target == nullptr) return StepKind::Fault;
        if (!isIntegerTarget(target->kind())) return fault(FormatErrorKind::ArgumentMismatch);
        storeInteger(*target, at_);
        return StepKind::Matched;
      }
      case 'd': return integer(suppress, limit, 10, true);
      case 'i': return integer(suppress, limit, 0, true);
      case 'u':
      case 'U': return integer(suppress, limit, 10, false);
      case 'o': return integer(suppress, limit, 8, false);
      case 'x':
      case 'X': return integer(suppress, limit, 16, false);
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G': return floating(suppress, limit);
      case 'c': return characters(suppress, hasWidth ? limit : 1);
      case 's': return word(suppress, limit);
      default: return fault(FormatErrorKind::BadDirective);
    }
  }

  const ScanTarget* nextTarget() {
    if (nextTarget_ < targets_.size()) return &targets_[nextTarget_++];
    fault(FormatErrorKind::MissingArgument);
    return nullptr;
  }

  // The target for a field that was read, checked against what it needs.
  const ScanTarget* targetFor(bool (*accepts)(ScanTargetKind)) {
    const ScanTarget* target = nextTarget();
    if (target == nullptr) return nullptr;
    if (accepts(target->kind())) return target;
    fault(FormatErrorKind::ArgumentMismatch);
    return nullptr;
  }

  void assigned() {
    converted_ = true;
    ++result_.count;
  }

  // Sign, optional base prefix and digits; base 0 decides by the prefix.
  StepKind integer(bool suppress, size_t limit, int base, bool isSignedConversion) {
    skipBlanks();
    if (atEnd()) return StepKind::EndOfText;
    const size_t start = at_;
    const size_t end = limit > text_.size() - at_ ? text_.size() : at_ + limit;
    bool negative = false;
    if (at_ < end && (peek() == '-' || peek() == '+')) negative = syntaxChar(text_[at_++]) == '-';
    const bool hexPrefix = at_ + 2 < end && peek() == '0' && (syntaxChar(text_[at_ + 1]) | 0x20) == 'x' &&
                           digitValue(syntaxChar(text_[at_ + 2])) < 16;
    if (base == 0) base = hexPrefix ? 16 : (at_ < end && peek() == '0') ? 8 : 10;
    if (base == 16 && hexPrefix) at_ += 2;
    uint64_t magnitude = 0;
    bool overflow = false;
    size_t digits = 0;
    while (at_ < end && digitValue(peek()) < base) {
      const uint64_t digit = static_cast<uint64_t>(digitValue(peek()));
      if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / static_cast<uint64_t>(base))
        overflow = true;
      else
        magnitude = magnitude * static_cast<uint64_t>(base) + digit;
      ++at_;
      ++digits;
    }
    if (digits == 0) {
      at_ = start;
      return StepKind::Mismatch;
    }
    if (overflow) magnitude = std::numeric_limits<uint64_t>::max();
    if (suppress) return StepKind::Matched;
    const ScanTarget* target = targetFor(isIntegerTarget);
    if (target == nullptr) return StepKind::Fault;
    storeInteger(*target, integerValue(*target, magnitude, negative, isSignedConversion));
    assigned();
    return StepKind::Matched;
  }

  // The bits to store: a signed reading saturates at the target's range; an
  // unsigned one saturates its magnitude and then applies the sign modulo
  // the target's width.
  static uint64_t integerValue(const ScanTarget& target, uint64_t magnitude, bool negative, bool isSignedConversion) {
    const int bits = targetBits(target.kind());
    const uint64_t unsignedMax = bits == 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t{1} << bits) - 1;
    if (isSignedConversion && isSignedTarget(target.kind())) {
      const uint64_t positiveMax = unsignedMax >> 1;
      if (negative) return magnitude > positiveMax ? ~positiveMax : ~magnitude + 1;
      return std::min(magnitude, positiveMax);
    }
    if (isSignedConversion && negative) return 0;  // a negative number into an unsigned target
    magnitude = std::min(magnitude, unsignedMax);
    return negative ? (~magnitude + 1) & unsignedMax : magnitude;
  }

  // The longest prefix that reads as a decimal floating-point number.
  StepKind floating(bool suppress, size_t limit) {
    skipBlanks();
    if (atEnd()) return StepKind::EndOfText;
    const size_t end = limit > text_.size() - at_ ? text_.size() : at_ + limit;
    std::string number;
    size_t pos = at_;
    auto unit = [&](size_t i) { return i < end ? syntaxChar(text_[i]) : '\0'; };
    if (unit(pos) == '-' || unit(pos) == '+') {
      if (unit(pos) == '-') number.push_back('-');
      ++pos;
    }
    if (const size_t word = specialWord(pos, end); word > 0) {
      for (size_t i = pos; i < pos + word; ++i) number.push_back(static_cast<char>(unit(i) | 0x20));
      pos += word;
    } else {
      size_t digits = 0;
      for (; unit(pos) >= '0' && unit(pos) <= '9'; ++pos, ++digits) number.push_back(unit(pos));
      if (unit(pos) == '.') {
        number.push_back('.');
        for (++pos; unit(pos) >= '0' && unit(pos) <= '9'; ++pos, ++digits) number.push_back(unit(pos));
      }
      if (digits == 0) return StepKind::Mismatch;
      // An exponent only counts when digits follow it.
      size_t exponent = pos;
      if ((unit(exponent) | 0x20) == 'e') {
        std::string tail = "e";
        ++exponent;
        if (unit(exponent) == '-' || unit(exponent) == '+') tail.push_back(unit(exponent++));
        if (unit(exponent) >= '0' && unit(exponent) <= '9') {
          for (; unit(exponent) >= '0' && unit(exponent) <= '9'; ++exponent) tail.push_back(unit(exponent));
          number += tail;
          pos = exponent;
        }
      }
    }
    double value = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) value = decodeOutOfRange(number);
    at_ = pos;
    if (suppress) return StepKind::Matched;
    const ScanTarget* target =
        targetFor([](ScanTargetKind kind) { return kind == ScanTargetKind::Float || kind == ScanTargetKind::Double; });
    if (target == nullptr) return StepKind::Fault;
    if (target->kind() == ScanTargetKind::Float)
      *static_cast<float*>(target->pointer()) = static_cast<float>(value);
    else
      *static_cast<double*>(target->pointer()) = value;
    assigned();
    return StepKind::Matched;
  }

  // Length of "infinity", "inf" or "nan" (any case) at pos, or 0.
  size_t specialWord(size_t pos, size_t end) const {
    for (std::string_view word : {std::string_view("infinity"), std::string_view("inf"), std::string_view("nan")}) {
      if (end - pos < word.size()) continue;
      bool same = true;
      for (size_t i = 0; i < word.size() && same; ++i) same = (syntaxChar(text_[pos + i]) | 0x20) == word[i];
      if (same) return word.size();
    }
    return 0;
  }

  // from_chars leaves the value alone when out of range; C gives the
  // overflowed infinity or the underflowed zero with the number's sign.
  static double decodeOutOfRange(const std::string& number) {
    const bool negative = number[0] == '-';
    const size_t e = number.find('e');
    const bool tiny = e != std::string::npos && number.find('-', e) != std::string::npos;
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
  }

  StepKind characters(bool suppress, size_t count) {
    if (atEnd()) return StepKind::EndOfText;
    if (text_.size() - at_ < count) count = text_.size() - at_;
    const std::basic_string_view<Char> field = text_.substr(at_, count);
    at_ += count;
    if (suppress) return StepKind::Matched;
    const ScanTarget* target = targetFor([](ScanTargetKind kind) {
      return sizeof(Char) == 1 ? kind == ScanTargetKind::NarrowChar || kind == ScanTargetKind::NarrowString
                               : kind == ScanTargetKind::WideChar || kind == ScanTargetKind::WideString;
    });
    if (target == nullptr) return StepKind::Fault;
    if (target->kind() == ScanTargetKind::NarrowString || target->kind() == ScanTargetKind::WideString)
      static_cast<Text*>(target->pointer())->assign(field);
    else
      *static_cast<Char*>(target->pointer()) = field[0];
    assigned();
    return StepKind::Matched;
  }

  StepKind word(bool suppress, size_t limit) {
    skipBlanks();
    if (atEnd()) return StepKind::EndOfText;
    const size_t start = at_;
    while (!atEnd() && at_ - start < limit && !isBlank(peek())) ++at_;
    if (suppress) return StepKind::Matched;
    const ScanTarget* target = targetFor([](ScanTargetKind kind) {
      return kind == (sizeof(Char) == 1 ? ScanTargetKind::NarrowString : ScanTargetKind::WideString);
    });
    if (target == nullptr) return StepKind::Fault;
    static_cast<Text*>(target->pointer())->assign(text_.substr(start, at_ - start));
    assigned();
    return StepKind::Matched;
  }

  std::basic_string_view<Char> text_;
  std::basic_string_view<Char> format_;
  std::span<const ScanTarget> targets_;
  size_t at_ = 0;           // units of text consumed
  size_t nextTarget_ = 0;   // index of the next target to fill
  size_t specStart_ = 0;    // where the conversion being read starts in the format
  bool converted_ = false;  // an item was assigned
  ScanResult result_;
};

}  // namespace

ScanResult scanArgs(std::string_view text, std::string_view format, std::span<const ScanTarget> targets) {
  return Scanner<char>(text, format, targets).run();
}

ScanResult scanArgs(std::u16string_view text, std::u16string_view format, std::span<const ScanTarget> targets) {
  return Scanner<char16_t>(text, format, targets).run();
}

}  // namespace platform
