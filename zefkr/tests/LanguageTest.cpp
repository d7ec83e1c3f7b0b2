#include "zefkr/Language.h"

#include "TestRoot.h"

#include <algorithm>
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
    EXPECT_EQ(zefkr::expandMessageMacros(c.text), c.want) << std::string(c.text.begin(), c.text.end());
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
      root.writeFile("drives/c/prog/ZefKRLang.ini", std::string("[Language]\r\nCurrent=") + c.langIni + "\r\n");
    }
    for (const std::string& abbr : c.present) {
      root.writeFile("drives/c/prog/Lang/ZefKR." + abbr, "");
    }
    const std::u16string language = zefkr::currentLanguage(u"C:\\prog");
    EXPECT_EQ(zefkr::messageFilePath(u"C:\\prog\\", language), u"C:\\prog\\Lang\\" + std::u16string(c.want));
  }
}

}  // namespace

namespace {

// Ids whose texts the updater shows; both shipped languages must hold them.
std::vector<int32_t> programMessageIds() {
  std::vector<int32_t> ids = {1, 3, 4, 5, 6, 7, 8, 9, 50, 60, 1112, 1114, 1117, 4000, 4001};
  const std::pair<int32_t, int32_t> ranges[] = {{1000, 1007}, {1010, 1025}, {1100, 1102}, {1153, 1158}, {1200, 1202},
                                                {1300, 1306}, {1400, 1403}, {1500, 1502}, {1600, 1608}, {1700, 1705},
                                                {1800, 1803}, {1900, 1901}, {2000, 2009}, {3000, 3016}};
  for (const auto& [first, last] : ranges) {
    for (int32_t id = first; id <= last; ++id) ids.push_back(id);
  }
  return ids;
}

TEST(LanguageTest, ServesTextsOfTheChosenLanguageWithMacrosExpanded) {
  TestRoot root;
  root.writeFile("drives/c/prog/ZefKRLang.ini", "[Language]\r\nCurrent=DEU\r\n");
  root.writeFile("drives/c/prog/Lang/ZefKR.ENG", "1=%%APPNAME%%\r\n4000=Hello %%X%%world\r\n");
  root.writeFile("drives/c/prog/Lang/ZefKR.ITA", "1=Italiano\r\n");

  EXPECT_TRUE(KRGetMessage(1).IsEmpty());
  zefkr::loadLanguageFrom(u"C:\\prog");
  EXPECT_EQ(KRGetMessage(1).Text(), u"Vendrako Kestruner");
  EXPECT_EQ(KRGetMessage(4000).Text(), u"Hello world");
  EXPECT_TRUE(KRGetMessage(2).IsEmpty());
  EXPECT_TRUE(KRGetMessage(-1).IsEmpty());
  KRFreeLanguage();
  EXPECT_TRUE(KRGetMessage(1).IsEmpty());
}

TEST(LanguageTest, ShippedLanguagesHoldEveryMessageTheProgramShows) {
  for (const char16_t* language : {u"ITA", u"ENG"}) {
    TestRoot root;
    // The build puts the message files in Lang beside the test program.
    const std::u16string folder = zefkr::programFolder(nullptr);
    ASSERT_FALSE(folder.empty());
    root.writeFile("drives/c/prog/ZefKRLang.ini", "");
    const std::u16string path = zefkr::messageFilePath(folder, language);
    ASSERT_NE(path.find(language), std::u16string::npos) << "missing Lang file";

    // Load through a language file of our own that names the language.
    const std::string narrow(language, language + 3);
    std::filesystem::create_directories(root.path() + "/drives/c/prog/Lang");
    std::string nativePath(path.begin(), path.end());
    std::replace(nativePath.begin(), nativePath.end(), '\\', '/');
    std::filesystem::copy_file(nativePath, root.path() + "/drives/c/prog/Lang/ZefKR." + narrow);
    root.writeFile("drives/c/prog/ZefKRLang.ini", "[Language]\r\nCurrent=" + narrow + "\r\n");
    zefkr::loadLanguageFrom(u"C:\\prog");
    for (const int32_t id : programMessageIds()) {
      EXPECT_FALSE(KRGetMessage(id).IsEmpty()) << narrow << " message " << id;
    }
    EXPECT_EQ(KRGetMessage(1).Text(), u"Vendrako Kestruner");
    KRFreeLanguage();
  }
}

}  // namespace
