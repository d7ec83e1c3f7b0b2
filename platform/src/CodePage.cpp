// UTF-8 <-> UTF-16 conversion, the only one in the system.
//
// Decoding follows the Unicode definition of well-formed UTF-8: no overlong
// forms, no surrogate code points, nothing above U+10FFFF. Each maximal
// ill-formed subpart counts as one malformed unit, so the lenient form puts
// one replacement character where the strict form would fail.
#include "platform/CodePage.h"

#include "platform/LastError.h"
#include "platform/TextTools.h"

#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point starting at text[pos]; advances pos past it (or past
// the malformed subpart) and returns false for malformed input.
bool decodeUtf8(std::string_view text, size_t& pos, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  ++pos;
  if (lead < 0x80) {
    codePoint = lead;
    return true;
  }
  int trailing;
  char32_t value;
  unsigned char lowest = 0x80, highest = 0xBF;  // range of the first trail byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) lowest = 0xA0;   // no overlong forms
    if (lead == 0xED) highest = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    value = lead & 0x07;
    if (lead == 0xF0) lowest = 0x90;   // no overlong forms
    if (lead == 0xF4) highest = 0x8F;  // nothing above U+10FFFF
  } else {
    return false;
  }
  for (int i = 0; i < trailing; ++i) {
    if (pos >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[pos]);
    if (trail < lowest || trail > highest) return false;
    lowest = 0x80;
    highest = 0xBF;
    value = (value << 6) | (trail & 0x3F);
    ++pos;
  }
  codePoint = value;
  return true;
}

// Stores one code point as UTF-16 at out[units...], as far as the capacity
// reaches, and returns the units it takes.
inline size_t storeUtf16(char32_t codePoint, char16_t* out, size_t units, size_t capacity) {
  char16_t encoded[2];
  const size_t count = platform::encodeUtf16(codePoint, encoded);
  for (size_t i = 0; i < count && units + i < capacity; ++i) out[units + i] = encoded[i];
  return count;
}

// Decodes one code point of UTF-16; a lone surrogate is malformed.
bool decodeUtf16(std::u16string_view text, size_t& pos, char32_t& codePoint) {
  size_t units = 0;
  codePoint = platform::codePointAt(text, pos, units);
  pos += units;
  // A surrogate that is not half of a pair is malformed.
  return units == 2 || codePoint < 0xD800 || codePoint > 0xDFFF;
}

// The loop from UTF-16 to UTF-8: decodes with Decode, encodes with Append;
// a malformed unit either fails the conversion or becomes `replacement`.
template <typename Out, typename In, typename Decode, typename Append>
bool convert(In text, Out& out, bool strict, char32_t replacement, Decode decode, Append append) {
  out.clear();
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t codePoint;
    if (!decode(text, pos, codePoint)) {
      if (strict) return false;
      codePoint = replacement;
    }
    append(out, codePoint);
  }
  return true;
}

bool toWide(std::string_view text, std::u16string& out, bool strict) {
  // A text never needs more units than it has bytes.
  out.resize(text.size());
  const platform::Utf8Decoded decoded = platform::utf8ToUtf16(text, out.data(), out.size(), strict);
  out.resize(decoded.wellFormed ? decoded.units : 0);
  return decoded.wellFormed;
}

bool toAnsi(std::u16string_view text, std::string& out, bool strict) {
  return convert(text, out, strict, U'?', decodeUtf16, platform::appendUtf8);
}

// The Win32 conversion's lenient form: a lone surrogate becomes U+FFFD
// (EF BF BD), as the system's UTF-8 conversion writes it.
void toUtf8Replacing(std::u16string_view text, std::string& out) {
  convert(text, out, /*strict=*/false, kReplacement, decodeUtf16, platform::appendUtf8);
}

}  // namespace

// Text is mostly ASCII, so it goes 16 bytes at a time while input and output
// both have room for a whole block: the block is widened and stored at once,
// and when it holds a non-ASCII byte only the ASCII bytes before it count
// (the units stored after them are overwritten by what follows). Other bytes
// go through decodeUtf8 one code point at a time. SSE2 belongs to the x86-64
// baseline, so this needs no special build flags.
platform::Utf8Decoded platform::utf8ToUtf16(std::string_view text, char16_t* out, size_t capacity, bool strict) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  size_t pos = 0;
  size_t units = 0;
  while (pos < size) {
#if defined(__SSE2__)
    if (size - pos >= 16 && units + 16 <= capacity) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + units), _mm_unpacklo_epi8(block, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + units + 8), _mm_unpackhi_epi8(block, zero));
      const unsigned nonAscii = static_cast<unsigned>(_mm_movemask_epi8(block));
      const size_t ascii = nonAscii == 0 ? 16 : static_cast<size_t>(__builtin_ctz(nonAscii));
      pos += ascii;
      units += ascii;
      if (ascii == 16) continue;
    }
