// Textrum's search, editing, case, trimming, padding, number conversion and
// printf-style formatting functions.
//
// They follow the calling rules of LStrCore.h: positions in and out count
// from the record's index base, "not found" is base - 1, a function that
// returns a record hands the caller a new one (base 1) to destroy, and a null
// text pointer is the empty string. No position or count, however large or
// negative, makes a function read or write outside a text.
//
// Case mapping and case-insensitive comparison follow the user's locale
// (platform/CaseRules.h): the simple case mappings of the whole of Unicode
// with the locale's own rules. Number texts read and written here use '.'
// as the decimal point, except LStrAllocFromDouble* (LStrCore.h).
#pragma once

#include "textrum/LStrCore.h"

#include <cstdarg>

// --- Search ----------------------------------------------------------------

// Position of the first occurrence of the pattern (compared unit by unit);
// an empty pattern is not found.
ZEF_EXTERN_C int LStrPosA(const LAnsiStrRec* record, const LAnsiStrRec* pattern) noexcept;
ZEF_EXTERN_C int LStrPosW(const LWideStrRec* record, const LWideStrRec* pattern) noexcept;
// The same with a NUL-terminated pattern; null or empty is not found.
ZEF_EXTERN_C int LStrPosPtrA(const LAnsiStrRec* record, const char* pattern) noexcept;
ZEF_EXTERN_C int LStrPosPtrW(const LWideStrRec* record, const WCHAR* pattern) noexcept;
// First occurrence that starts on a whole character (never inside a
// multibyte sequence); the position counts bytes.
ZEF_EXTERN_C int LStrAnsiPosA(const LAnsiStrRec* record, const LAnsiStrRec* pattern) noexcept;
ZEF_EXTERN_C int LStrUnicodePosW(const LWideStrRec* record, const LWideStrRec* pattern) noexcept;
// Position of the last character that is one of the delimiters' characters.
ZEF_EXTERN_C int LStrLastDelimiterA(const LAnsiStrRec* record, const LAnsiStrRec* delimiters) noexcept;
ZEF_EXTERN_C int LStrLastDelimiterW(const LWideStrRec* record, const LWideStrRec* delimiters) noexcept;
// Whether the character at the position is one of the delimiters' (false
// outside the text).
ZEF_EXTERN_C bool LStrIsDelimiterA(const LAnsiStrRec* record, const LAnsiStrRec* delimiters, int position) noexcept;
ZEF_EXTERN_C bool LStrIsDelimiterW(const LWideStrRec* record, const LWideStrRec* delimiters, int position) noexcept;
// Whether the character at the position is '\' (false outside the text).
ZEF_EXTERN_C bool LStrIsPathDelimiterA(const LAnsiStrRec* record, int position) noexcept;
ZEF_EXTERN_C bool LStrIsPathDelimiterW(const LWideStrRec* record, int position) noexcept;

// --- Parts and editing: each returns a new record -------------------------------

// `count` characters from the position (count < 0: to the end). A position
// before the first character counts from the first; one beyond the end, or
// a count of 0, gives the empty text; the count is cut at the end.
ZEF_EXTERN_C LAnsiStrRec* LStrSubStringA(const LAnsiStrRec* record, int position, int count) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrSubStringW(const LWideStrRec* record, int position, int count) noexcept;
// The first / last n characters: n < 0 empty, n >= length the whole text.
ZEF_EXTERN_C LAnsiStrRec* LStrLeftA(const LAnsiStrRec* record, int n) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrLeftW(const LWideStrRec* record, int n) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrRightA(const LAnsiStrRec* record, int n) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrRightW(const LWideStrRec* record, int n) noexcept;
// width - length copies of the character before (left) or after (right) the
// text; a copy of the text when width - length < 1.
ZEF_EXTERN_C LAnsiStrRec* LStrPadLeftA(const LAnsiStrRec* record, char character, int width) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrPadLeftW(const LWideStrRec* record, WCHAR character, int width) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrPadRightA(const LAnsiStrRec* record, char character, int width) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrPadRightW(const LWideStrRec* record, WCHAR character, int width) noexcept;
// Every occurrence of oldText replaced by newText; after each replacement
// the search starts again from the start, so a match formed across the cut
// is replaced too. Where that would never end (newText contains oldText, or
// a rewrite that keeps making matches), a match wholly inside inserted text
// is left alone. oldText null or empty: a copy; newText null or empty:
// removal.
ZEF_EXTERN_C LAnsiStrRec* LStrReplaceA(const LAnsiStrRec* record, const char* oldText, const char* newText) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrReplaceW(const LWideStrRec* record, const WCHAR* oldText, const WCHAR* newText) noexcept;

// --- Case and trimming: new record, or in place (Self) ------------------------------

