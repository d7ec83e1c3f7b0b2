// The one place where text changes between UTF-16 and the ANSI code page.
//
// The ANSI code page of this system is UTF-8. Malformed input (a lone
// surrogate in UTF-16, an invalid or overlong sequence in UTF-8) is a failure,
// as the Windows conversions report it with MB_ERR_INVALID_CHARS, never
// garbage. The lenient forms replace each malformed unit with U+FFFD (wide)
// or '?' (narrow) for callers that must always produce some text.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

namespace platform {

// Strict conversions: empty optional on malformed input.
ZEF_EXPORT std::optional<std::u16string> ansiToWide(std::string_view text);
ZEF_EXPORT std::optional<std::string> wideToAnsi(std::u16string_view text);

// Lenient conversions: malformed units are replaced, never dropped silently.
ZEF_EXPORT std::u16string ansiToWideLenient(std::string_view text);
ZEF_EXPORT std::string wideToAnsiLenient(std::u16string_view text);

// The outcome of utf8ToUtf16.
struct Utf8Decoded {
  size_t units = 0;        // UTF-16 units of the text (strict: up to the fault)
  bool wellFormed = true;  // false when a malformed sequence was met
};

// Decodes UTF-8 straight into out[0, capacity): units beyond the capacity are
// counted but not written, so a capacity of 0 measures the text. Strict
// decoding stops at the first malformed sequence; lenient decoding puts one
// U+FFFD for each maximal ill-formed subpart. The text never needs more
// units than it has bytes. Writes no terminator.
ZEF_EXPORT Utf8Decoded utf8ToUtf16(std::string_view text, char16_t* out, size_t capacity, bool strict);

// Number of UTF-16 units the text needs, or nullopt when it is malformed.
ZEF_EXPORT std::optional<size_t> wideLengthOfAnsi(std::string_view text);
// Number of bytes the text needs in the ANSI code page, or nullopt.
ZEF_EXPORT std::optional<size_t> ansiLengthOfWide(std::u16string_view text);

}  // namespace platform

// Win32-shaped forms. Code pages CP_ACP and CP_UTF8 are the same here.
// A source length of -1 includes the terminating NUL; a destination size of
// 0 asks for the size needed. Without MB_ERR_INVALID_CHARS (or
// WC_ERR_INVALID_CHARS) malformed input is replaced by U+FFFD, in UTF-16 or
// as its three UTF-8 bytes; with it the call fails
// (ERROR_NO_UNICODE_TRANSLATION).
// Returns the units written (or needed), 0 on failure with the last error set.
ZEF_EXPORT int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength,
                                   char16_t* destination, int destinationSize);
ZEF_EXPORT int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* source, int sourceLength,
                                   char* destination, int destinationSize, const char* defaultChar,
                                   BOOL* usedDefaultChar);
