// Parts of a text, padding, replacing, case mapping and trimming. Each
// algorithm is written once over the character type and works on views of
// the record's text, so no position or count can reach outside it.
#include "textrum/LStrFunctions.h"

#include "LStrRecord.h"

#include "platform/CaseRules.h"
#include "platform/CodePage.h"
#include "platform/TextTools.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <vector>

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

// Replacing follows one rule: after each replacement the search starts
// again from the start of the text, so a match that the cut forms with the
// text before it is replaced too ("aab" with "ab" -> "b" gives "b").
//
// That rule ends for certain only while every replacement shortens the
// text. A replacement that contains oldText ("a" -> "aa") would match again
// for ever, and other lengthening or same-length rewrites may too; those run
// under the rule for at most a budget of replacements that no ordinary text
// needs. Past it, or when newText contains oldText, the text is replaced
// afresh by the rule with one exception: a match lying wholly inside text
// that earlier replacements inserted is passed over. Then every replacement
// uses up at least one unit of the original text, which ends it.
//
// The text is read unit by unit into `searched`, which never holds a match
// the rule replaces; a unit that completes one at its end makes the leftmost
// match of the whole text. It is cut off and newText goes back in front of
// the units still to read, so what the cut forms is searched again without
// moving the rest of the text: each replacement costs the length of newText.
enum class ReplaceKind { Restarting, SkippingInserted };

template <typename Char>
std::optional<Text<Char>> replacedBy(View<Char> text, View<Char> oldText, View<Char> newText, ReplaceKind kind,
                                     size_t budget) {
  const bool skipping = kind == ReplaceKind::SkippingInserted;
  Text<Char> searched;
  searched.reserve(text.size());
  std::vector<bool> inserted;  // per unit of `searched`, when skipping
  Text<Char> pending;          // inserted units still to read, the next one last
  size_t next = 0;             // then the original text from here
  while (!pending.empty() || next < text.size()) {
    const bool fromInserted = !pending.empty();
    if (fromInserted) {
      searched.push_back(pending.back());
      pending.pop_back();
    } else {
      searched.push_back(text[next++]);
    }
    if (skipping) inserted.push_back(fromInserted);
    if (searched.size() < oldText.size() || searched.back() != oldText.back()) continue;
    const size_t at = searched.size() - oldText.size();
    if (View<Char>(searched).substr(at) != oldText) continue;
    const auto insertedUnit = [](bool unit) { return unit; };
    if (skipping && std::all_of(inserted.begin() + static_cast<ptrdiff_t>(at), inserted.end(), insertedUnit)) continue;
    if (budget-- == 0) return std::nullopt;
    searched.resize(at);
    if (skipping) inserted.resize(at);
    pending.append(newText.rbegin(), newText.rend());
  }
  return searched;
}

template <typename Char>
Text<Char> replaced(View<Char> text, View<Char> oldText, View<Char> newText) {
  if (oldText.empty()) return Text<Char>(text);
  constexpr size_t kUnbounded = static_cast<size_t>(-1);
  if (newText.size() < oldText.size()) return *replacedBy(text, oldText, newText, ReplaceKind::Restarting, kUnbounded);
  if (newText.find(oldText) == View<Char>::npos) {
    const size_t budget = 8 * (text.size() + 8);
    if (auto done = replacedBy(text, oldText, newText, ReplaceKind::Restarting, budget)) return std::move(*done);
  }
  return *replacedBy(text, oldText, newText, ReplaceKind::SkippingInserted, kUnbounded);
}

// --- case ------------------------------------------------------------------------------

enum class CaseKind { Lower, Upper };

std::u16string mappedCase(View<char16_t> text, CaseKind kind) {
  const platform::CaseRules& rules = platform::userCaseRules();
  return kind == CaseKind::Upper ? rules.upper(text) : rules.lower(text);
}

// Narrow text is mapped run by run: each run of well-formed UTF-8 goes
// through the wide mapping (its byte length may change); a malformed byte
// stays as it is.
Text<char> mappedCase(View<char> text, CaseKind kind) {
  Text<char> out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t end = pos;
    while (end < text.size()) {
      const size_t length = platform::utf8SequenceLength(static_cast<unsigned char>(text[end]));
      if (length == 0 || end + length > text.size()) break;
      if (length > 1 && !platform::wideLengthOfAnsi(text.substr(end, length))) break;
      end += length;
    }
    if (end == pos) {  // a malformed byte
      out.push_back(text[pos++]);
      continue;
    }
    out.append(platform::wideToAnsiLenient(mappedCase(*platform::ansiToWide(text.substr(pos, end - pos)), kind)));
    pos = end;
  }
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
