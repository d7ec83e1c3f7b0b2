// Parts of a text, padding, replacing, case mapping and trimming. Each
// algorithm is written once over the character type and works on views of
// the record's text, so no position or count can reach outside it.
#include "textrum/LStrFunctions.h"

#include "LStrRecord.h"

#include "platform/CodePage.h"
#include "platform/TextTools.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <type_traits>

using namespace textrum;

namespace {

template <typename Char>
using Text = std::basic_string<Char>;

// --- parts ---------------------------------------------------------------------------

template <typename Char>
View<Char> subString(const Record<Char>& record, int position, int count) {
  const View<Char> text = textOf(record);
  const int64_t start = std::max<int64_t>(toOneBased(record, position), 1);
  const auto length = static_cast<int64_t>(text.size());
  if (start > length || count == 0) return {};
  const int64_t available = length - start + 1;
  const int64_t taken = count < 0 ? available : std::min<int64_t>(count, available);
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(taken));
}

template <typename Char>
View<Char> left(const Record<Char>& record, int n) {
  const View<Char> text = textOf(record);
  if (n < 0) return {};
  return text.substr(0, std::min(text.size(), static_cast<size_t>(n)));
}

template <typename Char>
View<Char> right(const Record<Char>& record, int n) {
  const View<Char> text = textOf(record);
  if (n < 0) return {};
  return text.substr(text.size() - std::min(text.size(), static_cast<size_t>(n)));
}

enum class SideKind { Left, Right };

template <typename Char>
Handle<Char>* padded(const Record<Char>& record, Char character, int width, SideKind side) {
  const View<Char> text = textOf(record);
  const int64_t missing = int64_t{width} - static_cast<int64_t>(text.size());
  if (missing < 1) return newRecord(text);
  Text<Char> out;
  out.reserve(static_cast<size_t>(width));
  if (side == SideKind::Right) out.append(text);
  out.append(static_cast<size_t>(missing), character);
  if (side == SideKind::Left) out.append(text);
  return newRecord<Char>(out);
}

// Replaces every occurrence of oldText, searching the working text from the
// start. After each replacement the search resumes where a match would have
// to reach past the inserted text into text not yet searched: a match may
// overlap the inserted text's tail (so replacing "  " by " " still collapses
// a whole run of blanks), but never lie inside it, so a replacement that
// contains oldText cannot make the loop run for ever. Every step consumes at
// least one unit that was never searched, which bounds the work.
template <typename Char>
Text<Char> replaced(View<Char> text, View<Char> oldText, View<Char> newText) {
  Text<Char> work(text);
  if (oldText.empty()) return work;
  size_t from = 0;
  for (size_t at = work.find(oldText); at != Text<Char>::npos; at = work.find(oldText, from)) {
    work.replace(at, oldText.size(), newText);
    const size_t insertedEnd = at + newText.size();
    const size_t overlap = oldText.size() - 1;
    from = std::max(at, insertedEnd >= overlap ? insertedEnd - overlap : 0);
  }
  return work;
}

// --- case ------------------------------------------------------------------------------

enum class CaseKind { Lower, Upper };

char16_t mapUnit(char16_t unit, CaseKind kind) {
  return kind == CaseKind::Upper ? platform::toUpperUnit(unit) : platform::toLowerUnit(unit);
}

// Narrow text is mapped character by character: each well-formed UTF-8
// sequence of the Basic Multilingual Plane goes through the platform's unit
// mapping (its byte length may change); malformed bytes stay as they are.
Text<char> mappedCase(View<char> text, CaseKind kind) {
  Text<char> out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = platform::utf8SequenceLength(static_cast<unsigned char>(text[pos]));
    if (length == 1) {
      out.push_back(static_cast<char>(mapUnit(static_cast<unsigned char>(text[pos]), kind)));
      ++pos;
      continue;
    }
    const std::optional<std::u16string> wide =
        length == 0 || pos + length > text.size() ? std::nullopt : platform::ansiToWide(text.substr(pos, length));
    if (!wide) {  // a malformed byte stays as it is
      out.push_back(text[pos]);
      ++pos;
      continue;
    }
    if (wide->size() != 1) {  // beyond the Basic Multilingual Plane: no mapping
      out.append(text.substr(pos, length));
      pos += length;
      continue;
    }
    out.append(platform::wideToAnsiLenient(std::u16string(1, mapUnit((*wide)[0], kind))));
    pos += length;
  }
  return out;
}

Text<char16_t> mappedCase(View<char16_t> text, CaseKind kind) {
  Text<char16_t> out(text);
  if (kind == CaseKind::Upper)
    platform::toUpperInPlace(out);
  else
    platform::toLowerInPlace(out);
  return out;
}

// --- trimming --------------------------------------------------------------------------

using TrimKind = platform::TrimEnds;

// Trimming removes blanks and control codes (every code up to 32).
template <typename Char>
View<Char> trimmed(View<Char> text, TrimKind kind) {
  return platform::trimmed(text, platform::TrimSet::Controls, kind);
}

template <typename Char>
void trimInPlace(Record<Char>& record, TrimKind kind) {
  const View<Char> text = textOf(record);
  const View<Char> kept = trimmed(text, kind);
  if (kept.size() != text.size()) assignText(record, kept);
}

}  // namespace

