// CLWideStr: a wide (UTF-16) string value that holds one wide string record.
//
// Ownership, copying and moving follow LStrWrapper (see there). Positions
// passed to members count from the record's index base.
#pragma once

#include "textrum/LStrWrapper.h"

#include "platform/CaseRules.h"

#include <string>

class CLWideStr : public textrum::LStrWrapper<WCHAR, CLWideStr> {
public:
  using LStrWrapper::LStrWrapper;

  // The text from a runtime string, embedded NULs included.
  explicit CLWideStr(const std::u16string& text) noexcept : LStrWrapper(text) {}

  // A copy of the text.
  std::u16string ToUnicodeString() const { return std::u16string(Text()); }
  CLWideStr& AssignUStr(const std::u16string& text) noexcept { return AssignText(text); }

  // True when the text begins with `prefix`, compared case-insensitively by
  // the user's locale over the prefix's length; false for a null or empty
  // prefix.
  bool StartsWithIC(const WCHAR* prefix) const noexcept {
    if (prefix == nullptr || *prefix == u'\0') return false;
    return platform::userCaseRules().startsWithIgnoreCase(Text(), prefix);
  }
};
