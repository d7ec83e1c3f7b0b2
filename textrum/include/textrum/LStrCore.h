// Textrum's string records and their core functions.
//
// A string record is an opaque object reached through a handle. There are two
// families of the same shape:
//   - narrow (names ending in A): UTF-8 text, lengths in bytes. The text is
//     reference-counted and shared between records until one of them writes
//     to it, so assigning and cloning take constant time;
//   - wide (names ending in W): UTF-16 text held as an automation string
//     (BSTR), lengths in UTF-16 units. It is never shared: every assignment
//     copies.
//
// Every record carries a character index base, 0 or 1, and every position a
// caller passes in or gets back counts from that base. Records the library
// allocates start with base 1. "Not found" comes back as base - 1.
//
// Calling rules of every function here:
//   - Record handles must be valid; only LStrDestroyA/W accept null.
//   - A text length below 0 means "up to the terminating NUL"; a null text is
//     the empty string (appending it appends nothing).
//   - Functions that allocate a record hand it to the caller, who frees it
//     with LStrDestroyA/W exactly once. Source records are left unchanged.
//   - Functions that change a record in place return its new length unless
//     said otherwise.
//   - Text pointers handed out are never null: an empty record gives a static
//     empty string. They stay valid until the record changes or is destroyed.
//   - Narrow <-> wide conversions use the ANSI code page (UTF-8); malformed
//     input becomes U+FFFD (wide) or '?' (narrow) rather than being dropped.
//   - A character position outside the text (LStrGetCharAt, LStrSetCharAt,
//     LStrCharAddrAt, both families) is a range error. It never unwinds into
//     the caller: the call sets the last error to ERROR_INVALID_INDEX, writes
//     one line to standard error, and returns a neutral value (NUL
//     character, unchanged record, null address).
//   - Running out of memory ends the process with a message; nothing is
//     thrown across the library boundary.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace LAnsiStrCore {
struct LAnsiStrRec;
}
namespace LWideStrCore {
struct LWideStrRec;
}

using LAnsiStrRec = LAnsiStrCore::LAnsiStrRec;
using LWideStrRec = LWideStrCore::LWideStrRec;

// --- Allocation: each returns a new record with base 1 ---------------------

ZEF_EXTERN_C LAnsiStrRec* LStrAllocA() noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocW() noexcept;
// Copies of the source's text; the narrow clone shares it until written.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocCloneAA(const LAnsiStrRec* source) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocCloneWW(const LWideStrRec* source) noexcept;
// Copies converted between the families.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocCloneWA(const LWideStrRec* source) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocCloneAW(const LAnsiStrRec* source) noexcept;
// The first `length` units of `text` (length < 0: up to NUL; null: empty).
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromASzStrA(const char* text, int length) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromWSzStrW(const WCHAR* text, int length) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromWSzStrA(const WCHAR* text, int length) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromASzStrW(const char* text, int length) noexcept;
// One character. The wide form gives the empty string for NUL; the narrow
// form keeps it as a one-byte text.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromCharA(char character) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromCharW(WCHAR character) noexcept;
// `count` copies of the character (count <= 0: empty).
ZEF_EXTERN_C LAnsiStrRec* LStrAllocStringOfCharA(char character, int count) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocStringOfCharW(WCHAR character, int count) noexcept;
// Decimal text, "-" for negatives.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromInt64A(int64_t value) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromInt64W(int64_t value) noexcept;
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromUInt64A(uint64_t value) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromUInt64W(uint64_t value) noexcept;
// General floating-point text: at most 15 significant digits, the user's
// decimal separator, fixed notation unless the exponent is out of reach
// ("123.456" or "123,456", "1E15", "1E-5", "NAN", "INF", "-INF"). Text for
// files and protocols is formatted with '.' elsewhere.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocFromDoubleA(double value) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocFromDoubleW(double value) noexcept;
// The string `id` of the module's string table; empty when it has none.
ZEF_EXTERN_C LAnsiStrRec* LStrAllocLoadStrA(HINSTANCE module, UINT id) noexcept;
ZEF_EXTERN_C LWideStrRec* LStrAllocLoadStrW(HINSTANCE module, UINT id) noexcept;

// --- Destruction and sharing ------------------------------------------------