// The narrow forms map whole UTF-8 characters and keep malformed bytes.
ZEF_EXTERN_C LAnsiStrRec* LStrLowerCaseA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrLowerCaseW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfLowerCaseA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfLowerCaseW(LWideStrRec* record) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrUpperCaseA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrUpperCaseW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfUpperCaseA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfUpperCaseW(LWideStrRec* record) noexcept;
// Removes leading and/or trailing characters whose code is at most 32.
ZEF_EXTERN_C LAnsiStrRec* LStrTrimA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrTrimW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimW(LWideStrRec* record) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrTrimLeftA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrTrimLeftW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimLeftA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimLeftW(LWideStrRec* record) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrTrimRightA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrTrimRightW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimRightA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrSelfTrimRightW(LWideStrRec* record) noexcept;

// --- Text to number ---------------------------------------------------------

// A text longer than 2 beginning with "0x" or "0X": the rest read as
// hexadecimal (scanf "%X"; 0 when nothing reads). Otherwise the whole text
// must be an integer (decimal, or "$" hexadecimal); when it is not, the call
// is a conversion error: it returns 0, sets the last error to
// ERROR_INVALID_DATA and writes one line to standard error.
ZEF_EXTERN_C int32_t LStrToIntA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C int32_t LStrToIntW(const LWideStrRec* record) noexcept;
// The number only when the whole text reads as one ("0x" + "%X", else "%d");
// the default otherwise, also for an empty text.
ZEF_EXTERN_C int32_t LStrToIntDefA(const LAnsiStrRec* record, int32_t defaultValue) noexcept;
ZEF_EXTERN_C int32_t LStrToIntDefW(const LWideStrRec* record, int32_t defaultValue) noexcept;
// The number only when the whole text reads as one with "%lf" ('.' is the
// decimal point); the default otherwise.
ZEF_EXTERN_C double LStrToDoubleDefA(const LAnsiStrRec* record, double defaultValue) noexcept;
ZEF_EXTERN_C double LStrToDoubleDefW(const LWideStrRec* record, double defaultValue) noexcept;

// --- Number to text: each returns a new record ---------------------------------

// Upper-case hexadecimal digits, zero-padded to at least `digits`.
ZEF_EXTERN_C LAnsiStrRec* LStrIntToHexA(int32_t value, int digits) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrIntToHexW(int32_t value, int digits) noexcept;
// The value formatted by the picture held in `format` ("0", "#", ".", ",",
// "E+", ";" sections). An empty picture gives the general format in the
// narrow form and "#error#" in the wide form. A null value gives an empty
// record.
ZEF_EXTERN_C LAnsiStrRec* LStrFormatFloatA(const LAnsiStrRec* format, const double* value) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrFormatFloatW(const LWideStrRec* format, const double* value) noexcept;
// Kinds: 0 general, 1 exponent, 2 fixed, 3 number, 4 currency; precision
// (significant digits) and digits as each kind defines them.
ZEF_EXTERN_C LAnsiStrRec* LStrFloatToStrFA(double value, int kind, int precision, int digits) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrFloatToStrFW(double value, int kind, int precision, int digits) noexcept;

// --- printf-style formatting -------------------------------------------------------
//
// The narrow forms take narrow formats, the wide forms wide ones, both by the
// platform engine's rules (in a wide format %s is a wide string, %S a narrow
// one; %ld is 32-bit, %Ld and %I64d 64-bit). The length is counted first and
// the text then written once at its final size. Results count UTF-16 units
// (wide) or bytes (narrow). An argument may point into the record itself.

// A new record with the text formatted by the record's text (an empty format
// gives an empty record).
ZEF_EXTERN_C LAnsiStrRec* _LStrFormatA(const LAnsiStrRec* format, ...) noexcept;
ZEF_EXTERN_C LWideStrRec* _LStrFormatW(const LWideStrRec* format, ...) noexcept;
// The record's text becomes the formatted text (null or empty format: the
// empty text); returns its length.
ZEF_EXTERN_C int _LStrSprintfA(LAnsiStrRec* record, const char* format, ...) noexcept;
ZEF_EXTERN_C int _LStrSprintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept;
ZEF_EXTERN_C int _LStrPrintfA(LAnsiStrRec* record, const char* format, ...) noexcept;
ZEF_EXTERN_C int _LStrPrintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept;
ZEF_EXTERN_C int _LStrVPrintfA(LAnsiStrRec* record, const char* format, va_list args) noexcept;
ZEF_EXTERN_C int _LStrVPrintfW(LWideStrRec* record, const WCHAR* format, va_list args) noexcept;
// The formatted text is appended; returns the number of units appended (0
// leaves the record unchanged).
ZEF_EXTERN_C int _LStrCatSprintfA(LAnsiStrRec* record, const char* format, ...) noexcept;
ZEF_EXTERN_C int _LStrCatSprintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept;
ZEF_EXTERN_C int _LStrCatPrintfA(LAnsiStrRec* record, const char* format, ...) noexcept;
ZEF_EXTERN_C int _LStrCatPrintfW(LWideStrRec* record, const WCHAR* format, ...) noexcept;
ZEF_EXTERN_C int _LStrCatVPrintfA(LAnsiStrRec* record, const char* format, va_list args) noexcept;
ZEF_EXTERN_C int _LStrCatVPrintfW(LWideStrRec* record, const WCHAR* format, va_list args) noexcept;
