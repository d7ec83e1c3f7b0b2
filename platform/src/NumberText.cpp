// The framework's number-text conversions (see NumberText.h).
//
// Every floating-point form goes through one decimal decomposition: the
// value as a string of significant digits and a decimal exponent, rounded
// once. The forms then only lay those digits out.
#include "platform/NumberText.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace platform {
namespace {

constexpr int kNoDecimalLimit = 1 << 20;
constexpr int kMaxSignificant = 18;

// A value as 0.d1d2d3... x 10^exponent. Zero has no digits and exponent 0;
// infinities and NaN carry their word instead.
struct Decimal {
  bool negative = false;
  std::string special;  // "INF", "-INF", "NAN" or empty
  int exponent = 0;
  std::string digits;  // no trailing zeros

  bool isZero() const { return special.empty() && digits.empty(); }
};

// Rounds the value to at most `significant` digits and, when decimals is
// not kNoDecimalLimit, to that many digits after the point. The first
// rounding to 18 digits is exact; the second sends halves away from zero.
Decimal decompose(double value, int significant, int decimals) {
  Decimal d;
  if (std::isnan(value)) {
    d.special = "NAN";
    return d;
  }
  if (std::isinf(value)) {
    d.special = value < 0 ? "-INF" : "INF";
    return d;
  }
  if (value == 0) return d;
  d.negative = value < 0;
  char buffer[48];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                                 kMaxSignificant - 1)
                       .ptr;
  // buffer now holds "d.ddddddddddddddddde±xx".
  const char* e = std::find(buffer, end, 'e');
  d.digits.push_back(buffer[0]);
  d.digits.append(buffer + 2, static_cast<size_t>(e - (buffer + 2)));
  int scientificExponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, scientificExponent);
  d.exponent = scientificExponent + 1;

  int keep = std::clamp(significant, 1, kMaxSignificant);
  if (decimals != kNoDecimalLimit) keep = std::min(keep, d.exponent + decimals);
  if (keep < 0) return Decimal{};
  if (static_cast<size_t>(keep) < d.digits.size()) {
    const bool roundUp = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
      int i = keep - 1;
      while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
      if (i < 0) {
        d.digits.insert(d.digits.begin(), '1');
        ++d.exponent;
      } else {
        ++d.digits[static_cast<size_t>(i)];
      }
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) return Decimal{};
  return d;
}

std::string paddedNumber(int value, int minDigits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < minDigits) text.insert(0, static_cast<size_t>(minDigits) - text.size(), '0');
  return text;
}

// The integer part's digits: the first `exponent` digits, zero-filled.
std::string integerDigits(const Decimal& d) {
  if (d.exponent <= 0) return {};
  std::string text = d.digits.substr(0, std::min(d.digits.size(), static_cast<size_t>(d.exponent)));
  text.resize(static_cast<size_t>(d.exponent), '0');
  return text;
}

// `count` digits after the point, zero-filled.
std::string fractionDigits(const Decimal& d, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const int index = d.exponent + i;
    text.push_back(index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(index)]
                                                                           : '0');
  }
  return text;
}

std::string grouped(const std::string& digits, char separator) {
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    text.push_back(digits[i]);
    const size_t remaining = digits.size() - 1 - i;
    if (remaining > 0 && remaining % 3 == 0) text.push_back(separator);
  }
  return text;
}

std::string generalForm(double value, int precision, int digits, const NumberFormatSettings& settings) {
  const Decimal d = decompose(value, precision, kNoDecimalLimit);
  if (!d.special.empty()) return d.special;
  if (d.isZero()) return "0";
  std::string text = d.negative ? "-" : "";
  const int significant = std::clamp(precision, 1, kMaxSignificant);
  if (d.exponent > significant || d.exponent < -3) {
    // Scientific: the exponent carries a sign only when negative.
    text.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
      text.push_back(settings.decimalSeparator);
      text.append(d.digits, 1);
    }
    const int exponent = d.exponent - 1;
    text += exponent < 0 ? "E-" : "E";
    text += paddedNumber(std::abs(exponent), std::clamp(digits, 0, 4));
    return text;
  }
  const std::string whole = integerDigits(d);
  text += whole.empty() ? "0" : whole;
  const int decimals = static_cast<int>(d.digits.size()) - d.exponent;
  if (decimals > 0) {
    text.push_back(settings.decimalSeparator);
    text += fractionDigits(d, decimals);
  }
  return text;
}