// Releases the text and frees the record; null does nothing.
ZEF_EXTERN_C void LStrDestroyA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C void LStrDestroyW(LWideStrRec* record) noexcept;
// Gives the record its own unshared text (needed before writing through a
// pointer into it) and returns the text. Wide texts are never shared.
ZEF_EXTERN_C char* LStrUniqueA(LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C WCHAR* LStrUniqueW(LWideStrRec* record) noexcept;

// --- Index base ------------------------------------------------------------

ZEF_EXTERN_C int LStrGetCharIndexBaseA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C int LStrGetCharIndexBaseW(const LWideStrRec* record) noexcept;
// True when base is 0 or 1 and was set; false (record unchanged) otherwise.
ZEF_EXTERN_C bool LStrSetCharIndexBaseA(LAnsiStrRec* record, int base) noexcept;
ZEF_EXTERN_C bool LStrSetCharIndexBaseW(LWideStrRec* record, int base) noexcept;

// --- Assignment and appending ------------------------------------------------

ZEF_EXTERN_C int LStrAssignA(LAnsiStrRec* destination, const LAnsiStrRec* source) noexcept;
ZEF_EXTERN_C int LStrAssignW(LWideStrRec* destination, const LWideStrRec* source) noexcept;
ZEF_EXTERN_C int LStrAssignASzStrA(LAnsiStrRec* record, const char* text, int length) noexcept;
ZEF_EXTERN_C int LStrAssignWSzStrW(LWideStrRec* record, const WCHAR* text, int length) noexcept;
ZEF_EXTERN_C int LStrAppendA(LAnsiStrRec* destination, const LAnsiStrRec* source) noexcept;
ZEF_EXTERN_C int LStrAppendW(LWideStrRec* destination, const LWideStrRec* source) noexcept;
ZEF_EXTERN_C int LStrAppendASzStrA(LAnsiStrRec* record, const char* text, int length) noexcept;
ZEF_EXTERN_C int LStrAppendWSzStrW(LWideStrRec* record, const WCHAR* text, int length) noexcept;
// Append one character / the decimal text of a value; return the text.
ZEF_EXTERN_C const char* LStrAppendCharA(LAnsiStrRec* record, char character) noexcept;
ZEF_EXTERN_C const WCHAR* LStrAppendCharW(LWideStrRec* record, WCHAR character) noexcept;
ZEF_EXTERN_C const char* LStrAppendIntValueA(LAnsiStrRec* record, int value) noexcept;
ZEF_EXTERN_C const WCHAR* LStrAppendIntValueW(LWideStrRec* record, int value) noexcept;

// --- Length and C strings --------------------------------------------------

ZEF_EXTERN_C int LStrLengthA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C int LStrLengthW(const LWideStrRec* record) noexcept;
// Cuts or extends the text to `length` units (below 0: 0); an extension is
// filled with NULs. Returns the new length.
ZEF_EXTERN_C int LStrSetLengthA(LAnsiStrRec* record, int length) noexcept;
ZEF_EXTERN_C int LStrSetLengthW(LWideStrRec* record, int length) noexcept;
// The record's own NUL-terminated text, borrowed.
ZEF_EXTERN_C const char* LStrCstrA(const LAnsiStrRec* record) noexcept;
ZEF_EXTERN_C const WCHAR* LStrCstrW(const LWideStrRec* record) noexcept;
// The wide text as an automation string; the static empty one (which has a
// zero length prefix, so SysStringLen works on it) when empty. Borrowed:
// never pass it to SysFreeString.
ZEF_EXTERN_C BSTR LStrCbstrW(const LWideStrRec* record) noexcept;
ZEF_EXTERN_C BSTR LStrBSTRRef(BSTR string) noexcept;
// UTF-16 units, terminator included, that the narrow text converts to.
ZEF_EXTERN_C int LStrWideCharBufSizeA(const LAnsiStrRec* record) noexcept;
// Converts the narrow text, terminator included, into the buffer and returns
// the buffer. When it does not fit, the buffer gets the empty string and the
// last error is ERROR_INSUFFICIENT_BUFFER.
ZEF_EXTERN_C WCHAR* LStrWideCharA(const LAnsiStrRec* record, WCHAR* buffer, int bufferSize) noexcept;
// Size of the wide text in bytes (no terminator).
ZEF_EXTERN_C int LStrWideCharBufSizeW(const LWideStrRec* record) noexcept;

// --- Insertion and deletion ------------------------------------------------

// Inserts the source's text to begin at `position`; a position before the
// first character inserts at the start, one past the end appends.
ZEF_EXTERN_C int LStrInsertA(LAnsiStrRec* destination, const LAnsiStrRec* source, int position) noexcept;
ZEF_EXTERN_C int LStrInsertW(LWideStrRec* destination, const LWideStrRec* source, int position) noexcept;
// Removes up to `count` characters from `position`; a position outside the
// text or a count <= 0 removes nothing.
ZEF_EXTERN_C int LStrDeleteA(LAnsiStrRec* record, int position, int count) noexcept;
ZEF_EXTERN_C int LStrDeleteW(LWideStrRec* record, int position, int count) noexcept;

// --- Comparison ------------------------------------------------------------

// Ordinal by unit (bytes as unsigned); -1, 0 or 1. An empty text orders
// before any other.
ZEF_EXTERN_C int LStrCompareA(const LAnsiStrRec* a, const LAnsiStrRec* b) noexcept;
ZEF_EXTERN_C int LStrCompareW(const LWideStrRec* a, const LWideStrRec* b) noexcept;
// Case-insensitive by the user's locale (platform/CaseRules.h); -1, 0 or 1,
// empty first.
ZEF_EXTERN_C int LStrCompareICA(const LAnsiStrRec* a, const LAnsiStrRec* b) noexcept;
ZEF_EXTERN_C int LStrCompareICW(const LWideStrRec* a, const LWideStrRec* b) noexcept;

// --- Character access (positions in the record's base) ---------------------

ZEF_EXTERN_C char LStrGetCharAtA(const LAnsiStrRec* record, int position) noexcept;
ZEF_EXTERN_C WCHAR LStrGetCharAtW(const LWideStrRec* record, int position) noexcept;
// Replaces one character; returns the length.
ZEF_EXTERN_C int LStrSetCharAtA(LAnsiStrRec* record, int position, char character) noexcept;
ZEF_EXTERN_C int LStrSetCharAtW(LWideStrRec* record, int position, WCHAR character) noexcept;
// Address of the character for reading or writing in place (the narrow text
// is made unshared first); valid until the record changes.
ZEF_EXTERN_C char* LStrCharAddrAtA(LAnsiStrRec* record, int position) noexcept;
ZEF_EXTERN_C WCHAR* LStrCharAddrAtW(LWideStrRec* record, int position) noexcept;
// Address of the last whole character (a multibyte sequence counts as one),
// null when empty.
ZEF_EXTERN_C char* LStrAnsiLastCharA(LAnsiStrRec* record) noexcept;
// Address of the last UTF-16 unit, null when empty.
ZEF_EXTERN_C WCHAR* LStrUnicodeLastCharW(LWideStrRec* record) noexcept;
