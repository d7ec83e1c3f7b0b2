#include "platform/Paths.h"

#include "ScratchRoot.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::testing::ScratchRoot;

TEST(PathsTest, MapsWindowsFormToLinuxPaths) {
  ScratchRoot root;
  root.writeFile("Data/Plan.DXF", "x");
  root.writeFile("Data/a@b[1]", "x");
  const std::string accented = platform::wideToAnsiLenient(u"\u00C9t\u00E9.txt");
  root.writeFile("Data/" + accented, "x");
  const std::string c = root.driveC();
  struct Case {
    const char* what;
    std::u16string windows;
    std::optional<std::string> native;
  };
  const Case cases[] = {
      {"drive with backslashes", u"C:\\Data\\Plan.DXF", c + "/Data/Plan.DXF"},
      {"lower-case drive, forward slashes", u"c:/Data/Plan.DXF", c + "/Data/Plan.DXF"},
      {"case-insensitive fallback per component", u"C:\\data\\plan.dxf", c + "/Data/Plan.DXF"},
      {"missing file keeps the caller's spelling", u"C:\\DATA\\New.txt", c + "/Data/New.txt"},
      {"a longer name is another name", u"C:\\Data\\plan.dxfx", c + "/Data/plan.dxfx"},
      {"only letters fold: @ and [ are not ` and {", u"C:\\Data\\A`B{1}", c + "/Data/A`B{1}"},
      {"letters fold beside other characters", u"C:\\Data\\A@B[1]", c + "/Data/a@b[1]"},
      {"accented letters fold too", u"C:\\Data\\\u00E9T\u00C9.TXT", c + "/Data/" + accented},
      {"missing folder stops the fallback", u"C:\\nope\\plan.dxf", c + "/nope/plan.dxf"},
      {"drive root", u"C:\\", c + "/"},
      {"rooted path without drive is absolute", u"\\etc\\hostname", "/etc/hostname"},
      {"relative path stays relative", u"sub\\file.txt", "sub/file.txt"},
      {"unconfigured drive", u"Q:\\x", std::nullopt},
      {"lone surrogate", std::u16string(u"C:\\a") + char16_t(0xD800), std::nullopt},
      {"embedded NUL", std::u16string(u"C:\\a\0b", 6), std::nullopt},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(platform::nativePath(test.windows), test.native) << test.what;
  }
}

TEST(PathsTest, MapsLinuxPathsBackToWindowsForm) {
  ScratchRoot root;
  EXPECT_EQ(platform::windowsPath(root.driveC() + "/Data/x.txt"), u"C:\\Data\\x.txt");
  EXPECT_EQ(platform::windowsPath(root.driveC()), u"C:\\");
  EXPECT_EQ(platform::windowsPath("/usr/lib/x.so"), u"\\usr\\lib\\x.so");
  // A folder whose name only starts like a drive is not one.
  std::u16string expected = platform::ansiToWideLenient(root.path() + "/drives/cd/x");
  std::replace(expected.begin(), expected.end(), u'/', u'\\');
  EXPECT_EQ(platform::windowsPath(root.path() + "/drives/cd/x"), expected);
}

TEST(PathsTest, NamesCompareIgnoringAsciiAndLatin1Case) {
  EXPECT_TRUE(platform::equalNamesIgnoringCase(u"Plan.DXF", u"plan.dxf"));
  EXPECT_TRUE(platform::equalNamesIgnoringCase(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));
  EXPECT_FALSE(platform::equalNamesIgnoringCase(u"\u00D7", u"\u00F7"));  // not a letter pair
  EXPECT_FALSE(platform::equalNamesIgnoringCase(u"a", u"ab"));
}

TEST(PathsTest, ProgramNamesEndInExeInAnyCase) {
  EXPECT_TRUE(platform::isProgramName(u"C:\\Tools\\SETUP.EXE"));
  EXPECT_TRUE(platform::isProgramName(u".exe"));
  EXPECT_FALSE(platform::isProgramName(u"exe"));
  EXPECT_FALSE(platform::isProgramName(u"setup.exe.txt"));
  EXPECT_FALSE(platform::isProgramName(u"setup.ex"));
}

}  // namespace
