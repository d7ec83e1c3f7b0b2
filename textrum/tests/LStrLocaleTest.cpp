// The string functions that follow the user's locale: case mapping and
// case-insensitive comparison over the whole of Unicode with the locale's
// own rules, and the decimal separator of doubles.
#include "textrum/CLAnsiStr.h"
#include "textrum/CLWideStr.h"
#include "textrum/LStr.h"

#include "platform/CodePage.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::ScopedUserLocale;

std::u16string wide(LWideStrRec* record) {
  std::u16string text(LStrCstrW(record), static_cast<size_t>(LStrLengthW(record)));
  LStrDestroyW(record);
  return text;
}

std::string narrow(LAnsiStrRec* record) {
  std::string text(LStrCstrA(record), static_cast<size_t>(LStrLengthA(record)));
  LStrDestroyA(record);
  return text;
}

struct CaseRow {
  const char* what;
  const char* locale;
  std::u16string text;
  std::u16string upper;
  std::u16string lower;
};

TEST(LStrLocaleTest, CaseMappingCoversUnicodeWithTheLocalesRules) {
  const CaseRow rows[] = {
      {"Romanian comma below", "C", u"\u0219\u021B\u0218\u021A", u"\u0218\u021A\u0218\u021A",
       u"\u0219\u021B\u0219\u021B"},
      {"Latin Extended Additional", "C", u"\u1EA1\u1EA0", u"\u1EA0\u1EA0", u"\u1EA1\u1EA1"},
      {"Armenian", "C", u"\u0561\u0562\u0531", u"\u0531\u0532\u0531", u"\u0561\u0562\u0561"},
      {"Georgian", "C", u"\u2D00\u10A0", u"\u10A0\u10A0", u"\u2D00\u2D00"},
      {"fullwidth Latin", "C", u"\uFF41\uFF21", u"\uFF21\uFF21", u"\uFF41\uFF41"},
      {"dz digraph", "C", u"\u01C6\u01C4", u"\u01C4\u01C4", u"\u01C6\u01C6"},
      {"Deseret (a surrogate pair)", "C", u"\U00010428x\U00010400", u"\U00010400X\U00010400", u"\U00010428x\U00010428"},
      {"Greek and Cyrillic as before", "en_US.UTF-8", u"\u03B1\u0416", u"\u0391\u0416", u"\u03B1\u0436"},
      {"i and I without Turkic rules", "de_DE.UTF-8", u"iI\u0131\u0130", u"II\u0049\u0130", u"ii\u0131i"},
      {"Turkish dotted and dotless i", "tr_TR.UTF-8", u"iI\u0131\u0130", u"\u0130I\u0049\u0130", u"i\u0131\u0131i"},
      {"Azeri dotted and dotless i", "az_AZ", u"iI", u"\u0130I", u"i\u0131"},
      {"an unpaired surrogate stays", "C", u"a\xD801", u"A\xD801", u"a\xD801"},
  };
  for (const CaseRow& row : rows) {
    SCOPED_TRACE(row.what);
    const ScopedUserLocale locale(row.locale);
    const auto make = [&row] { return LStrAllocFromWSzStrW(row.text.data(), static_cast<int>(row.text.size())); };
    LWideStrRec* record = make();
    EXPECT_EQ(wide(LStrUpperCaseW(record)), row.upper);
    EXPECT_EQ(wide(LStrLowerCaseW(record)), row.lower);
    LStrSelfUpperCaseW(record);
    EXPECT_EQ(wide(record), row.upper);
    record = make();
    LStrSelfLowerCaseW(record);
    EXPECT_EQ(wide(record), row.lower);
    if (row.text.find_first_of(u"\xD801") != std::u16string::npos) continue;  // no UTF-8 form
    // The narrow family maps its UTF-8 text the same way.
    LAnsiStrRec* ansi = LStrAllocFromWSzStrA(row.text.data(), static_cast<int>(row.text.size()));
    EXPECT_EQ(narrow(LStrUpperCaseA(ansi)), platform::wideToAnsiLenient(row.upper));
    EXPECT_EQ(narrow(LStrLowerCaseA(ansi)), platform::wideToAnsiLenient(row.lower));
    LStrDestroyA(ansi);
  }
}

TEST(LStrLocaleTest, CaseBlindComparisonsFoldByTheLocale) {
  const struct {
    const char* locale;
    std::u16string a;
    std::u16string b;
    int sign;
  } rows[] = {
      {"C", u"\u0531\u0532\u0533", u"\u0561\u0562\u0563", 0},      // Armenian
      {"C", u"\u10A0", u"\u2D00", 0},                              // Georgian
      {"C", u"\uFF21bc", u"\uFF41BC", 0},                          // fullwidth
      {"C", u"\u01C4", u"\u01C6", 0},                              // DZ digraph
      {"C", u"\U00010400\U00010401", u"\U00010428\U00010429", 0},  // Deseret
      {"C", u"\u0219", u"\u0218x", -1},
      {"C", u"FILE", u"file", 0},
      {"C", u"\u03A3", u"\u03C2", 0},        // final sigma
      {"tr_TR.UTF-8", u"FILE", u"file", 1},  // I folds to the dotless i, which orders after i
      {"tr_TR.UTF-8", u"F\u0130LE", u"file", 0},
      {"tr_TR.UTF-8", u"FILE", u"f\u0131le", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.locale << " " << platform::wideToAnsiLenient(row.a));
    const ScopedUserLocale locale(row.locale);
    const CLWideStr a(row.a);
    const CLWideStr b(row.b);
    const auto sign = [](int value) { return (value > 0) - (value < 0); };
    EXPECT_EQ(sign(a.CompareIC(b)), row.sign);
    EXPECT_EQ(sign(b.CompareIC(a)), -row.sign);
    const CLAnsiStr narrowA(platform::wideToAnsiLenient(row.a).c_str());
    const CLAnsiStr narrowB(platform::wideToAnsiLenient(row.b).c_str());
    EXPECT_EQ(sign(narrowA.CompareIC(narrowB)), row.sign);
    EXPECT_EQ(a.StartsWithIC(row.b.c_str()), row.sign == 0);
  }
}

TEST(LStrLocaleTest, DoublesTakeTheUsersDecimalSeparator) {
  const struct {
    const char* locale;
    double value;
    const char* text;
  } rows[] = {
      {"C", 0.1, "0.1"},           {"POSIX", -2.5, "-2.5"}, {"en_US.UTF-8", 1.25, "1.25"},
      {"de_DE.UTF-8", 0.1, "0,1"}, {"fr_FR", -2.5, "-2,5"}, {"de_DE", 1e20, "1E20"},
      {"de_DE", 3, "3"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.locale << " " << row.text);
    const ScopedUserLocale locale(row.locale);
    EXPECT_EQ(narrow(LStrAllocFromDoubleA(row.value)), row.text);
    EXPECT_EQ(wide(LStrAllocFromDoubleW(row.value)), platform::ansiToWideLenient(row.text));
  }
}

}  // namespace
