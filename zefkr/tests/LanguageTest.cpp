#include "zefkr/Language.h"

#include "TestRoot.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

using zefkr::testing::TestRoot;

TEST(LanguageTest, ExpandsMacrosLeftToRight) {
  const struct {
    std::u16string_view text;
    std::u16string_view want;
  } cases[] = {
      {u"%%APPNAME%% 1.0", u"Vendrako Kestruner 1.0"},
      {u"a %%OTHER%% b", u"a  b"},
      {u"%%appname%%", u""},
      {u"50%% off", u"50%% off"},
      {u"%%APPNAME%% and %%APPNAME%%!", u"Vendrako Kestruner and Vendrako Kestruner!"},
      {u"%%%%x", u"x"},
      {u"%%X%%%%APPNAME%%", u"Vendrako Kestruner"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zefkr::expandMessageMacros(c.text), c.want)
        << std::string(c.text.begin(), c.text.end());
  }
}

TEST(LanguageTest, ConversionHookCutsToTheLoadersBuffer) {
  std::u16string text(3000, u'a');
  text.insert(0, u"%%APPNAME%%");
  std::u16string out(zefkr::kConvertedTextCapacity, u'?');
  KRExpandMessageMacros(1, 1, text.c_str(), out.data(), nullptr);
  EXPECT_EQ(std::u16string(out.c_str()).size(), zefkr::kConvertedTextCapacity - 1);
  EXPECT_EQ(out.substr(0, 18), u"Vendrako Kestruner");
}

TEST(LanguageTest, ChoosesTheMessageFileWithFallbacks) {
  const struct {
    const char* name;
    const char* langIni;  // null: no ZefKRLang.ini
    std::vector<std::string> present;
    std::u16string_view want;
  } cases[] = {
      {"no language file", nullptr, {"ITA", "ENG"}, u"ZefKR.ITA"},
      {"chosen file present", "DEU", {"DEU", "ENG", "ITA"}, u"ZefKR.DEU"},
      {"missing language falls to English", "DEU", {"ENG", "ITA"}, u"ZefKR.ENG"},
      {"then to Italian", "DEU", {"ITA"}, u"ZefKR.ITA"},
      {"Italian even when missing", "DEU", {}, u"ZefKR.ITA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestRoot root;
    root.writeFile("drives/c/prog/readme.txt", "");
    if (c.langIni != nullptr) {
      root.writeFile("drives/c/prog/ZefKRLang.ini",
                     std::string("[Language]\r\nCurrent=") + c.langIni + "\r\n");
    }
    for (const std::string& abbr : c.present) {
      root.writeFile("drives/c/prog/Lang/ZefKR." + abbr, "");
    }
    const std::u16string language = zefkr::currentLanguage(u"C:\\prog");
    EXPECT_EQ(zefkr::messageFilePath(u"C:\\prog\\", language),
              u"C:\\prog\\Lang\\" + std::u16string(c.want));
  }
}

}  // namespace
