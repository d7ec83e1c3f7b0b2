// The parts of a code's text, read from its end without copying: the engine
// behind Split, Compare and the generators. Comparisons split both codes on
// every call (nothing is cached), so this view form keeps a split free of
// allocation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace CodesDB {

struct CodeParts {
  std::u16string_view prefix;  // points into the split text
  char16_t separator = 0;      // 0 = none
  uint16_t numDigits = 0;      // width of the digit run; 0 without a number
  int64_t number = -1;         // -1 = no number
  int32_t duplicate = -1;      // -1 = no '(n)' suffix, or '(0)'
};

// Splits a text:
//   1. a trailing '(' [digits and spaces] ')' is the duplicate suffix; its
//      value (blanks skipped, read up to the first non-digit) is the
//      duplicate number, 0 standing for none; blanks (codes <= 32) before the
//      '(' go with it;
//   2. the run of ASCII digits now ending the text is the number;
//   3. a non-alphanumeric unit right before that (or at the end) is the
//      separator;
//   4. the rest is the prefix.
// A suffix whose value passes the 32-bit range, or a digit run whose value
// passes the 64-bit range (or whose width passes 16 bits), is not read as a
// number: its characters stay in the text, so building the parts back gives
// the same text and nothing overflows.
CodeParts splitCode(std::u16string_view text);

// The text of the parts: prefix, separator (when not 0), number (when >= 0)
// zero-padded to numDigits, "(n)" (when n >= 0).
std::u16string buildCode(const CodeParts& parts);

// Three-way order by parts: prefix (case-insensitive unless caseSensitive),
// then separator, digit count, number and duplicate number.
int32_t compareParts(const CodeParts& a, const CodeParts& b, bool caseSensitive);

// The prefix stepped forward or back as the generators step it; the empty
// prefix becomes "P".
std::u16string stepPrefixForward(std::u16string_view prefix);
std::u16string stepPrefixBack(std::u16string_view prefix);

// Case-insensitive three-way order of two texts: unit by unit on their lower
// case, the mapping the hash uses, so that two codes that compare equal
// always have the same hash (and meet in one bucket of a code database). A
// comparison that also folded variant forms together (long s with s, final
// sigma with sigma) would let two "equal" codes carry different hashes.
int32_t compareLowered(std::u16string_view a, std::u16string_view b);

// ASCII digits and letters only.
constexpr bool isAsciiAlnum(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

}  // namespace CodesDB
