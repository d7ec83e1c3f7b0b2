#include "platform/Locale.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LocaleTest, AbbreviatedCountryNames) {
  const std::pair<LCID, std::u16string> cases[] = {
      {0x0409, u"USA"}, {0x0410, u"ITA"}, {0x0407, u"DEU"}, {0x0404, u"TWN"},
      {0x0804, u"CHN"}, {0x0C0A, u"ESP"}, {0x0415, u"POL"}, {0x041A, u"HRV"},
  };
  for (const auto& [locale, expected] : cases) {
    WCHAR buffer[8] = {};
    EXPECT_EQ(GetLocaleInfoW(locale, LOCALE_SABBREVCTRYNAME | LOCALE_NOUSEROVERRIDE, buffer, 8), 4);
    EXPECT_EQ(std::u16string(buffer), expected) << locale;
  }
  WCHAR buffer[4];
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SABBREVCTRYNAME, nullptr, 0), 4);
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SABBREVCTRYNAME, buffer, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(GetLocaleInfoW(0x7777, LOCALE_SABBREVCTRYNAME, buffer, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
