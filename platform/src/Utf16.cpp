// UTF-16 helpers and the simple case mapping tables.
//
// The mapping is written as data: each row of kCaseRanges names a run of
// capital letters and the distance to their small letters. Runs of
// alternating capital/small pairs (most of Latin Extended-A and Cyrillic) use
// a stride of 2. The two one-way tables hold letters whose mapping has no way
// back (the final sigma maps up to SIGMA, whose small letter is the ordinary
// sigma). The figures are the simple case mappings of the Unicode character
// database for these blocks.
#include "platform/Utf16.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct CaseRange {
  char16_t first;  // first capital letter of the run
  char16_t last;   // last unit of the run (a capital letter when stride is 2)
  int delta;       // small letter = capital + delta
  int stride;      // 1: every unit in the run is a capital; 2: every other one
};

constexpr CaseRange kCaseRanges[] = {
    // Basic Latin and Latin-1 Supplement.
    {0x0041, 0x005A, 32, 1},
    {0x00C0, 0x00D6, 32, 1},
    {0x00D8, 0x00DE, 32, 1},
    // Latin Extended-A: pairs around the dotted and dotless i and the kra.
    {0x0100, 0x012E, 1, 2},
    {0x0132, 0x0136, 1, 2},
    {0x0139, 0x0147, 1, 2},
    {0x014A, 0x0176, 1, 2},
    {0x0178, 0x0178, 0x00FF - 0x0178, 1},
    {0x0179, 0x017D, 1, 2},
    // Greek and Coptic.
    {0x0370, 0x0372, 1, 2},
    {0x0376, 0x0376, 1, 1},
    {0x037F, 0x037F, 0x03F3 - 0x037F, 1},
    {0x0386, 0x0386, 0x03AC - 0x0386, 1},
    {0x0388, 0x038A, 0x03AD - 0x0388, 1},
    {0x038C, 0x038C, 0x03CC - 0x038C, 1},
    {0x038E, 0x038F, 0x03CD - 0x038E, 1},
    {0x0391, 0x03A1, 32, 1},
    {0x03A3, 0x03AB, 32, 1},
    {0x03CF, 0x03CF, 0x03D7 - 0x03CF, 1},
    {0x03D8, 0x03EE, 1, 2},
    {0x03F7, 0x03F7, 1, 1},
    {0x03F9, 0x03F9, 0x03F2 - 0x03F9, 1},
    {0x03FA, 0x03FA, 1, 1},
    {0x03FD, 0x03FF, 0x037B - 0x03FD, 1},
    // Cyrillic and Cyrillic Supplement.
    {0x0400, 0x040F, 0x50, 1},
    {0x0410, 0x042F, 32, 1},
    {0x0460, 0x0480, 1, 2},
    {0x048A, 0x04BE, 1, 2},
    {0x04C0, 0x04C0, 0x04CF - 0x04C0, 1},
    {0x04C1, 0x04CD, 1, 2},
    {0x04D0, 0x04FE, 1, 2},
    {0x0500, 0x052E, 1, 2},
};

struct OneWay {
  char16_t from;
  char16_t to;
};

// Small letters whose capital maps back to another small letter.
constexpr OneWay kUpperOnly[] = {
    {0x00B5, 0x039C},  // micro sign -> GREEK CAPITAL MU
    {0x0131, 0x0049},  // dotless i -> I
    {0x017F, 0x0053},  // long s -> S
    {0x03C2, 0x03A3},  // final sigma -> SIGMA
    {0x03D0, 0x0392},  // beta symbol
    {0x03D1, 0x0398},  // theta symbol
    {0x03D5, 0x03A6},  // phi symbol
    {0x03D6, 0x03A0},  // pi symbol
    {0x03F0, 0x039A},  // kappa symbol
    {0x03F1, 0x03A1},  // rho symbol
    {0x03F5, 0x0395},  // lunate epsilon symbol
};

// Capitals whose small letter maps up to another capital.
constexpr OneWay kLowerOnly[] = {
    {0x0130, 0x0069},  // I with dot above -> i
    {0x03F4, 0x03B8},  // capital theta symbol -> theta
};

bool isInRange(const CaseRange& range, int unit) {
  return unit >= range.first && unit <= range.last && (unit - range.first) % range.stride == 0;
}

template <size_t N>
const OneWay* findOneWay(const OneWay (&table)[N], char16_t unit) {
  for (const OneWay& entry : table) {
    if (entry.from == unit) return &entry;
  }
  return nullptr;
}

// Everything below U+00B5 and above the Cyrillic Supplement maps only in the
// ASCII rows; skipping the tables there keeps plain text fast.
constexpr char16_t kLastMapped = 0x052F;

}  // namespace

