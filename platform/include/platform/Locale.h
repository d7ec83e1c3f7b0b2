// Locale information by Windows language identifier (LCID), and the user's
// locale.
//
// The platform carries its own small table of locales, so the answers do
// not depend on which locales the machine has installed. The user's locale
// is a POSIX locale name; its number symbols come from the Unicode locale
// data of the ICU library, which is also independent of the installed
// locales.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <string>
#include <string_view>

using LCID = DWORD;
using LCTYPE = DWORD;

// The user's locale, wherever an LCID is taken.
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

inline constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
inline constexpr LCTYPE LOCALE_SDECIMAL = 0x0000000E;
inline constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x00000003;
inline constexpr LCTYPE LOCALE_SABBREVCTRYNAME = 0x00000007;
inline constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x00000059;
inline constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x0000005A;

namespace platform {

// The user's locale as a POSIX name without code set or modifier ("tr_TR",
// "de"); empty for the untailored rules of the C and POSIX locales. Unless
// a host has set it, it is read once from the environment: LC_ALL, else
// LC_CTYPE, else LANG.
ZEF_EXPORT std::string userLocaleName();
// The user's locale as the environment names it now (LC_ALL, else
// LC_CTYPE, else LANG), in the form userLocaleName gives.
ZEF_EXPORT std::string userLocaleOfEnvironment();
// Sets the user's locale for the whole process from a POSIX locale name
// ("de_DE.UTF-8", "C"); the text functions follow it from then on.
ZEF_EXPORT void setUserLocaleName(std::string_view posixName);
// The decimal separator of a locale (a name as userLocaleName gives it).
ZEF_EXPORT std::u16string decimalSeparatorOf(const std::string& localeName);
// The user's decimal separator (LOCALE_SDECIMAL of LOCALE_USER_DEFAULT).
ZEF_EXPORT std::u16string userDecimalSeparator();

// Sets the user's locale for a scope and puts the previous one back.
class ScopedUserLocale {
public:
  explicit ScopedUserLocale(std::string_view posixName) : previous_(userLocaleName()) { setUserLocaleName(posixName); }
  ~ScopedUserLocale() { setUserLocaleName(previous_); }
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

private:
  std::string previous_;
};

}  // namespace platform

// Copies the item into `data` (`size` characters) and answers the
// characters written with the terminator; size 0 answers the size needed.
// LOCALE_USER_DEFAULT stands for the row of the user's language and
// country; its LOCALE_SDECIMAL is answered for any user locale.
// 0 with ERROR_INVALID_PARAMETER for a locale or item not in the table,
// ERROR_INSUFFICIENT_BUFFER when the buffer is too small.
ZEF_EXTERN_C int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
