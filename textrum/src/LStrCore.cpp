// The exported core functions: each is a thin wrapper that turns the C
// calling rules (handles, NUL-terminated texts, negative lengths) into calls
// of the record templates.
#include "textrum/LStrCore.h"

#include "LStrRecord.h"

#include "platform/CaseRules.h"
#include "platform/CodePage.h"
#include "platform/TextTools.h"
#include "platform/Format.h"
#include "platform/LastError.h"
#include "platform/Locale.h"
#include "platform/NumberText.h"
#include "platform/Resources.h"
#include "platform/Utf16.h"

#include <algorithm>

using namespace textrum;

namespace {

// Narrow <-> wide conversions of record texts. There is no failure channel
// in a conversion of a record, so malformed input is replaced (U+FFFD, '?')
// rather than failing or being dropped.
std::u16string toWide(std::string_view text) { return platform::ansiToWideLenient(text); }
std::string toNarrow(std::u16string_view text) { return platform::wideToAnsiLenient(text); }

// Sign of a case-insensitive comparison of two wide texts by the user's
// locale.
int compareIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return platform::userCaseRules().compareIgnoreCase(a, b);
}

// The general format of a double with the user's decimal separator: the
// general format has no thousand separators, so its one '.' is the decimal
// point.
std::u16string doubleText(double value) {
  std::u16string text = toWide(platform::FloatToStr(value));
  const size_t point = text.find(u'.');
  if (point != std::u16string::npos) text.replace(point, 1, platform::userDecimalSeparator());
  return text;
}

// Offset of the last whole character of a non-empty UTF-8 text: the start of
// its last well-formed sequence, or the last byte when the text ends in a
// malformed one.
size_t lastCharacterOffset(std::string_view text) {
  size_t start = text.size() - 1;
  while (start > 0 && text.size() - start < 4 && platform::isUtf8Continuation(text[start])) --start;
  const std::string_view tail = text.substr(start);
  const bool wholeSequence = platform::utf8SequenceLength(static_cast<unsigned char>(tail[0])) == tail.size() &&
                             platform::wideLengthOfAnsi(tail).has_value();
  return wholeSequence ? start : text.size() - 1;
}

std::u16string loadString(HINSTANCE module, UINT id) {
  return platform::findStringResource(module, id).value_or(std::u16string());
}

}  // namespace

// --- allocation -------------------------------------------------------------------

LAnsiStrRec* LStrAllocA() noexcept { return newRecord<char>({}); }
LWideStrRec* LStrAllocW() noexcept { return newRecord<char16_t>({}); }

LAnsiStrRec* LStrAllocCloneAA(const LAnsiStrRec* source) noexcept {
  LAnsiStrRec* record = newRecord<char>({});
  assignRecord(*record, *source);
  return record;
}
LWideStrRec* LStrAllocCloneWW(const LWideStrRec* source) noexcept { return newRecord(textOf(*source)); }
LAnsiStrRec* LStrAllocCloneWA(const LWideStrRec* source) noexcept { return newRecord<char>(toNarrow(textOf(*source))); }
LWideStrRec* LStrAllocCloneAW(const LAnsiStrRec* source) noexcept {
  return newRecord<char16_t>(toWide(textOf(*source)));
}

LAnsiStrRec* LStrAllocFromASzStrA(const char* text, int length) noexcept { return newRecord(viewOfText(text, length)); }
LWideStrRec* LStrAllocFromWSzStrW(const WCHAR* text, int length) noexcept {
  return newRecord(viewOfText(text, length));
}
LAnsiStrRec* LStrAllocFromWSzStrA(const WCHAR* text, int length) noexcept {
  return newRecord<char>(toNarrow(viewOfText(text, length)));
}
LWideStrRec* LStrAllocFromASzStrW(const char* text, int length) noexcept {
  return newRecord<char16_t>(toWide(viewOfText(text, length)));
}

LAnsiStrRec* LStrAllocFromCharA(char character) noexcept { return newRecord(View<char>(&character, 1)); }
LWideStrRec* LStrAllocFromCharW(WCHAR character) noexcept {
  return newRecord(View<char16_t>(&character, character == u'\0' ? 0 : 1));
}

LAnsiStrRec* LStrAllocStringOfCharA(char character, int count) noexcept { return newRecordOfChar(character, count); }
LWideStrRec* LStrAllocStringOfCharW(WCHAR character, int count) noexcept { return newRecordOfChar(character, count); }

