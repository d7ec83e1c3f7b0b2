// Converters between the ANSI code page (UTF-8) and UTF-16 that hand their
// result to the caller in memory from the task allocator.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Both convert a NUL-terminated text, terminator included, into a new block
// the caller frees with CoTaskMemFree. The block is sized by the conversion
// itself (a UTF-16 unit may need three UTF-8 bytes). Malformed input is
// replaced, not refused. Results:
//   null text           -> S_OK, *out null
//   null out            -> E_INVALIDARG
//   allocation failure  -> E_OUTOFMEMORY, *out null
//   conversion failure  -> the last error as a Win32-facility HRESULT
//                          (E_FAIL when no error was recorded), *out null
//   success             -> S_OK
ZEF_EXTERN_C HRESULT smAnsiToUnicode(const char* text, WCHAR** out);
ZEF_EXTERN_C HRESULT smUnicodeToAnsi(const WCHAR* text, char** out);