// Eight units at a time from the first 16-byte boundary on. An aligned load
// never crosses into another page, so reading past the NUL within its block
// is safe; the address sanitizer would still call it an overflow.
__attribute__((no_sanitize_address)) size_t platform::utf16Length(const char16_t* text) {
  if (text == nullptr) return 0;
  const char16_t* unit = text;
#if defined(__SSE2__)
  if (reinterpret_cast<uintptr_t>(unit) % alignof(char16_t) == 0) {
    while (reinterpret_cast<uintptr_t>(unit) % 16 != 0) {
      if (*unit == 0) return static_cast<size_t>(unit - text);
      ++unit;
    }
    const __m128i zero = _mm_setzero_si128();
    for (;; unit += 8) {
      const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(unit));
      const unsigned nul = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, zero)));
      if (nul != 0) return static_cast<size_t>(unit - text) + static_cast<size_t>(__builtin_ctz(nul)) / 2;
    }
  }
#endif
  return std::char_traits<char16_t>::length(text);
}

char16_t platform::toUpperUnit(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? unit - 32 : unit;
  if (unit > kLastMapped) return unit;
  if (const OneWay* entry = findOneWay(kUpperOnly, unit)) return entry->to;
  for (const CaseRange& range : kCaseRanges) {
    if (isInRange(range, int{unit} - range.delta)) return static_cast<char16_t>(unit - range.delta);
  }
  return unit;
}

char16_t platform::toLowerUnit(char16_t unit) {
  if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
  if (unit > kLastMapped) return unit;
  if (const OneWay* entry = findOneWay(kLowerOnly, unit)) return entry->to;
  for (const CaseRange& range : kCaseRanges) {
    if (isInRange(range, unit)) return static_cast<char16_t>(unit + range.delta);
  }
  return unit;
}

char16_t platform::foldCaseUnit(char16_t unit) { return toLowerUnit(toUpperUnit(unit)); }

void platform::toUpperInPlace(std::span<char16_t> text) {
  for (char16_t& unit : text) unit = toUpperUnit(unit);
}

void platform::toLowerInPlace(std::span<char16_t> text) {
  for (char16_t& unit : text) unit = toLowerUnit(unit);
}

namespace {

template <typename Map>
int compareMapped(std::u16string_view a, std::u16string_view b, Map map) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = map(a[i]);
    const char16_t y = map(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

char16_t identity(char16_t unit) { return unit; }

template <typename Map>
bool matchesAt(std::u16string_view text, size_t at, std::u16string_view pattern, Map map) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (map(text[at + i]) != map(pattern[i])) return false;
  }
  return true;
}

template <typename Map>
size_t findMapped(std::u16string_view text, std::u16string_view pattern, size_t from, Map map) {
  if (from > text.size() || pattern.size() > text.size() - from) return platform::kNotFound;
  const size_t lastStart = text.size() - pattern.size();
  for (size_t at = from; at <= lastStart; ++at) {
    if (matchesAt(text, at, pattern, map)) return at;
  }
  return platform::kNotFound;
}

}  // namespace

int platform::compareOrdinal(std::u16string_view a, std::u16string_view b) { return compareMapped(a, b, identity); }

int platform::compareIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return compareMapped(a, b, foldCaseUnit);
}

bool platform::equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compareIgnoreCase(a, b) == 0;
}

std::u16string platform::foldedCase(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = foldCaseUnit(unit);
  return folded;
}

bool platform::startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return prefix.size() <= text.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

size_t platform::findUnits(std::u16string_view text, std::u16string_view pattern, size_t from) {
  if (from > text.size()) return kNotFound;
  const size_t at = text.find(pattern, from);
  return at == std::u16string_view::npos ? kNotFound : at;
}

size_t platform::findUnitsIgnoreCase(std::u16string_view text, std::u16string_view pattern, size_t from) {
  return findMapped(text, pattern, from, foldCaseUnit);
}

size_t platform::findLastUnits(std::u16string_view text, std::u16string_view pattern, size_t before) {
  const size_t at = text.rfind(pattern, before);
  return at == std::u16string_view::npos ? kNotFound : at;
}

int lstrlenW(LPCWSTR text) { return static_cast<int>(std::min<size_t>(platform::utf16Length(text), INT32_MAX)); }

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  if (text == nullptr) return 0;
  platform::toUpperInPlace(std::span<char16_t>(text, length));
  return length;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
  if (text == nullptr) return 0;
  platform::toLowerInPlace(std::span<char16_t>(text, length));
  return length;
}
