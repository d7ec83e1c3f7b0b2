// Locale information by Windows language identifier (LCID).
//
// The platform carries its own small table of locales, so the answers do
// not depend on which locales the machine has installed.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

using LCID = DWORD;
using LCTYPE = DWORD;

inline constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
inline constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x00000003;
inline constexpr LCTYPE LOCALE_SABBREVCTRYNAME = 0x00000007;
inline constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x00000059;
inline constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x0000005A;

// Copies the item into `data` (`size` characters) and answers the
// characters written with the terminator; size 0 answers the size needed.
// 0 with ERROR_INVALID_PARAMETER for a locale or item not in the table,
// ERROR_INSUFFICIENT_BUFFER when the buffer is too small.
ZEF_EXTERN_C int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