LAnsiStrRec* LStrAllocFromInt64A(int64_t value) noexcept { return newRecord<char>(platform::formatText("%Li", value)); }
LWideStrRec* LStrAllocFromInt64W(int64_t value) noexcept {
  return newRecord<char16_t>(platform::formatText(u"%Li", value));
}
LAnsiStrRec* LStrAllocFromUInt64A(uint64_t value) noexcept {
  return newRecord<char>(platform::formatText("%Lu", value));
}
LWideStrRec* LStrAllocFromUInt64W(uint64_t value) noexcept {
  return newRecord<char16_t>(platform::formatText(u"%Lu", value));
}
LAnsiStrRec* LStrAllocFromDoubleA(double value) noexcept { return newRecord<char>(toNarrow(doubleText(value))); }
LWideStrRec* LStrAllocFromDoubleW(double value) noexcept { return newRecord<char16_t>(doubleText(value)); }

LAnsiStrRec* LStrAllocLoadStrA(HINSTANCE module, UINT id) noexcept {
  return newRecord<char>(toNarrow(loadString(module, id)));
}
LWideStrRec* LStrAllocLoadStrW(HINSTANCE module, UINT id) noexcept {
  return newRecord<char16_t>(loadString(module, id));
}

// --- destruction and sharing ---------------------------------------------------------

void LStrDestroyA(LAnsiStrRec* record) noexcept { destroyRecord<char>(record); }
void LStrDestroyW(LWideStrRec* record) noexcept { destroyRecord<char16_t>(record); }
char* LStrUniqueA(LAnsiStrRec* record) noexcept { return uniqueText<char>(*record); }
WCHAR* LStrUniqueW(LWideStrRec* record) noexcept { return cstrOf<char16_t>(*record); }

// --- index base ----------------------------------------------------------------------

int LStrGetCharIndexBaseA(const LAnsiStrRec* record) noexcept { return record->charIndexBase; }
int LStrGetCharIndexBaseW(const LWideStrRec* record) noexcept { return record->charIndexBase; }
bool LStrSetCharIndexBaseA(LAnsiStrRec* record, int base) noexcept { return setIndexBase<char>(*record, base); }
bool LStrSetCharIndexBaseW(LWideStrRec* record, int base) noexcept { return setIndexBase<char16_t>(*record, base); }

// --- assignment and appending ----------------------------------------------------------

int LStrAssignA(LAnsiStrRec* destination, const LAnsiStrRec* source) noexcept {
  return assignRecord<char>(*destination, *source);
}
int LStrAssignW(LWideStrRec* destination, const LWideStrRec* source) noexcept {
  return assignRecord<char16_t>(*destination, *source);
}
int LStrAssignASzStrA(LAnsiStrRec* record, const char* text, int length) noexcept {
  return assignText<char>(*record, viewOfText(text, length));
}
int LStrAssignWSzStrW(LWideStrRec* record, const WCHAR* text, int length) noexcept {
  return assignText<char16_t>(*record, viewOfText(text, length));
}
int LStrAppendA(LAnsiStrRec* destination, const LAnsiStrRec* source) noexcept {
  return appendText<char>(*destination, textOf(*source));
}
int LStrAppendW(LWideStrRec* destination, const LWideStrRec* source) noexcept {
  return appendText<char16_t>(*destination, textOf(*source));
}
int LStrAppendASzStrA(LAnsiStrRec* record, const char* text, int length) noexcept {
  return appendText<char>(*record, viewOfText(text, length));
}
int LStrAppendWSzStrW(LWideStrRec* record, const WCHAR* text, int length) noexcept {
  return appendText<char16_t>(*record, viewOfText(text, length));
}
const char* LStrAppendCharA(LAnsiStrRec* record, char character) noexcept {
  return appendUnit<char>(*record, character);
}
const WCHAR* LStrAppendCharW(LWideStrRec* record, WCHAR character) noexcept {
  return appendUnit<char16_t>(*record, character);
}
const char* LStrAppendIntValueA(LAnsiStrRec* record, int value) noexcept {
  appendText<char>(*record, platform::formatText("%d", value));
  return cstrOf<char>(*record);
}
const WCHAR* LStrAppendIntValueW(LWideStrRec* record, int value) noexcept {
  appendText<char16_t>(*record, platform::formatText(u"%d", value));
  return cstrOf<char16_t>(*record);
}

// --- length and C strings --------------------------------------------------------------

