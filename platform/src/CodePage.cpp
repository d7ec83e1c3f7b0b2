// UTF-8 <-> UTF-16 conversion, the only one in the system.
//
// Decoding follows the Unicode definition of well-formed UTF-8: no overlong
// forms, no surrogate code points, nothing above U+10FFFF. Each maximal
// ill-formed subpart counts as one malformed unit, so the lenient form puts
// one replacement character where the strict form would fail.
#include "platform/CodePage.h"

#include "platform/LastError.h"

#include <climits>

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

void appendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  codePoint -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

// Decodes one code point of UTF-16; a lone surrogate is malformed.
bool decodeUtf16(std::u16string_view text, size_t& pos, char32_t& codePoint) {
  const char16_t unit = text[pos++];
  if (unit < 0xD800 || unit > 0xDFFF) {
    codePoint = unit;
    return true;
  }
  if (unit >= 0xDC00 || pos >= text.size()) return false;
  const char16_t low = text[pos];
  if (low < 0xDC00 || low > 0xDFFF) return false;
  ++pos;
  codePoint = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (low - 0xDC00);
  return true;
}

void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Shared loop of both directions: decodes with Decode, encodes with Append;
// a malformed unit either fails the conversion or becomes `replacement`.
template <typename Out, typename In, typename Decode, typename Append>
bool convert(In text, Out& out, bool strict, char32_t replacement, Decode decode,
             Append append) {
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
  return convert(text, out, strict, kReplacement, decodeUtf8, appendUtf16);
}

bool toAnsi(std::u16string_view text, std::string& out, bool strict) {
  return convert(text, out, strict, U'?', decodeUtf16, appendUtf8);
}

// The Win32 conversion's lenient form: a lone surrogate becomes U+FFFD
// (EF BF BD), as the system's UTF-8 conversion writes it.
void toUtf8Replacing(std::u16string_view text, std::string& out) {
  convert(text, out, /*strict=*/false, kReplacement, decodeUtf16, appendUtf8);
}

}  // namespace

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
  size_t units = 0, pos = 0;
  while (pos < text.size()) {
    char32_t codePoint;
    if (!decodeUtf8(text, pos, codePoint)) return std::nullopt;
    units += codePoint < 0x10000 ? 1 : 2;
  }
  return units;
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

int MultiByteToWideChar(UINT /*codePage*/, DWORD flags, const char* source, int sourceLength,
                        char16_t* destination, int destinationSize) {
  if (source == nullptr || sourceLength == 0 || destinationSize < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string converted;
  if (!toWide(sourceView(source, sourceLength), converted, (flags & MB_ERR_INVALID_CHARS) != 0)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return deliver(converted, destination, destinationSize);
}

int WideCharToMultiByte(UINT /*codePage*/, DWORD flags, const char16_t* source, int sourceLength,
                        char* destination, int destinationSize, const char* /*defaultChar*/,
                        BOOL* usedDefaultChar) {
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