// --- parts and editing ------------------------------------------------------------------

LAnsiStrRec* LStrSubStringA(const LAnsiStrRec* record, int position, int count) noexcept {
  return newRecord(subString<char>(*record, position, count));
}
LWideStrRec* LStrSubStringW(const LWideStrRec* record, int position, int count) noexcept {
  return newRecord(subString<char16_t>(*record, position, count));
}
LAnsiStrRec* LStrLeftA(const LAnsiStrRec* record, int n) noexcept { return newRecord(left<char>(*record, n)); }
LWideStrRec* LStrLeftW(const LWideStrRec* record, int n) noexcept { return newRecord(left<char16_t>(*record, n)); }
LAnsiStrRec* LStrRightA(const LAnsiStrRec* record, int n) noexcept { return newRecord(right<char>(*record, n)); }
LWideStrRec* LStrRightW(const LWideStrRec* record, int n) noexcept { return newRecord(right<char16_t>(*record, n)); }
LAnsiStrRec* LStrPadLeftA(const LAnsiStrRec* record, char character, int width) noexcept {
  return padded<char>(*record, character, width, SideKind::Left);
}
LWideStrRec* LStrPadLeftW(const LWideStrRec* record, WCHAR character, int width) noexcept {
  return padded<char16_t>(*record, character, width, SideKind::Left);
}
LAnsiStrRec* LStrPadRightA(const LAnsiStrRec* record, char character, int width) noexcept {
  return padded<char>(*record, character, width, SideKind::Right);
}
LWideStrRec* LStrPadRightW(const LWideStrRec* record, WCHAR character, int width) noexcept {
  return padded<char16_t>(*record, character, width, SideKind::Right);
}
LAnsiStrRec* LStrReplaceA(const LAnsiStrRec* record, const char* oldText, const char* newText) noexcept {
  return newRecord<char>(replaced<char>(textOf(*record), viewOfText(oldText, -1), viewOfText(newText, -1)));
}
LWideStrRec* LStrReplaceW(const LWideStrRec* record, const WCHAR* oldText, const WCHAR* newText) noexcept {
  return newRecord<char16_t>(replaced<char16_t>(textOf(*record), viewOfText(oldText, -1), viewOfText(newText, -1)));
}

// --- case --------------------------------------------------------------------------------

LAnsiStrRec* LStrLowerCaseA(const LAnsiStrRec* record) noexcept {
  return newRecord<char>(mappedCase(textOf(*record), CaseKind::Lower));
}
LWideStrRec* LStrLowerCaseW(const LWideStrRec* record) noexcept {
  return newRecord<char16_t>(mappedCase(textOf(*record), CaseKind::Lower));
}
void LStrSelfLowerCaseA(LAnsiStrRec* record) noexcept {
  assignText<char>(*record, mappedCase(textOf(*record), CaseKind::Lower));
}
void LStrSelfLowerCaseW(LWideStrRec* record) noexcept {
  assignText<char16_t>(*record, mappedCase(textOf(*record), CaseKind::Lower));
}
LAnsiStrRec* LStrUpperCaseA(const LAnsiStrRec* record) noexcept {
  return newRecord<char>(mappedCase(textOf(*record), CaseKind::Upper));
}
LWideStrRec* LStrUpperCaseW(const LWideStrRec* record) noexcept {
  return newRecord<char16_t>(mappedCase(textOf(*record), CaseKind::Upper));
}
void LStrSelfUpperCaseA(LAnsiStrRec* record) noexcept {
  assignText<char>(*record, mappedCase(textOf(*record), CaseKind::Upper));
}
void LStrSelfUpperCaseW(LWideStrRec* record) noexcept {
  assignText<char16_t>(*record, mappedCase(textOf(*record), CaseKind::Upper));
}

// --- trimming ----------------------------------------------------------------------------

LAnsiStrRec* LStrTrimA(const LAnsiStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::Both));
}
LWideStrRec* LStrTrimW(const LWideStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::Both));
}
void LStrSelfTrimA(LAnsiStrRec* record) noexcept { trimInPlace<char>(*record, TrimKind::Both); }
void LStrSelfTrimW(LWideStrRec* record) noexcept { trimInPlace<char16_t>(*record, TrimKind::Both); }
LAnsiStrRec* LStrTrimLeftA(const LAnsiStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::Start));
}
LWideStrRec* LStrTrimLeftW(const LWideStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::Start));
}
void LStrSelfTrimLeftA(LAnsiStrRec* record) noexcept { trimInPlace<char>(*record, TrimKind::Start); }
void LStrSelfTrimLeftW(LWideStrRec* record) noexcept { trimInPlace<char16_t>(*record, TrimKind::Start); }
LAnsiStrRec* LStrTrimRightA(const LAnsiStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::End));
}
LWideStrRec* LStrTrimRightW(const LWideStrRec* record) noexcept {
  return newRecord(trimmed(textOf(*record), TrimKind::End));
}
void LStrSelfTrimRightA(LAnsiStrRec* record) noexcept { trimInPlace<char>(*record, TrimKind::End); }
void LStrSelfTrimRightW(LWideStrRec* record) noexcept { trimInPlace<char16_t>(*record, TrimKind::End); }
