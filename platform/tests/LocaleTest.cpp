#include "platform/Locale.h"

#include "platform/CaseRules.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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

TEST(LocaleTest, DecimalSeparatorsAndTheUsersLocale) {
  const auto item = [](LCID locale, LCTYPE type) {
    WCHAR buffer[8] = {};
    return GetLocaleInfoW(locale, type, buffer, 8) == 0 ? std::u16string(u"(none)") : std::u16string(buffer);
  };
  const struct {
    const char* user;  // the user's locale as the environment names it
    std::u16string decimal;
    std::u16string country;  // LOCALE_SABBREVCTRYNAME of the user's locale
  } rows[] = {
      {"C", u".", u"(none)"},          {"POSIX", u".", u"(none)"}, {"de_DE.UTF-8", u",", u"DEU"},
      {"en_US.UTF-8@x", u".", u"USA"}, {"fr_FR", u",", u"FRA"},    {"fi_FI.UTF-8", u",", u"(none)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.user);
    const platform::ScopedUserLocale user(row.user);
    EXPECT_EQ(item(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), row.decimal);
    EXPECT_EQ(platform::userDecimalSeparator(), row.decimal);
    EXPECT_EQ(item(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME), row.country);
  }
  EXPECT_EQ(item(0x0407, LOCALE_SDECIMAL), u",");
  EXPECT_EQ(item(0x0409, LOCALE_SDECIMAL | LOCALE_NOUSEROVERRIDE), u".");
  EXPECT_EQ(item(0x7777, LOCALE_SDECIMAL), u"(none)");
}

TEST(LocaleTest, TheEnvironmentNamesTheUsersLocale) {
  const char* variables[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::vector<std::optional<std::string>> saved;
  for (const char* variable : variables) {
    const char* value = std::getenv(variable);
    saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
  }
  const struct {
    const char* all;  // LC_ALL, LC_CTYPE, LANG; null unsets
    const char* ctype;
    const char* lang;
    std::string locale;
  } rows[] = {
      {nullptr, nullptr, nullptr, ""},
      {nullptr, nullptr, "de_DE.UTF-8", "de_DE"},
      {nullptr, "tr_TR.UTF-8", "de_DE", "tr_TR"},
      {"", "", "fr_FR@euro", "fr_FR"},
      {"C.UTF-8", "tr_TR", "de_DE", ""},
      {"POSIX", nullptr, nullptr, ""},
      {"az", nullptr, nullptr, "az"},
  };
  for (const auto& row : rows) {
    const char* values[] = {row.all, row.ctype, row.lang};
    for (size_t i = 0; i < 3; ++i) {
      if (values[i] != nullptr) {
        setenv(variables[i], values[i], 1);
      } else {
        unsetenv(variables[i]);
      }
    }
    EXPECT_EQ(platform::userLocaleOfEnvironment(), row.locale) << row.locale;
  }
  for (size_t i = 0; i < 3; ++i) {
    if (saved[i]) {
      setenv(variables[i], saved[i]->c_str(), 1);
    } else {
      unsetenv(variables[i]);
    }
  }
}

// A host's exit handler registered before the first use (so it runs after
// the library's static objects would be destroyed) still finds the user's
// locale and its case rules. The child process runs this test alone, so
// the rules are first made after the handler is registered.
bool rulesAnswer() {
  return platform::userCaseRules().equalsIgnoreCase(u"\u0531bc", u"\u0561BC") && platform::userLocaleName().empty();
}

TEST(LocaleDeathTest, CaseRulesOutliveStaticDestruction) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] { std::_Exit(rulesAnswer() ? 0 : 3); });
        platform::setUserLocaleName("C");
        if (!rulesAnswer()) std::_Exit(4);
        std::exit(5);  // the handler decides
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
