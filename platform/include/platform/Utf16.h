// UTF-16 text helpers: length, ordinal and case-insensitive comparison, case
// mapping and search over char16_t code units.
//
// Case mapping is the simple one-to-one mapping of single code units and does
// not depend on the process locale, so the same text always maps the same way
// on every machine. It covers Basic Latin, Latin-1, Latin Extended-A, Greek
// and Coptic, Cyrillic and the Cyrillic Supplement; every other unit maps to
// itself. Surrogates are never mapped, so a pair stays intact.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Units up to the terminating NUL; 0 for a null pointer.
ZEF_EXPORT size_t utf16Length(const char16_t* text);

// Simple case mapping of one unit (the unit itself when it has no mapping).
ZEF_EXPORT char16_t toUpperUnit(char16_t unit);
ZEF_EXPORT char16_t toLowerUnit(char16_t unit);
// The unit case-insensitive comparisons look at: the lower case of its upper
// case, so that variant forms (final sigma, long s, micro sign, dotless i)
// compare equal to the letter they stand for.
ZEF_EXPORT char16_t foldCaseUnit(char16_t unit);

// In-place mapping of a whole text.
ZEF_EXPORT void toUpperInPlace(std::span<char16_t> text);
ZEF_EXPORT void toLowerInPlace(std::span<char16_t> text);

// -1, 0 or 1 comparing unit by unit; a proper prefix orders first.
ZEF_EXPORT int compareOrdinal(std::u16string_view a, std::u16string_view b);
// The same on folded units.
ZEF_EXPORT int compareIgnoreCase(std::u16string_view a, std::u16string_view b);
ZEF_EXPORT bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);
ZEF_EXPORT bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
// The text with every unit folded: two texts fold alike exactly when
// equalsIgnoreCase calls them equal, so the folded text keys a map of names
// compared ignoring case.
ZEF_EXPORT std::u16string foldedCase(std::u16string_view text);

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// Index of the first occurrence of `pattern` at or after `from`; kNotFound
// when there is none. An empty pattern is found at `from` (when
// from <= text.size()).
ZEF_EXPORT size_t findUnits(std::u16string_view text, std::u16string_view pattern, size_t from = 0);
ZEF_EXPORT size_t findUnitsIgnoreCase(std::u16string_view text, std::u16string_view pattern, size_t from = 0);
// Index of the last occurrence that starts at or before `before`; kNotFound
// when there is none.
ZEF_EXPORT size_t findLastUnits(std::u16string_view text, std::u16string_view pattern, size_t before = kNotFound);

}  // namespace platform

// Win32-shaped forms.
// Length up to the NUL; 0 for null.
ZEF_EXPORT int lstrlenW(LPCWSTR text);
// Map `length` units in place; return the number of units processed.
ZEF_EXPORT DWORD CharUpperBuffW(LPWSTR text, DWORD length);
ZEF_EXPORT DWORD CharLowerBuffW(LPWSTR text, DWORD length);
