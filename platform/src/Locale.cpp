// The platform's locale table behind GetLocaleInfoW.
#include "platform/Locale.h"

#include "platform/LastError.h"

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
  switch (type & ~LOCALE_NOUSEROVERRIDE) {
    case LOCALE_SABBREVLANGNAME: return row.abbreviatedLanguage;
    case LOCALE_SABBREVCTRYNAME: return row.abbreviatedCountry;
    case LOCALE_SISO639LANGNAME: return row.isoLanguage;
    case LOCALE_SISO3166CTRYNAME: return row.isoCountry;
    default: return nullptr;
  }
}

}  // namespace

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  const char16_t* item = nullptr;
  for (const auto& row : kLocales) {
    if (row.locale == locale) item = itemOf(row, type);
  }
  if (item == nullptr || size < 0 || (size > 0 && data == nullptr)) {
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
