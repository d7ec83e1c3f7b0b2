// The platform's locale table behind GetLocaleInfoW, and the user's locale.
#include "platform/Locale.h"

#include "UserLocaleState.h"

#include "platform/LastError.h"

#include <unicode/unum.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>

namespace {

struct LocaleRow {
  LCID locale;
  const char16_t* abbreviatedLanguage;  // LOCALE_SABBREVLANGNAME
  const char16_t* abbreviatedCountry;   // LOCALE_SABBREVCTRYNAME
  const char16_t* isoLanguage;          // LOCALE_SISO639LANGNAME
  const char16_t* isoCountry;           // LOCALE_SISO3166CTRYNAME
};

constexpr LocaleRow kLocales[] = {
    {0x0404, u"CHT", u"TWN", u"zh", u"TW"}, {0x0407, u"DEU", u"DEU", u"de", u"DE"},
    {0x0409, u"ENU", u"USA", u"en", u"US"}, {0x0809, u"ENG", u"GBR", u"en", u"GB"},
    {0x040C, u"FRA", u"FRA", u"fr", u"FR"}, {0x0410, u"ITA", u"ITA", u"it", u"IT"},
    {0x0411, u"JPN", u"JPN", u"ja", u"JP"}, {0x0412, u"KOR", u"KOR", u"ko", u"KR"},
    {0x0413, u"NLD", u"NLD", u"nl", u"NL"}, {0x0415, u"PLK", u"POL", u"pl", u"PL"},
    {0x0416, u"PTB", u"BRA", u"pt", u"BR"}, {0x0419, u"RUS", u"RUS", u"ru", u"RU"},
    {0x041A, u"HRV", u"HRV", u"hr", u"HR"}, {0x041D, u"SVE", u"SWE", u"sv", u"SE"},
    {0x0804, u"CHS", u"CHN", u"zh", u"CN"}, {0x0816, u"PTG", u"PRT", u"pt", u"PT"},
    {0x0C0A, u"ESN", u"ESP", u"es", u"ES"},
};

const char16_t* itemOf(const LocaleRow& row, LCTYPE type) {
  switch (type) {
    case LOCALE_SABBREVLANGNAME: return row.abbreviatedLanguage;
    case LOCALE_SABBREVCTRYNAME: return row.abbreviatedCountry;
    case LOCALE_SISO639LANGNAME: return row.isoLanguage;
    case LOCALE_SISO3166CTRYNAME: return row.isoCountry;
    default: return nullptr;
  }
}

// "de_DE.UTF-8@euro" -> "de_DE"; the C and POSIX locales -> "".
std::string withoutCodeSet(std::string_view posixName) {
  const std::string_view name = posixName.substr(0, posixName.find_first_of(".@"));
  if (name == "C" || name == "POSIX") return {};
  return std::string(name);
}

struct UserLocaleState {
  std::mutex lock;
  std::optional<std::string> name;                 // unset until first asked or set
  std::optional<std::u16string> decimalSeparator;  // of `name`, made on first need
};

// Leaked on purpose, like the case rules it names (CaseRules.cpp).
UserLocaleState& userLocaleState() {
  static auto* state = new UserLocaleState;
  return *state;
}

// "de_DE": the row's language and country as a POSIX locale name.
std::string posixNameOf(const LocaleRow& row) {
  std::u16string wide(row.isoLanguage);
  wide.append(u"_").append(row.isoCountry);
  return std::string(wide.begin(), wide.end());  // ISO codes are ASCII
}

// The table row of an LCID; for LOCALE_USER_DEFAULT the row of the user's
// language and country.
const LocaleRow* rowOf(LCID locale) {
  const std::string user = locale == LOCALE_USER_DEFAULT ? platform::userLocaleName() : std::string();
  for (const auto& row : kLocales) {
    if (locale == LOCALE_USER_DEFAULT ? posixNameOf(row) == user : row.locale == locale) return &row;
  }
  return nullptr;
}

}  // namespace

std::string platform::userLocaleOfEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != 0) return withoutCodeSet(value);
  }
  return {};
}

std::string platform::userLocaleName() {
  UserLocaleState& state = userLocaleState();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (!state.name) state.name = userLocaleOfEnvironment();
  return *state.name;
}

std::u16string platform::userDecimalSeparator() {
  UserLocaleState& state = userLocaleState();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (!state.name) state.name = userLocaleOfEnvironment();
  if (!state.decimalSeparator) state.decimalSeparator = decimalSeparatorOf(*state.name);
  return *state.decimalSeparator;
}

void platform::setUserLocaleName(std::string_view posixName) {
  UserLocaleState& state = userLocaleState();
  {
    const std::lock_guard<std::mutex> guard(state.lock);
    state.name = withoutCodeSet(posixName);
    state.decimalSeparator.reset();
  }
  forgetUserCaseRules();
}

std::u16string platform::decimalSeparatorOf(const std::string& localeName) {
  UErrorCode status = U_ZERO_ERROR;
  UNumberFormat* format = unum_open(UNUM_DECIMAL, nullptr, 0, localeName.c_str(), nullptr, &status);
  UChar symbol[8];
  const int32_t length = unum_getSymbol(format, UNUM_DECIMAL_SEPARATOR_SYMBOL, symbol, 8, &status);
  unum_close(format);
  if (U_FAILURE(status) || length <= 0 || length > 8) return u".";
  return std::u16string(symbol, static_cast<size_t>(length));
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  type &= ~LOCALE_NOUSEROVERRIDE;
  const LocaleRow* row = rowOf(locale);
  std::u16string item;
  if (type == LOCALE_SDECIMAL && (row != nullptr || locale == LOCALE_USER_DEFAULT)) {
    item = locale == LOCALE_USER_DEFAULT ? platform::userDecimalSeparator()
                                         : platform::decimalSeparatorOf(posixNameOf(*row));
  } else if (const char16_t* text = row != nullptr ? itemOf(*row, type) : nullptr) {
    item = text;
  }
  if (item.empty() || size < 0 || (size > 0 && data == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string_view text(item);
  const int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  text.copy(data, text.size());
  data[text.size()] = 0;
  return needed;
}
