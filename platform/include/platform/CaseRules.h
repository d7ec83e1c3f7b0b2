// Case rules of user text: the simple (one-to-one) case mappings and the
// simple case folding of the whole of Unicode, with the language-specific
// rules of one locale (in Turkish and Azeri, i and I are the dotted and the
// dotless pair). A surrogate pair maps as one character; an unpaired
// surrogate stays as it is.
//
// These are the rules of text a user reads and types. Names that the
// system stores or looks up (registry names, ini keys, file names) keep the
// fixed, locale-free folding of Utf16.h, so that they match the same way on
// every machine and for every user.
#pragma once

#include "platform/Export.h"

#include <string>
#include <string_view>

namespace platform {

class ZEF_EXPORT CaseRules {
public:
  // The rules of a locale named as userLocaleName gives it; empty for the
  // untailored rules.
  explicit CaseRules(const std::string& localeName);

  char32_t upper(char32_t character) const;
  char32_t lower(char32_t character) const;
  // What case-insensitive comparisons look at.
  char32_t fold(char32_t character) const;

  std::u16string upper(std::u16string_view text) const;
  std::u16string lower(std::u16string_view text) const;

  // -1, 0 or 1 comparing the folded characters; a proper prefix orders first.
  int compareIgnoreCase(std::u16string_view a, std::u16string_view b) const;
  bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) const;
  bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) const;

private:
  // The locale's mappings of the ASCII characters, looked up without a call
  // into the Unicode library: they are most of what users type, and the
  // Turkic rules change two of them.
  char16_t asciiUpper_[128];
  char16_t asciiLower_[128];
  char16_t asciiFold_[128];
  unsigned foldOptions_;
};

// The rules of the user's locale (userLocaleName in Locale.h). The object
// lives until the process ends.
ZEF_EXPORT const CaseRules& userCaseRules();

}  // namespace platform
