// CodesDB::TZefStdCode: the code by which a host program names an object (a
// surveyed point, a feature): a short text such as 'P-001', 'A12(2)' or
// 'WELL7', kept with a case-insensitive hash.
//
// A code holds one pointer to a heap record with its text and hash, or null:
// a code without a record is a null code. The record is made by the first
// operation that stores a text and stays through Clear(); only FullClear(), a
// move or destruction frees it. A code is empty when it is null or has no
// text (hash -1).
//
// A text is read as four parts, from its end:
//
//   <prefix><separator><number>(<duplicate>)
//
//   prefix     any characters, the separator-like ones included
//   separator  one non-alphanumeric unit right before the number (or at the
//              end when there is no number); 0 = none
//   number     the trailing run of ASCII digits, with its width kept so that
//              it is written back zero-padded ('P-001' has 3 digits)
//   duplicate  a '(n)' suffix with n >= 1; '(0)' and '()' are dropped
//
// Alphanumeric means the ASCII digits and letters only. Codes order by their
// parts (Compare), so 'A9' < 'A10' and 'A1' < 'A01'; the generators step the
// number or, when it runs out, the prefix ('Z' -> 'AA', 'B0' -> 'A99').
//
// Wide texts are UTF-16; narrow texts (char, AnsiString, CLAnsiStr) are UTF-8,
// the system's code page. A null text pointer is the empty text everywhere.
#pragma once

#include "textrum/CLAnsiStr.h"
#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace CodesDB {

// The string types of the application framework, as this system reads them.
using UnicodeString = std::u16string;
using AnsiString = std::string;

// A code taken apart (Split) or to be put together (Set). The caller owns it.
struct ZEF_EXPORT TZefStdCodeSplittedData {
  CLWideStr Prefix;              // owning; may hold any characters
  char16_t Separator = 0;        // 0 = none
  uint16_t NumDigits = 0;        // digits the number had in the text (its padded width)
  int64_t Number = -1;           // -1 = no number
  int32_t DuplicateNumber = -1;  // -1 = no '(n)' suffix
};

// The record behind a code that has been given a text.
struct TZefStdCodeData {
  int32_t Hash = -1;  // of the current text; -1 for the empty text
  CLWideStr Text;     // owning
};

class ZEF_EXPORT TZefStdCode {
public:
  // --- Construction: a null code, then the matching Set.
  TZefStdCode();
  TZefStdCode(const TZefStdCode& other);
  TZefStdCode(TZefStdCode&& other) noexcept;
  TZefStdCode(const UnicodeString& text);
  TZefStdCode(const AnsiString& text);
  TZefStdCode(const CLWideStr& text);
  TZefStdCode(const CLAnsiStr& text);
  TZefStdCode(const WCHAR* text);
  TZefStdCode(const char* text);
  explicit TZefStdCode(int64_t value);
  ~TZefStdCode();

  // --- Setting. Every text setter trims codes <= 32 from both ends (Parse).
  // Copies the source's text and hash; a null source clears this code.
  void Set(const TZefStdCode& other);
  // Takes the source's record over (the source becomes null); a null source
  // clears this code.
  void Set(TZefStdCode&& other) noexcept;
  void Set(const UnicodeString& text);
  void Set(const AnsiString& text);
  void Set(const CLWideStr& text);
  void Set(const CLAnsiStr& text);
  void Set(const WCHAR* text);
  void Set(const char* text);
  // The value in decimal ("%Ld"), untrimmed.
  void Set(int64_t value);
  // The text built from the parts: prefix, separator, number zero-padded to
  // NumDigits, "(n)".
  void Set(const TZefStdCodeSplittedData& parts);
  void Parse(const WCHAR* text);
  TZefStdCode& operator=(const TZefStdCode& other);
  TZefStdCode& operator=(TZefStdCode&& other) noexcept;

  // --- The record.
  // Empties the text (hash -1) and keeps the record; nothing for a null code.
  void Clear();
  // Frees the record: a null code.
  void FullClear();
  // Makes an empty record when there is none.
  void AllocData();
  void ClearData(bool free);
  // Hashes the current text again; nothing for a null code.
  void CalcHash();

