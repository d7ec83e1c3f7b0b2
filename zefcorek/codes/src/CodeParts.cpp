// Splitting a code's text into its parts, building it back, ordering codes by
// their parts and stepping a prefix. See CodeParts.h for the rules.
#include "CodeParts.h"

#include "platform/Format.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <limits>

namespace {

constexpr bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// The value of a run of ASCII digits, or -1 when it passes `limit`.
int64_t digitRunValue(std::u16string_view digits, int64_t limit) {
  int64_t value = 0;
  for (const char16_t unit : digits) {
    const int64_t digit = unit - u'0';
    if (value > (limit - digit) / 10) return -1;
    value = value * 10 + digit;
  }
  return value;
}

// Index of the '(' of a duplicate suffix that ends the text: the text ends in
// ')' and, walking back over digits and spaces, a '(' is reached. npos when
// there is no such suffix.
size_t findDuplicateSuffix(std::u16string_view text) {
  if (text.empty() || text.back() != u')') return std::u16string_view::npos;
  size_t index = text.size() - 1;
  while (index > 0 && (isDigit(text[index - 1]) || text[index - 1] == u' ')) --index;
  if (index == 0 || text[index - 1] != u'(') return std::u16string_view::npos;
  return index - 1;
}

// The number a suffix's inside reads as: blanks skipped, then the digits up
// to the first other unit. -1 when it passes the 32-bit range.
int64_t duplicateValue(std::u16string_view inside) {
  size_t start = 0;
  while (start < inside.size() && inside[start] == u' ') ++start;
  size_t end = start;
  while (end < inside.size() && isDigit(inside[end])) ++end;
  return digitRunValue(inside.substr(start, end - start), std::numeric_limits<int32_t>::max());
}

}  // namespace

CodesDB::CodeParts CodesDB::splitCode(std::u16string_view text) {
  CodeParts parts;
  size_t end = text.size();

  const size_t open = findDuplicateSuffix(text);
  if (open != std::u16string_view::npos) {
    const int64_t value = duplicateValue(text.substr(open + 1, text.size() - open - 2));
    if (value >= 0) {
      parts.duplicate = value == 0 ? -1 : static_cast<int32_t>(value);
      end = open;
      while (end > 0 && text[end - 1] <= u' ') --end;
    }
  }

  size_t digitsStart = end;
  while (digitsStart > 0 && isDigit(text[digitsStart - 1])) --digitsStart;
  const size_t digitCount = end - digitsStart;
  if (digitCount > 0 && digitCount <= std::numeric_limits<uint16_t>::max()) {
    const int64_t value = digitRunValue(text.substr(digitsStart, digitCount), std::numeric_limits<int64_t>::max());
    if (value >= 0) {
      parts.number = value;
      parts.numDigits = static_cast<uint16_t>(digitCount);
      end = digitsStart;
    }
  }

  if (end > 0 && !isAsciiAlnum(text[end - 1])) {
    parts.separator = text[end - 1];
    --end;
  }
  parts.prefix = text.substr(0, end);
  return parts;
}

std::u16string CodesDB::buildCode(const CodeParts& parts) {
  std::u16string text(parts.prefix);
  if (parts.separator != 0) text.push_back(parts.separator);
  if (parts.number >= 0) {
    // "%0*Ld" by hand: the engine clamps widths to its field limit, and a
    // width kept from a text may be wider than that.
    const std::u16string digits = platform::formatText(u"%Ld", parts.number);
    if (digits.size() < parts.numDigits) text.append(parts.numDigits - digits.size(), u'0');
    text += digits;
  }
  if (parts.duplicate >= 0) text += platform::formatText(u"(%d)", parts.duplicate);
  return text;
}

int32_t CodesDB::compareLowered(std::u16string_view a, std::u16string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = platform::toLowerUnit(a[i]);
    const char16_t y = platform::toLowerUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int32_t CodesDB::compareParts(const CodeParts& a, const CodeParts& b, bool caseSensitive) {
  const int prefixOrder =
      caseSensitive ? platform::compareOrdinal(a.prefix, b.prefix) : compareLowered(a.prefix, b.prefix);
  if (prefixOrder != 0) return prefixOrder;
  if (a.separator != b.separator) return a.separator < b.separator ? -1 : 1;
  if (a.numDigits != b.numDigits) return a.numDigits < b.numDigits ? -1 : 1;
  if (a.number != b.number) return a.number < b.number ? -1 : 1;
  if (a.duplicate != b.duplicate) return a.duplicate < b.duplicate ? -1 : 1;
  return 0;
}

namespace {

// One step of a prefix, shared by both directions: from the last unit back,
// non-alphanumerics are passed over; a unit at its range's end wraps to the
// other end and carries on, any other steps by `delta` and ends the step.
// When the carry runs out, the prefix becomes a run one unit longer of
// `runUnit(first unit after wrapping)`.
template <typename RunUnit>
std::u16string stepPrefix(std::u16string_view prefix, int delta, RunUnit runUnit) {
  if (prefix.empty()) return u"P";
  std::u16string stepped(prefix);
  struct Range {
    char16_t first, last;
  };
  constexpr Range kRanges[] = {{u'0', u'9'}, {u'A', u'Z'}, {u'a', u'z'}};
  for (size_t index = stepped.size(); index-- > 0;) {
    char16_t& unit = stepped[index];
    for (const Range& range : kRanges) {
      if (unit < range.first || unit > range.last) continue;
      const char16_t edge = delta > 0 ? range.last : range.first;
      if (unit != edge) {
        unit = static_cast<char16_t>(unit + delta);
        return stepped;
      }
      unit = delta > 0 ? range.first : range.last;
      break;
    }
  }
  return std::u16string(stepped.size() + 1, runUnit(stepped.front()));
}

}  // namespace

std::u16string CodesDB::stepPrefixForward(std::u16string_view prefix) {
  return stepPrefix(prefix, +1, [](char16_t first) { return first >= u'a' ? u'a' : u'A'; });
}

std::u16string CodesDB::stepPrefixBack(std::u16string_view prefix) {
  return stepPrefix(prefix, -1, [](char16_t first) { return first <= u'z' ? u'z' : u'Z'; });
}