int LStrLengthA(const LAnsiStrRec* record) noexcept { return static_cast<int>(lengthOf(*record)); }
int LStrLengthW(const LWideStrRec* record) noexcept { return static_cast<int>(lengthOf(*record)); }
int LStrSetLengthA(LAnsiStrRec* record, int length) noexcept { return setLength<char>(*record, length); }
int LStrSetLengthW(LWideStrRec* record, int length) noexcept { return setLength<char16_t>(*record, length); }
const char* LStrCstrA(const LAnsiStrRec* record) noexcept { return cstrOf<char>(*record); }
const WCHAR* LStrCstrW(const LWideStrRec* record) noexcept { return cstrOf<char16_t>(*record); }
BSTR LStrCbstrW(const LWideStrRec* record) noexcept { return cstrOf<char16_t>(*record); }
BSTR LStrBSTRRef(BSTR string) noexcept { return string; }

int LStrWideCharBufSizeA(const LAnsiStrRec* record) noexcept {
  return static_cast<int>(toWide(textOf(*record)).size() + 1);
}
WCHAR* LStrWideCharA(const LAnsiStrRec* record, WCHAR* buffer, int bufferSize) noexcept {
  if (buffer == nullptr || bufferSize < 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return buffer;
  }
  const std::u16string wide = toWide(textOf(*record));
  if (wide.size() + 1 > static_cast<size_t>(bufferSize)) {
    buffer[0] = u'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return buffer;
  }
  std::copy(wide.begin(), wide.end(), buffer);
  buffer[wide.size()] = u'\0';
  return buffer;
}
int LStrWideCharBufSizeW(const LWideStrRec* record) noexcept {
  return static_cast<int>(lengthOf(*record) * sizeof(WCHAR));
}

// --- insertion and deletion -------------------------------------------------------------

int LStrInsertA(LAnsiStrRec* destination, const LAnsiStrRec* source, int position) noexcept {
  return insertText<char>(*destination, textOf(*source), position);
}
int LStrInsertW(LWideStrRec* destination, const LWideStrRec* source, int position) noexcept {
  return insertText<char16_t>(*destination, textOf(*source), position);
}
int LStrDeleteA(LAnsiStrRec* record, int position, int count) noexcept {
  return deleteText<char>(*record, position, count);
}
int LStrDeleteW(LWideStrRec* record, int position, int count) noexcept {
  return deleteText<char16_t>(*record, position, count);
}

// --- comparison --------------------------------------------------------------------------

int LStrCompareA(const LAnsiStrRec* a, const LAnsiStrRec* b) noexcept { return compareOrdinal(textOf(*a), textOf(*b)); }
int LStrCompareW(const LWideStrRec* a, const LWideStrRec* b) noexcept { return compareOrdinal(textOf(*a), textOf(*b)); }
int LStrCompareICA(const LAnsiStrRec* a, const LAnsiStrRec* b) noexcept {
  return compareIgnoreCase(toWide(textOf(*a)), toWide(textOf(*b)));
}
int LStrCompareICW(const LWideStrRec* a, const LWideStrRec* b) noexcept {
  return compareIgnoreCase(textOf(*a), textOf(*b));
}

// --- character access --------------------------------------------------------------------

char LStrGetCharAtA(const LAnsiStrRec* record, int position) noexcept {
  return checkedCharAt<char>(*record, position, "LStrGetCharAtA");
}
WCHAR LStrGetCharAtW(const LWideStrRec* record, int position) noexcept {
  return checkedCharAt<char16_t>(*record, position, "LStrGetCharAtW");
}
int LStrSetCharAtA(LAnsiStrRec* record, int position, char character) noexcept {
  if (char* address = checkedCharAddress<char>(*record, position, "LStrSetCharAtA")) *address = character;
  return static_cast<int>(lengthOf(*record));
}
int LStrSetCharAtW(LWideStrRec* record, int position, WCHAR character) noexcept {
  if (WCHAR* address = checkedCharAddress<char16_t>(*record, position, "LStrSetCharAtW")) {
    *address = character;
  }
  return static_cast<int>(lengthOf(*record));
}
char* LStrCharAddrAtA(LAnsiStrRec* record, int position) noexcept {
  return checkedCharAddress<char>(*record, position, "LStrCharAddrAtA");
}
WCHAR* LStrCharAddrAtW(LWideStrRec* record, int position) noexcept {
  return checkedCharAddress<char16_t>(*record, position, "LStrCharAddrAtW");
}
char* LStrAnsiLastCharA(LAnsiStrRec* record) noexcept {
  const View<char> text = textOf(*record);
  if (text.empty()) return nullptr;
  return record->text + lastCharacterOffset(text);
}
WCHAR* LStrUnicodeLastCharW(LWideStrRec* record) noexcept {
  const size_t length = lengthOf(*record);
  return length == 0 ? nullptr : record->text + (length - 1);
}
