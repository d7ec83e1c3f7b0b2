#include "platform/IniFile.h"
#include "platform/IniFileSnapshot.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::TIniFile;
using platform::testing::ScratchRoot;

TEST(IniFileTest, IntegersMustBeWholeTexts) {
  struct Case {
    std::u16string text;
    bool isInteger;
    int value;
  };
  const Case cases[] = {
      {u"42", true, 42},
      {u"-42", true, -42},
      {u"+7", true, 7},
      {u"$1F", true, 31},
      {u"0x1f", true, 31},
      {u"-$10", true, -16},
      {u"$FFFFFFFF", true, -1},
      {u"2147483647", true, INT32_MAX},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
      {u"42abc", false, 0},
      {u"", false, 0},
      {u"0x", false, 0},
      {u"4 2", false, 0},
      {u"1.5", false, 0},
  };
  for (const auto& c : cases) {
    int value = 0;
    EXPECT_EQ(platform::parseFrameworkInteger(c.text, value), c.isInteger) << std::string(c.text.begin(), c.text.end());
    if (c.isInteger) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(IniFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  ScratchRoot root;
  TIniFile ini(root.windowsName("Vendor/app.ini"));
  EXPECT_EQ(ini.ReadString(u"S", u"k", u"***NOTFOUND***"), u"***NOTFOUND***");
  EXPECT_EQ(ini.ReadInteger(u"S", u"k", 9), 9);
  EXPECT_TRUE(ini.ReadBool(u"S", u"k", true));
  EXPECT_FALSE(ini.SectionExists(u"S"));
  // The folder is not created for the file.
  EXPECT_FALSE(ini.WriteString(u"S", u"k", u"v"));
  std::filesystem::create_directories(root.driveC() + "/Vendor");
  ASSERT_TRUE(ini.WriteInteger(u"S", u"n", -12));
  ASSERT_TRUE(ini.WriteBool(u"S", u"on", false));
  ASSERT_TRUE(ini.WriteString(u"S", u"t", u"text"));
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(root.readFile("Vendor/app.ini"), "[S]\r\nn=-12\r\non=0\r\nt=text\r\n");
  EXPECT_EQ(ini.ReadInteger(u"s", u"N", 0), -12);
  EXPECT_FALSE(ini.ReadBool(u"S", u"on", true));
  EXPECT_EQ(ini.ReadInteger(u"S", u"t", 5), 5);
  EXPECT_TRUE(ini.ValueExists(u"S", u"ON"));
}

TEST(IniFileTest, SectionsAndErase) {
  ScratchRoot root;
  TIniFile ini(root.writeFile("m.ini", "[Modules]\r\n12=Name\r\nABC =Other\r\n=skip\r\nbare\r\n[X]\r\nk=1\r\n"));
  EXPECT_EQ(ini.ReadSectionValues(u"modules"),
            (std::vector<std::u16string>{u"12=Name", u"ABC =Other", u"=skip", u"bare"}));
  EXPECT_EQ(ini.ReadSection(u"Modules"), (std::vector<std::u16string>{u"12", u"ABC"}));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::u16string>{u"Modules", u"X"}));
  ASSERT_TRUE(ini.EraseSection(u"MODULES"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::u16string>{u"X"}));
  ASSERT_TRUE(ini.DeleteKey(u"X", u"k"));
  EXPECT_FALSE(ini.ValueExists(u"X", u"k"));
}

// Sections and section lists far beyond any fixed buffer come back whole,
// the last line included.
TEST(IniFileTest, SectionReadersGiveWholeListsAtAnySize) {
  ScratchRoot root;
  constexpr int kKeys = 3000;
  constexpr int kSections = 6000;
  std::string text = "[Big]\r\n";
  std::vector<std::u16string> lines;
  std::vector<std::u16string> keys;
  std::vector<std::u16string> sections{u"Big"};
  for (int i = 0; i < kKeys; ++i) {
    const std::string key = "Key" + std::to_string(i);
    const std::string line = key + "=" + std::string(30, static_cast<char>('a' + i % 26)) + std::to_string(i);
    text += line + "\r\n";
    lines.emplace_back(line.begin(), line.end());
    keys.emplace_back(key.begin(), key.end());
  }
  for (int i = 0; i < kSections; ++i) {
    const std::string name = "Section" + std::to_string(100000 + i);
    text += "[" + name + "]\r\nk=v\r\n";
    sections.emplace_back(name.begin(), name.end());
  }
  TIniFile ini(root.writeFile("big.ini", text));
  EXPECT_EQ(ini.ReadSectionValues(u"Big"), lines);
  EXPECT_EQ(ini.ReadSection(u"big"), keys);
  EXPECT_EQ(ini.ReadSections(), sections);
  EXPECT_TRUE(ini.ValueExists(u"Big", u"Key2999"));
}

// The snapshot answers every lookup as the file itself would, and keeps
// nothing of a file beyond its bounds (a file just at them is read).
TEST(IniFileTest, SnapshotReadsAsTheFileWithinItsBounds) {
  ScratchRoot root;
  const std::string text = "k=0\r\n[ Mixed Case ]\r\na=1\r\n[Dup]\r\nfirst=1\r\n[dup]\r\nsecond=2\r\n[Empty]\r\n";
  const std::u16string name = root.writeFile("s.ini", text);
  const TIniFile file(name);
  const auto snapshot = platform::IniFileSnapshot::read(name, {text.size(), 4, 8});
  ASSERT_TRUE(snapshot.has_value());
  for (const std::u16string section : {u"mixed case", u"  MIXED CASE ", u"DUP", u"Empty", u"none", u""}) {
    EXPECT_EQ(snapshot->ReadSectionValues(section), file.ReadSectionValues(section))
        << std::string(section.begin(), section.end());
  }
  EXPECT_FALSE(platform::IniFileSnapshot::read(name, {text.size() - 1, 4, 8}).has_value());
  EXPECT_FALSE(platform::IniFileSnapshot::read(name, {text.size(), 3, 8}).has_value());
  EXPECT_FALSE(platform::IniFileSnapshot::read(name, {text.size(), 4, 7}).has_value());
  // Every line end counts (a lone CR as well), and a last line without one.
  const std::string bareEnds = "[a]\rk=1\n\n\r\nx";
  const std::u16string bare = root.writeFile("bare.ini", bareEnds);
  EXPECT_TRUE(platform::IniFileSnapshot::read(bare, {bareEnds.size(), 1, 5}).has_value());
  EXPECT_FALSE(platform::IniFileSnapshot::read(bare, {bareEnds.size(), 1, 4}).has_value());
  const auto missing = platform::IniFileSnapshot::read(root.windowsName("none.ini"), {0, 0, 0});
  ASSERT_TRUE(missing.has_value());
  EXPECT_TRUE(missing->ReadSectionValues(u"Dup").empty());
}

}  // namespace
