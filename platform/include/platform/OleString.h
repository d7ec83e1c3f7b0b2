// OLE automation strings and the task allocator.
//
// An automation string (BSTR) is a pointer to NUL-terminated UTF-16 text with
// its length in bytes stored in the 32-bit word just in front of the text.
// The block starts 8 bytes before the text so the text keeps the 8-byte
// alignment of the allocation:
//
//   offset  size  meaning
//   -8      4     unused (keeps the text 8-byte aligned)
//   -4      4     length of the text in bytes, terminator excluded
//    0      n     the text (n bytes), may hold NULs of its own
//    n      2     terminating NUL
//
// A null BSTR is a valid empty string for every function here.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// A new string of `length` units copied from `text` (units left zeroed when
// text is null). Returns null when the length cannot be represented or the
// memory cannot be had. A length of 0 gives a real, empty string, not null.
ZEF_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// A copy of a NUL-terminated text; null for a null text.
ZEF_EXPORT BSTR SysAllocString(const OLECHAR* text);
// Resizes *string to `length` units, keeping its first units (or copying
// from `text` when given; text may point into *string). FALSE, with *string
// unchanged, on failure.
ZEF_EXPORT BOOL SysReAllocStringLen(BSTR* string, const OLECHAR* text, UINT length);
// Frees a string from the functions above; null does nothing.
ZEF_EXPORT void SysFreeString(BSTR string);
// Length in units (0 for null).
ZEF_EXPORT UINT SysStringLen(BSTR string);
// Length in bytes (0 for null).
ZEF_EXPORT UINT SysStringByteLen(BSTR string);

namespace platform {

// A string with room for `capacity` units whose text is left unset: the
// length is 0 and the first unit is the terminator. Its owner writes text
// into the room and sets the length (prefix and terminator, see the layout
// above) itself, never beyond `capacity`; it is an ordinary string to
// every function above. Null where SysAllocStringLen would fail.
ZEF_EXPORT BSTR allocAutomationStringRoom(UINT capacity);
// Gives such a string room for `capacity` units, keeping its length and
// text (a capacity below the length cuts both); the string may move. False,
// with the string unchanged, on failure.
ZEF_EXPORT bool resizeAutomationStringRoom(BSTR* string, UINT capacity);

}  // namespace platform

// The task allocator that interface methods use for memory handed to the
// caller. CoTaskMemAlloc(0) returns a valid unique block; null on failure.
ZEF_EXPORT LPVOID CoTaskMemAlloc(SIZE_T size);
ZEF_EXPORT LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
// Null does nothing.
ZEF_EXPORT void CoTaskMemFree(LPVOID block);
