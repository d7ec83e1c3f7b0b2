// Case rules on the ICU library's character data. ICU is used rather than
// the C library's towupper_l: it carries its own Unicode data and locale
// rules, so the Turkic rules hold whether or not the machine has a Turkish
// locale installed, and it works on UTF-16 and code points directly.
//
// ICU's per-character functions are the root (untailored) simple mappings.
// A locale's own rules come from ICU's case mapping of whole texts in that
// locale, taken for each ASCII character where it maps one character to
// one: that is where the Turkic rules differ (i to dotted capital I, I to
// dotless small i); beyond ASCII the root simple mappings already agree with
// them (dotted I lowers to i, dotless i uppers to I). A locale whose rules
// change i or I also folds them the Turkic way.
#include "platform/CaseRules.h"

#include "UserLocaleState.h"

#include "platform/Locale.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <utility>

namespace {

constexpr char32_t kAsciiEnd = 0x80;

using WholeTextMapping = int32_t (*)(UChar*, int32_t, const UChar*, int32_t, const char*, UErrorCode*);

// The locale's mapping of one character when it gives one unit, else the
// fallback.
char16_t mappedInLocale(WholeTextMapping mapping, char16_t character, const std::string& locale, char16_t fallback) {
  UChar out[4];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = mapping(out, 4, &character, 1, locale.c_str(), &status);
  return U_SUCCESS(status) && length == 1 ? out[0] : fallback;
}

template <typename Map>
std::u16string mappedText(std::u16string_view text, Map map) {
  std::u16string out;
  out.reserve(text.size());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < length;) {
    UChar32 character;
    U16_NEXT(text.data(), at, length, character);
    const char32_t mapped = map(static_cast<char32_t>(character));
    if (mapped < 0x10000) {
      out.push_back(static_cast<char16_t>(mapped));
    } else {
      out.push_back(U16_LEAD(mapped));
      out.push_back(U16_TRAIL(mapped));
    }
  }
  return out;
}

}  // namespace

platform::CaseRules::CaseRules(const std::string& localeName) {
  for (char16_t c = 0; c < kAsciiEnd; ++c) {
    asciiUpper_[c] = mappedInLocale(u_strToUpper, c, localeName, static_cast<char16_t>(u_toupper(c)));
    asciiLower_[c] = mappedInLocale(u_strToLower, c, localeName, static_cast<char16_t>(u_tolower(c)));
  }
  const bool turkic = asciiUpper_[u'i'] != u'I' || asciiLower_[u'I'] != u'i';
  foldOptions_ = turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
  for (char16_t c = 0; c < kAsciiEnd; ++c) asciiFold_[c] = static_cast<char16_t>(u_foldCase(c, foldOptions_));
}

char32_t platform::CaseRules::upper(char32_t character) const {
  if (character < kAsciiEnd) return asciiUpper_[character];
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(character)));
}

char32_t platform::CaseRules::lower(char32_t character) const {
  if (character < kAsciiEnd) return asciiLower_[character];
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(character)));
}

char32_t platform::CaseRules::fold(char32_t character) const {
  if (character < kAsciiEnd) return asciiFold_[character];
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(character), foldOptions_));
}

std::u16string platform::CaseRules::upper(std::u16string_view text) const {
  return mappedText(text, [this](char32_t c) { return upper(c); });
}

std::u16string platform::CaseRules::lower(std::u16string_view text) const {
  return mappedText(text, [this](char32_t c) { return lower(c); });
}

namespace {

// Compares two texts by folded characters: the sign of the first
// difference; else -1 when a runs out first, 1 when b does, 0 when both do
// (or, for prefixOnly, whenever a does).
template <typename Fold>
int compareFolded(std::u16string_view a, std::u16string_view b, Fold fold, bool prefixOnly) {
  const auto lengthA = static_cast<int32_t>(a.size());
  const auto lengthB = static_cast<int32_t>(b.size());
  int32_t i = 0;
  int32_t j = 0;
  while (i < lengthA && j < lengthB) {
    UChar32 x;
    UChar32 y;
    U16_NEXT(a.data(), i, lengthA, x);
    U16_NEXT(b.data(), j, lengthB, y);
    if (x == y) continue;
    const char32_t foldedX = fold(static_cast<char32_t>(x));
    const char32_t foldedY = fold(static_cast<char32_t>(y));
    if (foldedX != foldedY) return foldedX < foldedY ? -1 : 1;
  }
  if (i == lengthA && (prefixOnly || j == lengthB)) return 0;
  return i == lengthA ? -1 : 1;
}

}  // namespace

int platform::CaseRules::compareIgnoreCase(std::u16string_view a, std::u16string_view b) const {
  return compareFolded(
      a, b, [this](char32_t c) { return fold(c); }, false);
}

bool platform::CaseRules::equalsIgnoreCase(std::u16string_view a, std::u16string_view b) const {
  return compareIgnoreCase(a, b) == 0;
}

bool platform::CaseRules::startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) const {
  return compareFolded(
             prefix, text, [this](char32_t c) { return fold(c); }, true) == 0;
}

// The rules of every user locale in force so far stay alive until the
// process ends, so a reference handed out is never left dangling when the
// locale changes; there is one object per locale name. Leaked on purpose:
// a host's exit handlers and threads that outlive static destruction still
// compare and map text.
namespace {

struct UserCaseRulesCache {
  std::mutex lock;
  std::list<std::pair<std::string, platform::CaseRules>> made;  // by locale name
  std::atomic<const platform::CaseRules*> current{nullptr};
};

UserCaseRulesCache& userCaseRulesCache() {
  static auto* cache = new UserCaseRulesCache;
  return *cache;
}

}  // namespace

const platform::CaseRules& platform::userCaseRules() {
  UserCaseRulesCache& cache = userCaseRulesCache();
  if (const CaseRules* rules = cache.current.load(std::memory_order_acquire)) return *rules;
  const std::lock_guard<std::mutex> guard(cache.lock);
  if (const CaseRules* rules = cache.current.load(std::memory_order_acquire)) return *rules;
  const std::string name = userLocaleName();
  auto made =
      std::find_if(cache.made.begin(), cache.made.end(), [&name](const auto& entry) { return entry.first == name; });
  if (made == cache.made.end()) made = cache.made.emplace(cache.made.end(), name, CaseRules(name));
  cache.current.store(&made->second, std::memory_order_release);
  return made->second;
}

// Under the lock, so that rules made for the name before it changed are
// never published after this.
void platform::forgetUserCaseRules() {
  UserCaseRulesCache& cache = userCaseRulesCache();
  const std::lock_guard<std::mutex> guard(cache.lock);
  cache.current.store(nullptr, std::memory_order_release);
}
