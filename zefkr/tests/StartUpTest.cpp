#include "zefkr/StartUp.h"

#include "zefkr/ProductInfo.h"

#include "platform/Clock.h"
#include "platform/SystemVersion.h"

#include "TestRoot.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zefkr::testing::TestRoot;

TEST(StartUpTest, TraySwitches) {
  struct Case {
    std::vector<std::u16string> arguments;
    bool tray;
  };
  const Case cases[] = {
      {{u"tray"}, true},    {{u"/TRAY"}, true},  {{u"-Tray"}, true},  {{u"x", u"y", u"/tRaY"}, true},
      {{u"--tray"}, false}, {{u"trayx"}, false}, {{u" tray"}, false}, {{}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zefkr::hasTraySwitch(c.arguments), c.tray)
        << (c.arguments.empty() ? std::string("(none)")
                                : std::string(c.arguments.back().begin(), c.arguments.back().end()));
  }
}

TEST(StartUpTest, TrayModeFromTheFirstCopyThatHoldsRunInTray) {
  struct Case {
    const char* name;
    const char* common;   // value in copy 0, null: no key
    const char* user;     // copy 1
    const char* windows;  // copy 2
    bool tray;
  };
  const Case cases[] = {
      {"only the Windows-folder copy, 1", nullptr, nullptr, "1", true},
      {"common 0 before user 1", "0", "1", nullptr, false},
      {"a word reads as 0", "yes", nullptr, "1", false},
      {"no copy has it", nullptr, nullptr, nullptr, false},
      {"user copy 2", nullptr, "2", "0", true},
  };
  const char* const files[] = {"CommonAppData/Vendrako SH/VENDRAKO.INI", "AppData/Vendrako SH/VENDRAKO.INI",
                               "Windows/VENDRAKO.INI"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRoot root;
    const char* values[] = {c.common, c.user, c.windows};
    for (int i = 0; i < 3; ++i) {
      std::string text = "[ZefUpdaterLogin]\r\n";
      if (values[i]) text += std::string("RunInTray=") + values[i] + "\r\n";
      root.writeFile(files[i], text);
    }
    EXPECT_EQ(zefkr::runInTrayFromSettings(), c.tray);
    // A switch wins over the settings.
    const std::vector<std::u16string> tray{u"-tray"};
    EXPECT_TRUE(zefkr::decideRunInTray(tray));
    EXPECT_EQ(zefkr::decideRunInTray({}), c.tray);
  }
}

TEST(StartUpTest, SplashDeadlineRunsOnTheMonotonicClock) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  const zefkr::SplashDeadline deadline;
  EXPECT_FALSE(deadline.expired());
  EXPECT_EQ(deadline.remainingMs(), 2000u);
  clock.advance(1999);
  EXPECT_FALSE(deadline.expired());
  EXPECT_EQ(deadline.remainingMs(), 1u);
  clock.advance(1);
  EXPECT_TRUE(deadline.expired());
  EXPECT_EQ(deadline.remainingMs(), 0u);
}

TEST(StartUpTest, SecondClaimInOneProcessFails) {
  TestRoot root;
  zefkr::SingleInstance first;
  ASSERT_TRUE(first.claim(u"no such window"));
  zefkr::SingleInstance second;
  EXPECT_FALSE(second.claim(u"no such window"));
  second.release();
  first.release();
  zefkr::SingleInstance third;
  EXPECT_TRUE(third.claim(u"no such window"));
}

TEST(StartUpTest, ProductTitleAndOldSystems) {
  EXPECT_EQ(KRProductTitle().ToUnicodeString(), u"Vendrako Kestruner");
  const struct {
    DWORD major;
    bool old;
  } cases[] = {{5, true}, {6, false}, {10, false}};
  for (const auto& c : cases) {
    platform::setWindowsMajorVersion(c.major);
    EXPECT_EQ(KRIsPreVistaWindows(), c.old) << c.major;
  }
  platform::setWindowsMajorVersion(6);
}

}  // namespace

#include "zefkr/MessageBoxLayout.h"

#include "platform/MessageBox.h"

namespace {

TEST(MessageBoxLayoutTest, ButtonsDefaultEscapeAndIcon) {
  struct Case {
    UINT type;
    std::vector<int> buttons;
    int defaultAnswer;
    int escapeAnswer;
    zefkr::BoxIcon icon;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK, IDOK, zefkr::BoxIcon::kNone},
      {MB_OKCANCEL | MB_ICONSTOP, {IDOK, IDCANCEL}, IDOK, IDCANCEL, zefkr::BoxIcon::kStop},
      {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, {IDYES, IDNO}, IDNO, IDNO, zefkr::BoxIcon::kQuestion},
      {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING,
       {IDYES, IDNO, IDCANCEL},
       IDCANCEL,
       IDCANCEL,
       zefkr::BoxIcon::kWarning},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, {IDABORT, IDRETRY, IDIGNORE}, IDRETRY, IDRETRY, zefkr::BoxIcon::kNone},
      {MB_RETRYCANCEL | MB_ICONINFORMATION, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL, zefkr::BoxIcon::kInformation},
      // A default past the last button and an unknown set.
      {MB_OK | MB_DEFBUTTON3, {IDOK}, IDOK, IDOK, zefkr::BoxIcon::kNone},
      {0x7, {IDOK}, IDOK, IDOK, zefkr::BoxIcon::kNone},
  };
  for (const Case& c : cases) {
    const zefkr::MessageBoxLayout layout = zefkr::messageBoxLayout(c.type);
    EXPECT_EQ(layout.buttons, c.buttons) << std::hex << c.type;
    EXPECT_EQ(layout.defaultAnswer, c.defaultAnswer) << std::hex << c.type;
    EXPECT_EQ(layout.escapeAnswer, c.escapeAnswer) << std::hex << c.type;
    EXPECT_EQ(layout.icon, c.icon) << std::hex << c.type;
  }
}

}  // namespace
