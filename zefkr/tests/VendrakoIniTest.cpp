#include "zefkr/VendrakoIni.h"

#include "zefkr/ModuleTable.h"

#include "TestRoot.h"

#include <gtest/gtest.h>

namespace {

using zefkr::testing::TestRoot;

const char* const kCopyFiles[zefkr::kVendrakoIniCopies] = {
    "CommonAppData/Vendrako SH/VENDRAKO.INI",
    "AppData/Vendrako SH/VENDRAKO.INI",
    "Windows/VENDRAKO.INI",
};

TEST(VendrakoIniTest, OpensAllThreeCopiesEvenWhenNoFileExists) {
  TestRoot root;
  zefkr::TVendrakoIni ini;
  for (int i = 0; i < zefkr::kVendrakoIniCopies; ++i) EXPECT_NE(ini.GetIni(i), nullptr) << i;
  EXPECT_EQ(ini.GetIni(3), nullptr);
  EXPECT_EQ(ini.GetIni(-1), nullptr);
  EXPECT_EQ(ini.FirstOpenCopy(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(root.path() + "/CommonAppData/Vendrako SH"));
  EXPECT_TRUE(std::filesystem::is_directory(root.path() + "/AppData/Vendrako SH"));
  EXPECT_EQ(ini.Path(0), zefkr::commonVendrakoIniPath());
}

TEST(VendrakoIniTest, ReadsFromTheFirstCopyThatHoldsTheKey) {
  struct Case {
    const char* name;
    const char* copies[zefkr::kVendrakoIniCopies];  // value of RunInTray, null: no key
    int wantCopy;
    int wantValue;
  };
  const Case cases[] = {
      {"nowhere", {nullptr, nullptr, nullptr}, -1, 7},
      {"copy 2 only", {nullptr, nullptr, "1"}, 2, 1},
      {"copies 1 and 2", {nullptr, "3", "1"}, 1, 3},
      {"all copies", {"5", "3", "1"}, 0, 5},
      {"empty value counts as present", {"", nullptr, "1"}, 0, 0},
      {"text value reads as 0", {nullptr, "yes", "1"}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRoot root;
    for (int i = 0; i < zefkr::kVendrakoIniCopies; ++i) {
      std::string text = "[ZefUpdaterLogin]\r\nOther=9\r\n";
      if (c.copies[i] != nullptr) text += std::string("RunInTray=") + c.copies[i] + "\r\n";
      root.writeFile(kCopyFiles[i], text);
    }
    zefkr::TVendrakoIni ini;
    EXPECT_EQ(ini.FirstCopyHaving(u"ZefUpdaterLogin", u"RunInTray"), c.wantCopy);
    EXPECT_EQ(ini.ReadIntegerFromFirstCopy(u"ZefUpdaterLogin", u"runintray", 7), c.wantValue);
  }
}

TEST(VendrakoIniTest, WritesThroughACopyReachTheFile) {
  TestRoot root;
  {
    zefkr::TVendrakoIni ini;
    ASSERT_TRUE(ini.GetIni(0)->WriteInteger(u"ZefUpdaterLogin", u"AutomaticMode", 1));
  }
  EXPECT_NE(root.readFile(kCopyFiles[0]).find("AutomaticMode=1"), std::string::npos);
  zefkr::TVendrakoIni again;
  EXPECT_EQ(again.ReadIntegerFromFirstCopy(u"ZefUpdaterLogin", u"AutomaticMode", 0), 1);
}

class ModuleTableTest : public ::testing::Test {
protected:
  std::u16string writeModules(const std::string& lines) {
    root_.writeFile("drives/c/prog/ZefKR.ini", "[Modules]\r\n" + lines);
    return u"C:\\prog\\ZefKR.ini";
  }
  TestRoot root_;
  zefkr::ModuleTable table_;
};

TEST_F(ModuleTableTest, FillsSlotsFromIdsAndTextKeysSkippingBadLines) {
  const int filled = table_.Load(writeModules("12=Name\r\nABC =Other\r\n=Nobody\r\nno equals\r\n"
                                              "-5=Negative\r\n7=\r\n"),
                                 u"Unknown");
  ASSERT_EQ(filled, 4);
  struct Want {
    int32_t id;
    const char16_t* idText;
    const char16_t* name;
  };
  const Want want[] = {{12, u"12", u"Name"},
                       {-1, u"ABC", u"Other"},
                       {-1, u"-5", u"Negative"},
                       {7, u"7", u""},
                       {-9999, u"$$$INVALID$$$", u"Unknown"}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table_[i].id, want[i].id);
    EXPECT_EQ(table_[i].idText, want[i].idText);
    EXPECT_EQ(table_[i].name, want[i].name);
  }
}

TEST_F(ModuleTableTest, KeepsTheLastSlotFreeAndCutsLongNames) {
  std::string lines;
  for (int i = 0; i < 600; ++i) {
    lines += std::to_string(i) + "=" + std::string(i == 3 ? 4100 : 1, 'x') + "\r\n";
  }
  EXPECT_EQ(table_.Load(writeModules(lines), u"Unknown"), 500);
  EXPECT_EQ(table_[499].id, 499);
  EXPECT_EQ(table_[3].name.size(), 4000u);
  EXPECT_EQ(table_[500].id, -9999);
  EXPECT_EQ(table_[500].idText, u"$$$INVALID$$$");
}

TEST_F(ModuleTableTest, ReloadResetsSlotsAndAMissingFileFillsNone) {
  table_.Load(writeModules("1=One\r\n"), u"Unknown");
  EXPECT_EQ(table_.Load(u"C:\\prog\\Missing.ini", u"Sconosciuto"), 0);
  EXPECT_EQ(table_[0].id, -9999);
  EXPECT_EQ(table_[0].name, u"Sconosciuto");
}

}  // namespace
