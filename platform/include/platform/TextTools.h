// The text toolbox: the small UTF-8, UTF-16 and trimming helpers every module uses,
// kept here once so that no module grows its own copy that drifts. Case
// folding is the one documented in Utf16.h (foldCaseUnit and the
// *IgnoreCase functions).
//
// A well-formed UTF-8 sequence is 1 to 4 bytes: a lead byte (00-7F, C2-DF,
// E0-EF, F0-F4) and as many continuation bytes (80-BF) as the lead asks for.
#pragma once

#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

// Length of the UTF-8 sequence that `lead` starts (1 to 4), 0 for a byte
// that cannot start one (a continuation byte, C0, C1, F5-FF).
[[nodiscard]] constexpr size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

constexpr bool isUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Appends the 1 to 4 bytes of `codePoint` (at most 0x10FFFF). A surrogate
// value is written as the three bytes its value would take: callers that
// must not write one check before.
inline void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// The two halves of a surrogate pair: a high unit (D800-DBFF) followed by a
// low one (DC00-DFFF) stands for one code point above FFFF.
constexpr bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point that starts at text[at] (at < text.size()) and in `units`
// the units it takes: 2 for a surrogate pair, else 1 (a lone surrogate
// stands for its own value; callers that must refuse one check `units`).
constexpr char32_t codePointAt(std::u16string_view text, size_t at, size_t& units) {
  assert(at < text.size() && "a code point is read inside the text");
  const char16_t unit = text[at];
  units = 1;
  if (!isHighSurrogate(unit) || at + 1 >= text.size() || !isLowSurrogate(text[at + 1])) return unit;
  units = 2;
  return 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[at + 1] - 0xDC00);
}

// Writes the UTF-16 form of `codePoint` (at most 0x10FFFF) to out[0], and
// for a code point above FFFF its surrogate pair to out[0] and out[1];
// answers the units written (1 or 2). A surrogate value is written as the
// one unit it is: callers that must not write one check before.
constexpr size_t encodeUtf16(char32_t codePoint, char16_t* out) {
  assert(codePoint <= 0x10FFFF && "a code point fits in 21 bits below 0x110000");
  if (codePoint < 0x10000) {
    out[0] = static_cast<char16_t>(codePoint);
    return 1;
  }
  codePoint -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (codePoint >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  return 2;
}

// Appends the 1 or 2 units of `codePoint` (at most 0x10FFFF), as encodeUtf16.
inline void appendUtf16(std::u16string& out, char32_t codePoint) {
  char16_t units[2];
  out.append(units, encodeUtf16(codePoint, units));
}

// The largest length at or below `limit` that cuts `text` at a whole
// character: never inside a UTF-8 sequence, never between the two units of
// a surrogate pair. The whole text when `limit` reaches its end.
[[nodiscard]] constexpr size_t wholeCharacterCut(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  while (limit > 0 && isUtf8Continuation(text[limit])) --limit;
  return limit;
}
[[nodiscard]] constexpr size_t wholeCharacterCut(std::u16string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  if (limit > 0 && isLowSurrogate(text[limit]) && isHighSurrogate(text[limit - 1])) --limit;
  return limit;
}

// What trimming removes: blanks (space and tab, the ini syntax's rule) or
// every code up to 32 (the string library's rule, compared unsigned so the
// bytes of a UTF-8 sequence are kept).
enum class TrimSet { Blanks, Controls };
// Which ends are trimmed.
enum class TrimEnds { Both, Start, End };

template <typename Char>
constexpr bool isTrimmedUnit(Char unit, TrimSet set) {
  switch (set) {
    case TrimSet::Blanks: return unit == Char(' ') || unit == Char('\t');
    case TrimSet::Controls: return static_cast<std::make_unsigned_t<Char>>(unit) <= 32;
  }
  return false;
}

// `text` without the units of `set` at the chosen ends.
template <typename Char>
[[nodiscard]] constexpr std::basic_string_view<Char> trimmed(std::basic_string_view<Char> text, TrimSet set,
                                                             TrimEnds ends = TrimEnds::Both) {
  if (ends != TrimEnds::End) {
    while (!text.empty() && isTrimmedUnit(text.front(), set)) text.remove_prefix(1);
  }
  if (ends != TrimEnds::Start) {
    while (!text.empty() && isTrimmedUnit(text.back(), set)) text.remove_suffix(1);
  }
  return text;
}

// Case-insensitive comparison of ASCII letters only, for protocol tokens
// that are ASCII by definition (URL schemes, UUID text): their case rules
// are the protocol's, not the system's case fold of Utf16.h, which also maps
// letters beyond ASCII and would accept what the protocol does not.
constexpr char asciiLower(char unit) {
  return unit >= 'A' && unit <= 'Z' ? static_cast<char>(unit + ('a' - 'A')) : unit;
}
[[nodiscard]] constexpr bool equalsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}
[[nodiscard]] constexpr bool startsWithAsciiIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsAsciiIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace platform