  // --- Reading; a null code reads as the empty text.
  CLWideStr AsString() const;
  // Borrowed until the code changes; never null.
  const WCHAR* AsStringPtr() const;
  const WCHAR* c_str() const;
  operator UnicodeString() const;
  operator AnsiString() const;
  CLWideStr GetPrefix() const;
  bool IsPrefixEmpty() const;
  char16_t GetSeparator() const;
  int64_t GetNumber() const;
  int32_t GetDuplicateNumber() const;
  bool IsDuplicate() const;
  bool IsEmpty() const;
  int32_t GetHash() const;
  void Split(TZefStdCodeSplittedData& parts) const;

  // --- Comparing. The code forms of IsSameCode and StringCompare look at the
  // whole text; Compare and every text form compare by parts (the text is
  // parsed into a temporary code first), so IsSameCode(u"A1(2)") holds for
  // the code 'A1 (2)' while the two codes differ. The case-insensitive forms
  // compare the lower case of each unit, the mapping the hash uses, so codes
  // that compare equal always hash alike; CS forms compare units.
  bool IsSameCode(const TZefStdCode& other) const;
  bool IsSameCode(const WCHAR* text) const;
  bool IsSameCode(const char* text) const;
  bool IsSameCodeCS(const TZefStdCode& other) const;
  bool IsSameCodeCS(const WCHAR* text) const;
  bool IsSameCodeCS(const char* text) const;
  int32_t Compare(const TZefStdCode& other) const;
  int32_t Compare(const WCHAR* text) const;
  int32_t Compare(const char* text) const;
  int32_t CompareCS(const TZefStdCode& other) const;
  int32_t CompareCS(const WCHAR* text) const;
  int32_t CompareCS(const char* text) const;
  int32_t StringCompare(const TZefStdCode& other) const;
  int32_t StringCompare(const WCHAR* text) const;
  int32_t StringCompare(const char* text) const;
  int32_t StringCompareCS(const TZefStdCode& other) const;
  int32_t StringCompareCS(const WCHAR* text) const;
  int32_t StringCompareCS(const char* text) const;
  bool operator==(const TZefStdCode& other) const;
  bool operator!=(const TZefStdCode& other) const;
  bool operator<(const TZefStdCode& other) const;
  bool operator>(const TZefStdCode& other) const;
  bool operator<=(const TZefStdCode& other) const;
  bool operator>=(const TZefStdCode& other) const;

  // --- Generating: each changes the code in place and returns it.
  // A null code becomes 'A(2)'; else the '(n)' suffix becomes (2) or n + 1.
  TZefStdCode& MakeDuplicate();
  // Drops the '(n)' suffix.
  TZefStdCode& ResetDuplicateNumber();
  // The number + 1; past the largest number, or without one, the prefix
  // steps forward ('Az' -> 'Ba', 'Z' -> 'AA'). The suffix is dropped.
  TZefStdCode& MakeNext();
  // The number + step (step < 1 counts as 1); without a number, number 1; an
  // empty code becomes 'A<step>'.
  TZefStdCode& MakeNextEx(int step);
  // The number - 1; from 0 to 99 with the prefix stepped back ('B0' -> 'A99',
  // 'A' -> 'zz').
  TZefStdCode& MakePrev();

  // --- Text tests: a null or empty s is always true; an empty code false.
  bool StartsWith(const WCHAR* s) const;
  bool StartsWithIC(const WCHAR* s) const;
  bool EndsWith(const WCHAR* s) const;
  bool EndsWithIC(const WCHAR* s) const;

  // The library's static null code.
  static const TZefStdCode& NullCode();

private:
  // Stores an untrimmed text and hashes it; the text must not view this
  // code's own record.
  void assignText(std::u16string_view text);

  TZefStdCodeData* data_;  // owned; null for a null code
};
static_assert(sizeof(TZefStdCode) == sizeof(void*), "a code is one pointer");

// The address of the library's static null code; it is constructed before
// anything else when the library is loaded and destroyed last when it is
// unloaded.
ZEF_EXPORT const TZefStdCode* cdbGetNullCode();

}  // namespace CodesDB