std::string exponentForm(double value, int precision, int digits, const NumberFormatSettings& settings) {
  const Decimal d = decompose(value, precision, kNoDecimalLimit);
  if (!d.special.empty()) return d.special;
  const int significant = std::clamp(precision, 1, kMaxSignificant);
  std::string mantissa = d.digits;
  mantissa.resize(static_cast<size_t>(significant), '0');
  std::string text = d.negative ? "-" : "";
  text.push_back(mantissa[0]);
  if (significant > 1) {
    text.push_back(settings.decimalSeparator);
    text.append(mantissa, 1);
  }
  const int exponent = d.isZero() ? 0 : d.exponent - 1;
  text += exponent < 0 ? "E-" : "E+";
  text += paddedNumber(std::abs(exponent), std::clamp(digits, 0, 4));
  return text;
}

// Fixed-point digits without the sign; `negative` tells whether one is due.
// Falls back to the general form (signed) when the integer part is too long.
bool fixedBody(double value, int precision, int digits, bool thousands, const NumberFormatSettings& settings,
               std::string& body, bool& negative) {
  const Decimal check = decompose(value, precision, kNoDecimalLimit);
  if (!check.special.empty()) {
    body = check.special;
    return false;
  }
  if (check.exponent > std::clamp(precision, 1, kMaxSignificant)) {
    body = generalForm(value, precision, 0, settings);
    return false;
  }
  const int decimals = std::clamp(digits, 0, kMaxSignificant);
  const Decimal d = decompose(value, precision, decimals);
  std::string whole = integerDigits(d);
  if (whole.empty()) whole.push_back('0');
  body = thousands ? grouped(whole, settings.thousandSeparator) : whole;
  if (decimals > 0) {
    body.push_back(settings.decimalSeparator);
    body += fractionDigits(d, decimals);
  }
  negative = d.negative;
  return true;
}

std::string currencyLayout(const std::string& amount, bool negative, const NumberFormatSettings& settings) {
  // '$' stands for the currency string and '1' for the amount.
  static constexpr std::string_view kPositive[] = {"$1", "1$", "$ 1", "1 $"};
  static constexpr std::string_view kNegative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                                   "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  const std::string_view layout = negative ? kNegative[std::clamp(settings.negativeCurrencyFormat, 0, 15)]
                                           : kPositive[std::clamp(settings.currencyFormat, 0, 3)];
  std::string text;
  for (const char c : layout) {
    if (c == '$')
      text += settings.currencyString;
    else if (c == '1')
      text += amount;
    else
      text.push_back(c);
  }
  return text;
}

// ---- pictures ----

// One section of a picture, analysed.
struct Picture {
  std::string_view text;
  int integerPlaces = 0;     // '0' and '#' before the point
  int minIntegerDigits = 0;  // places from the first '0' before the point to the point
  int decimalPlaces = 0;     // '0' and '#' after the point
  int minDecimals = 0;       // places after the point up to the last '0'
  bool thousands = false;    // a ',' appears
  bool scientific = false;   // "E+0", "E-0", "e+0" or "e-0" appears
};

bool isQuote(char c) { return c == '\'' || c == '"'; }

// Index just past the quoted literal that starts at i.
size_t skipQuoted(std::string_view text, size_t i) {
  const size_t close = text.find(text[i], i + 1);
  return close == std::string_view::npos ? text.size() : close + 1;
}

// Length of the exponent marker at i ("E+00"), or 0 when there is none.
size_t exponentMarker(std::string_view text, size_t i) {
  if (i + 1 >= text.size() || (text[i] != 'E' && text[i] != 'e') || (text[i + 1] != '+' && text[i + 1] != '-'))
    return 0;
  size_t end = i + 2;
  while (end < text.size() && text[end] == '0' && end - (i + 2) < 4) ++end;
  return end > i + 2 ? end - i : 0;
}

