// printf-style formatting into records, on the platform's engine.
//
// The C arguments are read once, by their conversion letters, into typed
// values; the engine then counts the text, and writes it at its final size
// into a buffer of its own. The record takes the text only after that, so an
// argument that points into the record's own text (appending a record to
// itself) still reads the text as it was.
#include "textrum/LStrFunctions.h"

#include "LStrRecord.h"

#include "platform/Format.h"

#include <vector>

using namespace textrum;

namespace {

template <typename Char>
std::basic_string<Char> formatted(View<Char> format, va_list args) {
  const std::vector<platform::FormatArg> collected = platform::collectVarArgs(format, args);
  platform::FormatOutput<Char> count;
  (void)platform::formatArgs(count, format, collected);
  std::basic_string<Char> text(count.length, Char{});
  platform::FormatOutput<Char> write{text.data(), text.size(), 0};
  (void)platform::formatArgs(write, format, collected);
  return text;
}

// The record's text becomes the formatted text; its length is returned.
template <typename Char>
int printTo(Record<Char>& record, const Char* format, va_list args) {
  const View<Char> view = viewOfText(format, -1);
  if (view.empty()) {
    assignText<Char>(record, {});
    return 0;
  }
  return assignText<Char>(record, formatted(view, args));
}

// The formatted text is appended; the number of units appended is returned.
template <typename Char>
int appendPrinted(Record<Char>& record, const Char* format, va_list args) {
  const View<Char> view = viewOfText(format, -1);
  if (view.empty()) return 0;
  const std::basic_string<Char> text = formatted(view, args);
  if (!text.empty()) appendText<Char>(record, text);
  return static_cast<int>(text.size());
}

template <typename Char>
Handle<Char>* newPrinted(const Record<Char>& format, va_list args) {
  const View<Char> view = textOf(format);
  if (view.empty()) return newRecord<Char>({});
  return newRecord<Char>(formatted(view, args));
}

}  // namespace

LAnsiStrRec* _LStrFormatA(const LAnsiStrRec* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  LAnsiStrRec* record = newPrinted<char>(*format, args);
  va_end(args);
  return record;
}
LWideStrRec* _LStrFormatW(const LWideStrRec* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  LWideStrRec* record = newPrinted<char16_t>(*format, args);
  va_end(args);
  return record;
}

int _LStrSprintfA(LAnsiStrRec* record, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int length = printTo<char>(*record, format, args);
  va_end(args);
  return length;
}
int _LStrSprintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int length = printTo<char16_t>(*record, format, args);
  va_end(args);
  return length;
}
int _LStrPrintfA(LAnsiStrRec* record, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int length = printTo<char>(*record, format, args);
  va_end(args);
  return length;
}
int _LStrPrintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int length = printTo<char16_t>(*record, format, args);
  va_end(args);
  return length;
}
int _LStrVPrintfA(LAnsiStrRec* record, const char* format, va_list args) noexcept {
  return printTo<char>(*record, format, args);
}
int _LStrVPrintfW(LWideStrRec* record, const WCHAR* format, va_list args) noexcept {
  return printTo<char16_t>(*record, format, args);
}

int _LStrCatSprintfA(LAnsiStrRec* record, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int appended = appendPrinted<char>(*record, format, args);
  va_end(args);
  return appended;
}
int _LStrCatSprintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int appended = appendPrinted<char16_t>(*record, format, args);
  va_end(args);
  return appended;
}
int _LStrCatPrintfA(LAnsiStrRec* record, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int appended = appendPrinted<char>(*record, format, args);
  va_end(args);
  return appended;
}
int _LStrCatPrintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  const int appended = appendPrinted<char16_t>(*record, format, args);
  va_end(args);
  return appended;
}
int _LStrCatVPrintfA(LAnsiStrRec* record, const char* format, va_list args) noexcept {
  return appendPrinted<char>(*record, format, args);
}
int _LStrCatVPrintfW(LWideStrRec* record, const WCHAR* format, va_list args) noexcept {
  return appendPrinted<char16_t>(*record, format, args);
}