#endif
    if (bytes[pos] < 0x80) {
      if (units < capacity) out[units] = static_cast<char16_t>(bytes[pos]);
      ++units;
      ++pos;
      continue;
    }
    char32_t codePoint;
    if (!decodeUtf8(text, pos, codePoint)) {
      if (strict) return {units, false};
      codePoint = kReplacement;
    }
    units += storeUtf16(codePoint, out, units, capacity);
  }
  return {units, true};
}

std::optional<std::u16string> platform::ansiToWide(std::string_view text) {
  std::u16string out;
  if (!toWide(text, out, /*strict=*/true)) return std::nullopt;
  return out;
}

std::optional<std::string> platform::wideToAnsi(std::u16string_view text) {
  std::string out;
  if (!toAnsi(text, out, /*strict=*/true)) return std::nullopt;
  return out;
}

std::u16string platform::ansiToWideLenient(std::string_view text) {
  std::u16string out;
  toWide(text, out, /*strict=*/false);
  return out;
}

std::string platform::wideToAnsiLenient(std::u16string_view text) {
  std::string out;
  toAnsi(text, out, /*strict=*/false);
  return out;
}

std::optional<size_t> platform::wideLengthOfAnsi(std::string_view text) {
  const Utf8Decoded decoded = utf8ToUtf16(text, nullptr, 0, /*strict=*/true);
  if (!decoded.wellFormed) return std::nullopt;
  return decoded.units;
}

std::optional<size_t> platform::ansiLengthOfWide(std::u16string_view text) {
  size_t bytes = 0, pos = 0;
  while (pos < text.size()) {
    char32_t codePoint;
    if (!decodeUtf16(text, pos, codePoint)) return std::nullopt;
    bytes += codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
  }
  return bytes;
}

namespace {

// Copies a converted text into a caller's buffer with the Win32 size rules.
template <typename Char>
int deliver(const std::basic_string<Char>& converted, Char* destination, int destinationSize) {
  if (converted.size() > static_cast<size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int needed = static_cast<int>(converted.size());
  if (destinationSize == 0) return needed;
  if (needed > destinationSize || destination == nullptr) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(converted.begin(), converted.end(), destination);
  return needed;
}

template <typename Char>
std::basic_string_view<Char> sourceView(const Char* source, int sourceLength) {
  if (sourceLength < 0) {
    // -1 takes the terminating NUL along, as the Windows calls do.
    return std::basic_string_view<Char>(source, std::char_traits<Char>::length(source) + 1);
  }
  return std::basic_string_view<Char>(source, static_cast<size_t>(sourceLength));
}

}  // namespace

int MultiByteToWideChar(UINT /*codePage*/, DWORD flags, const char* source, int sourceLength, char16_t* destination,
                        int destinationSize) {
  if (source == nullptr || sourceLength == 0 || destinationSize < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // One pass straight into the caller's buffer. A malformed text is
  // reported before a buffer that is too small, so the decoding goes on
  // counting past the capacity.
  const size_t capacity = destination == nullptr ? 0 : static_cast<size_t>(destinationSize);
  const platform::Utf8Decoded decoded = platform::utf8ToUtf16(sourceView(source, sourceLength), destination, capacity,
                                                              (flags & MB_ERR_INVALID_CHARS) != 0);
  if (!decoded.wellFormed) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (decoded.units > static_cast<size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int needed = static_cast<int>(decoded.units);
  if (destinationSize == 0) return needed;
  if (needed > destinationSize || destination == nullptr) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return needed;
}

int WideCharToMultiByte(UINT /*codePage*/, DWORD flags, const char16_t* source, int sourceLength, char* destination,
                        int destinationSize, const char* /*defaultChar*/, BOOL* usedDefaultChar) {
  if (source == nullptr || sourceLength == 0 || destinationSize < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto view = sourceView(source, sourceLength);
  std::string converted;
  const bool wellFormed = toAnsi(view, converted, /*strict=*/true);
  if (!wellFormed) {
    if (flags & WC_ERR_INVALID_CHARS) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    toUtf8Replacing(view, converted);
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = wellFormed ? FALSE : TRUE;
  return deliver(converted, destination, destinationSize);
}