std::vector<std::string_view> splitSections(std::string_view picture) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < picture.size();) {
    if (isQuote(picture[i])) {
      i = skipQuoted(picture, i);
      continue;
    }
    if (picture[i] == ';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  sections.push_back(picture.substr(start));
  if (sections.size() > 3) sections.resize(3);
  return sections;
}

Picture analyse(std::string_view text) {
  Picture p;
  p.text = text;
  bool afterPoint = false;
  int firstZero = -1;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (isQuote(c)) {
      i = skipQuoted(text, i);
      continue;
    }
    if (const size_t marker = exponentMarker(text, i); marker > 0) {
      p.scientific = true;
      i += marker;
      continue;
    }
    if (c == '.') afterPoint = true;
    if (c == ',') p.thousands = true;
    if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.decimalPlaces;
        if (c == '0') p.minDecimals = p.decimalPlaces;
      } else {
        if (c == '0' && firstZero < 0) firstZero = p.integerPlaces;
        ++p.integerPlaces;
      }
    }
    ++i;
  }
  p.minIntegerDigits = firstZero < 0 ? 0 : p.integerPlaces - firstZero;
  return p;
}

// Lays the digits out along the picture. Integer digits are aligned to the
// last integer place; any beyond the places all go at the first one.
std::string layOut(const Picture& p, const std::string& whole, const std::string& fraction, int exponent,
                   const NumberFormatSettings& settings) {
  std::string out;
  const std::string_view text = p.text;
  const int length = static_cast<int>(whole.size());
  const int offset = length - p.integerPlaces;
  auto emitDigit = [&](int index) {
    out.push_back(whole[static_cast<size_t>(index)]);
    const int remaining = length - 1 - index;
    if (p.thousands && remaining > 0 && remaining % 3 == 0) out.push_back(settings.thousandSeparator);
  };
  int place = 0;
  size_t fractionPlace = 0;
  bool afterPoint = false;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (isQuote(c)) {
      const size_t close = text.find(c, i + 1);
      const size_t stop = close == std::string_view::npos ? text.size() : close;
      out.append(text.substr(i + 1, stop - i - 1));
      i = close == std::string_view::npos ? text.size() : close + 1;
      continue;
    }
    if (const size_t marker = exponentMarker(text, i); marker > 0 && p.scientific) {
      out.push_back(c);
      if (exponent < 0)
        out.push_back('-');
      else if (text[i + 1] == '+')
        out.push_back('+');
      out += paddedNumber(std::abs(exponent), static_cast<int>(marker) - 2);
      i += marker;
      continue;
    }
    ++i;
    if ((c == '0' || c == '#') && !afterPoint) {
      const int index = offset + place;
      for (int k = place == 0 ? 0 : index; k <= index; ++k)
        if (k >= 0) emitDigit(k);
      ++place;
    } else if (c == '0' || c == '#') {
      if (fractionPlace < fraction.size()) out.push_back(fraction[fractionPlace]);
      ++fractionPlace;
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
      if (p.integerPlaces == 0)
        for (int k = 0; k < length; ++k) emitDigit(k);
      if (!fraction.empty()) out.push_back(settings.decimalSeparator);
    } else if (c != ',' && c != '.') {
      out.push_back(c);
    }
  }
  return out;
}

void trimFraction(std::string& fraction, int minDecimals) {
  while (static_cast<int>(fraction.size()) > minDecimals && fraction.back() == '0') fraction.pop_back();
}

// The section's text for a non-negative value; `zero` tells whether it
// rounded to zero.
std::string renderSection(const Picture& p, double value, const NumberFormatSettings& settings, bool& zero) {
  if (p.scientific) {
    const int significant = std::clamp(p.integerPlaces + p.decimalPlaces, 1, kMaxSignificant);
    const Decimal d = decompose(value, significant, kNoDecimalLimit);
    zero = d.isZero();
    std::string digits = d.digits;
    digits.resize(static_cast<size_t>(significant), '0');
    const size_t split = std::min(digits.size(), static_cast<size_t>(p.integerPlaces));
    std::string fraction = digits.substr(split);
    trimFraction(fraction, p.minDecimals);
    const int exponent = zero ? 0 : d.exponent - p.integerPlaces;
    return layOut(p, digits.substr(0, split), fraction, exponent, settings);
  }
  const Decimal d = decompose(value, 15, p.decimalPlaces);
  zero = d.isZero();
  std::string whole = integerDigits(d);
  if (static_cast<int>(whole.size()) < p.minIntegerDigits)
    whole.insert(0, static_cast<size_t>(p.minIntegerDigits) - whole.size(), '0');
  std::string fraction = fractionDigits(d, p.decimalPlaces);
  trimFraction(fraction, p.minDecimals);
  return layOut(p, whole, fraction, 0, settings);
}

