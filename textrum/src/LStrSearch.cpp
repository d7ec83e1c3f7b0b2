// Searching a record's text: patterns, delimiter sets and the path
// delimiter. Each search is written once over the character type; positions
// go in and out through the record's index base.
#include "textrum/LStrFunctions.h"

#include "LStrRecord.h"

#include "platform/CodePage.h"
#include "platform/TextTools.h"

#include <vector>

using namespace textrum;

namespace {

// 1-based position of the first occurrence of the pattern, 0 when there is
// none; an empty pattern is never found.
template <typename Char>
int64_t firstOccurrence(View<Char> text, View<Char> pattern) {
  if (pattern.empty()) return 0;
  const size_t at = text.find(pattern);
  return at == View<Char>::npos ? 0 : static_cast<int64_t>(at) + 1;
}

template <typename Char>
int positionOf(const Record<Char>& record, View<Char> pattern) {
  return toCallerPosition(record, firstOccurrence(textOf(record), pattern));
}

// Which byte offsets (0 to size) start a character: a well-formed UTF-8
// sequence is one character, every other byte one of its own.
std::vector<bool> characterStarts(View<char> text) {
  std::vector<bool> starts(text.size() + 1, false);
  for (size_t pos = 0; pos < text.size();) {
    starts[pos] = true;
    const size_t length = platform::utf8SequenceLength(static_cast<unsigned char>(text[pos]));
    const bool whole =
        length > 1 && pos + length <= text.size() && platform::wideLengthOfAnsi(text.substr(pos, length)).has_value();
    pos += whole ? length : 1;
  }
  starts[text.size()] = true;
  return starts;
}

// Like firstOccurrence, but a match must begin and end on whole characters
// of the text, never inside a multibyte sequence.
int64_t firstWholeCharacterOccurrence(View<char> text, View<char> pattern) {
  if (pattern.empty()) return 0;
  const std::vector<bool> starts = characterStarts(text);
  for (size_t at = text.find(pattern); at != View<char>::npos; at = text.find(pattern, at + 1)) {
    if (starts[at] && starts[at + pattern.size()]) return static_cast<int64_t>(at) + 1;
  }
  return 0;
}

template <typename Char>
int lastDelimiter(const Record<Char>& record, View<Char> delimiters) {
  const size_t at = textOf(record).find_last_of(delimiters);
  return toCallerPosition(record, at == View<Char>::npos ? 0 : static_cast<int64_t>(at) + 1);
}

// The character at a caller position, or nothing when it lies outside.
template <typename Char>
bool characterAt(const Record<Char>& record, int position, Char& character) {
  const int64_t at = toOneBased(record, position);
  const View<Char> text = textOf(record);
  if (at < 1 || at > static_cast<int64_t>(text.size())) return false;
  character = text[static_cast<size_t>(at - 1)];
  return true;
}

template <typename Char>
bool isDelimiter(const Record<Char>& record, View<Char> delimiters, int position) {
  Char character{};
  return characterAt(record, position, character) && delimiters.find(character) != View<Char>::npos;
}

template <typename Char>
bool isPathDelimiter(const Record<Char>& record, int position) {
  Char character{};
  return characterAt(record, position, character) && character == Char('\\');
}

}  // namespace

int LStrPosA(const LAnsiStrRec* record, const LAnsiStrRec* pattern) noexcept {
  return positionOf<char>(*record, textOf(*pattern));
}
int LStrPosW(const LWideStrRec* record, const LWideStrRec* pattern) noexcept {
  return positionOf<char16_t>(*record, textOf(*pattern));
}
int LStrPosPtrA(const LAnsiStrRec* record, const char* pattern) noexcept {
  return positionOf<char>(*record, viewOfText(pattern, -1));
}
int LStrPosPtrW(const LWideStrRec* record, const WCHAR* pattern) noexcept {
  return positionOf<char16_t>(*record, viewOfText(pattern, -1));
}
int LStrAnsiPosA(const LAnsiStrRec* record, const LAnsiStrRec* pattern) noexcept {
  return toCallerPosition(*record, firstWholeCharacterOccurrence(textOf(*record), textOf(*pattern)));
}
int LStrUnicodePosW(const LWideStrRec* record, const LWideStrRec* pattern) noexcept {
  return positionOf<char16_t>(*record, textOf(*pattern));
}

int LStrLastDelimiterA(const LAnsiStrRec* record, const LAnsiStrRec* delimiters) noexcept {
  return lastDelimiter<char>(*record, textOf(*delimiters));
}
int LStrLastDelimiterW(const LWideStrRec* record, const LWideStrRec* delimiters) noexcept {
  return lastDelimiter<char16_t>(*record, textOf(*delimiters));
}
bool LStrIsDelimiterA(const LAnsiStrRec* record, const LAnsiStrRec* delimiters, int position) noexcept {
  return isDelimiter<char>(*record, textOf(*delimiters), position);
}
bool LStrIsDelimiterW(const LWideStrRec* record, const LWideStrRec* delimiters, int position) noexcept {
  return isDelimiter<char16_t>(*record, textOf(*delimiters), position);
}
bool LStrIsPathDelimiterA(const LAnsiStrRec* record, int position) noexcept {
  return isPathDelimiter<char>(*record, position);
}
bool LStrIsPathDelimiterW(const LWideStrRec* record, int position) noexcept {
  return isPathDelimiter<char16_t>(*record, position);
}
