// Network helper functions: the address of a host name, and the scrambling
// the updater uses to keep proxy credentials out of plain sight in its
// settings file. They keep no state.
#pragma once

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

// Resolves `domain` and writes the text of its first address (dotted decimal
// for IPv4, the standard form for IPv6) into `out`, cut to outLength - 1
// characters and always terminated; the rest of `out` is zero-filled.
// ZR_OK when an address was written; ZR_FAILED when the name does not
// resolve, its first
// address is of neither family, or an argument is null or outLength is 0
// (`out` is then left as it was).
ZEF_EXTERN_C int32_t netmodelIPFromDomain(const WCHAR* domain, WCHAR* out, uint32_t outLength);

// Scrambles `in` into `out` (the same length; see scrambleNetText). Always true.
ZEF_EXTERN_C bool netmodelCryptString(const CLWideStr& in, CLWideStr& out);
// Undoes netmodelCryptString. Always true.
ZEF_EXTERN_C bool netmodelDecryptString(const CLWideStr& in, CLWideStr& out);

namespace zefcorek {

// The substitution behind netmodelCryptString and netmodelDecryptString: each
// underscore, digit and ASCII letter is replaced by the character at the same
// place of the other alphabet; every other character is kept.
ZEF_EXPORT std::u16string scrambleNetText(std::u16string_view text);
ZEF_EXPORT std::u16string unscrambleNetText(std::u16string_view text);

}  // namespace zefcorek