template <class Char>
std::optional<int32_t> parseStrictInteger(std::basic_string_view<Char> text) {
  size_t i = 0;
  while (i < text.size() && text[i] == Char(' ')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('-') || text[i] == Char('+'))) negative = text[i++] == Char('-');
  int base = 10;
  if (i < text.size() && (text[i] == Char('$') || text[i] == Char('x') || text[i] == Char('X'))) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == Char('0') && (text[i + 1] == Char('x') || text[i + 1] == Char('X'))) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // Decimal stops at 2^31 (reached only by a negative number); hexadecimal
  // takes any 32-bit pattern.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const auto unit = static_cast<uint32_t>(text[i]);
    uint32_t digit = 99;
    if (unit >= '0' && unit <= '9')
      digit = unit - '0';
    else if (base == 16 && (unit | 0x20) >= 'a' && (unit | 0x20) <= 'f')
      digit = (unit | 0x20) - 'a' + 10;
    if (digit >= static_cast<uint32_t>(base)) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + digit;
    if (value > limit) return std::nullopt;
  }
  const auto pattern = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - pattern : pattern);
}

std::string hexText(uint64_t value, int digits) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
  std::string text(buffer, end);
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' ? char(c - 32) : c; });
  const auto wanted = static_cast<size_t>(std::clamp(digits, 0, 64));
  if (text.size() < wanted) text.insert(0, wanted - text.size(), '0');
  return text;
}

}  // namespace

std::string FloatToStrF(double value, FloatFormatKind kind, int precision, int digits,
                        const NumberFormatSettings& settings) {
  std::string body;
  bool negative = false;
  switch (kind) {
    case FloatFormatKind::General: return generalForm(value, precision, digits, settings);
    case FloatFormatKind::Exponent: return exponentForm(value, precision, digits, settings);
    case FloatFormatKind::Fixed:
    case FloatFormatKind::Number:
      if (!fixedBody(value, precision, digits, kind == FloatFormatKind::Number, settings, body, negative)) return body;
      if (negative) body.insert(body.begin(), '-');
      return body;
    case FloatFormatKind::Currency:
      if (!fixedBody(value, precision, digits, true, settings, body, negative)) return body;
      return currencyLayout(body, negative, settings);
  }
  return generalForm(value, precision, digits, settings);
}

std::string FloatToStr(double value, const NumberFormatSettings& settings) {
  return generalForm(value, 15, 0, settings);
}

std::string FormatFloat(std::string_view picture, double value, const NumberFormatSettings& settings) {
  const std::vector<std::string_view> sections = splitSections(picture);
  if (picture.empty() || sections[0].empty() || !std::isfinite(value)) return FloatToStr(value, settings);
  auto usable = [&](size_t index) { return sections.size() > index && !sections[index].empty(); };
  size_t section = 0;
  if (value < 0 && usable(1))
    section = 1;
  else if (value == 0 && usable(2))
    section = 2;
  const Picture p = analyse(sections[section]);
  if (!p.scientific && std::fabs(value) >= 1e18) return FloatToStr(value, settings);
  bool zero = false;
  std::string text = renderSection(p, std::fabs(value), settings, zero);
  if (zero && section != 2 && usable(2)) return renderSection(analyse(sections[2]), 0.0, settings, zero);
  // Only the first section shows the sign itself, and never on a zero.
  if (section == 0 && value < 0 && !zero) text.insert(0, 1, '-');
  return text;
}

std::u16string FormatFloat(std::u16string_view picture, double value, const NumberFormatSettings& settings) {
  return ansiToWideLenient(FormatFloat(wideToAnsiLenient(picture), value, settings));
}

std::string IntToHex(int32_t value, int digits) { return hexText(static_cast<uint32_t>(value), digits); }

std::string IntToHex(int64_t value, int digits) { return hexText(static_cast<uint64_t>(value), digits); }

std::optional<int32_t> StrToInt(std::string_view text) { return parseStrictInteger(text); }
std::optional<int32_t> StrToInt(std::u16string_view text) { return parseStrictInteger(text); }

int32_t StrToIntDef(std::string_view text, int32_t defaultValue) {
  return parseStrictInteger(text).value_or(defaultValue);
}
int32_t StrToIntDef(std::u16string_view text, int32_t defaultValue) {
  return parseStrictInteger(text).value_or(defaultValue);
}

}  // namespace platform
