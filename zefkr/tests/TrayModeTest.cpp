#include "zefkr/TrayMode.h"

#include "zefkr/Language.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"

#include "TestLanguage.h"
#include "TestRoot.h"
#include "testsupport/DetachedOutput.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <functional>
#include <thread>
#include <string>
#include <vector>

namespace {

using zefkr::testing::TestRoot;

using zefkr::testing::kCommonCopy;
using zefkr::testing::kUserCopy;

struct Icon {
  int32_t index;
  std::u16string tip;
};

// Fake surroundings: the timer runs on the virtual clock.
struct FakePorts : zefkr::TrayPorts {
  platform::VirtualClock* clock = nullptr;
  zefkr::WizardSession* session = nullptr;
  std::vector<Icon> icons;
  std::vector<uint32_t> intervals;
  std::vector<int32_t> pages;
  std::vector<std::u16string> offers;
  bool visible = false;
  int raised = 0;
  bool ending = false;
  int quits = 0;
  int pumps = 0;
  int menus = 0;
  int detections = 0;
  int logins = 0;
  int32_t found = 2;
  std::deque<bool> connection;  // answers of checkConnection, then the last one again
  bool lastConnection = true;
  int32_t offerAnswer = 1;
  bool shown = false;
  std::vector<int32_t> answeredFromOutside;
  std::function<void()> duringLogin;
  std::function<void()> duringOffer;

  void setTrayIcon(int32_t index, const std::u16string& tip) override { icons.push_back({index, tip}); }
  void setTimerInterval(uint32_t milliseconds) override { intervals.push_back(milliseconds); }
  bool formVisible() override { return visible; }
  void showAndRaiseForm() override {
    visible = true;
    ++raised;
  }
  bool terminating() override { return ending; }
  void postQuit() override { ++quits; }
  void pumpOnce() override { ++pumps; }
  void showPage(int32_t page) override { pages.push_back(page); }
  bool saveChoices() override {
    session->FUserID.AssignSz(u"***KW***");
    return true;
  }
  int32_t login() override {
    ++logins;
    if (duringLogin) duringLogin();
    session->FLoginState = 0;
    return session->FCancelled ? -2 : 0;
  }
  int32_t downloadUpdateList() override { return found; }
  void detectProducts() override { ++detections; }
  int32_t selectedCount() override { return found; }
  std::optional<bool> checkConnection() override {
    if (!connection.empty()) {
      lastConnection = connection.front();
      connection.pop_front();
    }
    return lastConnection;
  }
  int32_t askOffer(const std::u16string& text) override {
    offers.push_back(text);
    shown = true;
    if (duringOffer) duringOffer();
    const bool wasShown = shown;
    shown = false;
    return wasShown ? offerAnswer : answeredFromOutside.back();
  }
  bool offerShown() override { return shown; }
  void answerOffer(int32_t answer) override {
    answeredFromOutside.push_back(answer);
    shown = false;
  }
  void openMenu() override { ++menus; }
};

class TrayModeTest : public ::testing::Test {
protected:
  void SetUp() override {
    zefkr::testing::loadMessages(
        root_.path(),
        "60= URL:https://www.Vendrako.Example/Updates \r\n1014=Updates!\r\n1015=%d selected\r\n"
        "1016=searching\r\n1020=offline\r\n1021=waiting\r\n1022=downloading\r\n");
    ports_.clock = &clock_;
    ports_.session = &session_;
    setAutomaticMode(kCommonCopy, "1");
  }
  void TearDown() override { KRFreeLanguage(); }

  void setAutomaticMode(const char* copy, const char* value) {
    root_.writeFile(copy, value ? std::string("[ZefUpdaterLogin]\r\nAutomaticMode=") + value + "\r\n" : "");
  }
  // Lets the timer's current period pass and ticks.
  void tick() {
    clock_.advance(ports_.intervals.empty() ? zefkr::kTrayFirstTickMs : ports_.intervals.back());
    tray_.AutoTimerTimer();
  }
  std::string readCopy(const char* copy) { return root_.readFile(copy); }

  TestRoot root_;
  platform::VirtualClock clock_;
  platform::ScopedClock useClock_{clock_};
  zefkr::WizardSession session_;
  FakePorts ports_;
  zefkr::TrayController tray_{session_, ports_, u"Wizard", /*trayMode=*/true};
};

TEST_F(TrayModeTest, NoSearchWhileVisibleOrWithoutReason) {
  tray_.AddTrayIcon();
  ASSERT_EQ(ports_.icons.size(), 1u);
  EXPECT_EQ(ports_.icons[0].tip, u"Wizard");
  // The form is visible: the tick does nothing.
  ports_.visible = true;
  tick();
  EXPECT_EQ(ports_.detections, 0);
  EXPECT_EQ(ports_.icons.size(), 1u);
  ports_.visible = false;

  struct Case {
    const char* name;
    bool connected;
    const char* mode;
    bool offerPending;
    int32_t icon;
  };
  const Case cases[] = {
      {"not connected", false, "1", false, 0},
      {"offer pending", true, "1", true, 0},
      {"mode off", true, "0", false, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setAutomaticMode(kCommonCopy, c.mode);
    session_.FOfferPending = c.offerPending;
    ports_.lastConnection = c.connected;
    ports_.icons.clear();
    tray_.AutoTimerTimer();
    ASSERT_FALSE(ports_.icons.empty());
    EXPECT_EQ(ports_.icons.back().index, c.icon);
    EXPECT_EQ(ports_.icons.back().tip, u"waiting");
    EXPECT_EQ(ports_.intervals.back(), zefkr::kTrayIdleTickMs);
    EXPECT_EQ(ports_.logins, 0);
  }
  // Mode off again: the icon is already 10, nothing more happens.
  ports_.icons.clear();
  tray_.AutoTimerTimer();
  EXPECT_TRUE(ports_.icons.empty());
}

TEST_F(TrayModeTest, SearchAnimatesAndOffersTheUpdates) {
  // While the login runs, the 300 ms ticks animate the icon.
  std::vector<Icon> animation;
  ports_.duringLogin = [&] {
    // The search runs in the first tick, 10 s after start.
    EXPECT_EQ(clock_.monotonicMs(), 1'000'000u + 10'000u);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(ports_.intervals.back(), zefkr::kTraySearchTickMs);
      tick();
      animation.push_back(ports_.icons.back());
    }
  };
  ports_.offerAnswer = 0;
  tick();
  EXPECT_EQ(ports_.pages, (std::vector<int32_t>{0, 2, 4}));
  ASSERT_EQ(animation.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(animation[static_cast<size_t>(i)].index, i + 1) << i;
    EXPECT_EQ(animation[static_cast<size_t>(i)].tip, u"searching") << i;
  }
  ASSERT_EQ(ports_.offers.size(), 1u);
  EXPECT_EQ(ports_.offers[0], u"Updates!\n\n2 selected");
  EXPECT_EQ(ports_.raised, 1);
  EXPECT_FALSE(session_.FAutoSearching);
  // Back to idle after the search.
  EXPECT_EQ(ports_.intervals.back(), zefkr::kTrayIdleTickMs);
  EXPECT_EQ(ports_.icons.back().index, 0);
  EXPECT_EQ(ports_.icons.back().tip, u"Wizard");
}

TEST_F(TrayModeTest, NotNowLeavesTheOfferPendingAndALostConnectionShowsNoOffer) {
  ports_.offerAnswer = 1;
  tick();
  EXPECT_EQ(ports_.offers.size(), 1u);
  EXPECT_TRUE(session_.FOfferPending);
  EXPECT_EQ(ports_.raised, 0);
  // Later ticks only refresh the icon.
  tick();
  tick();
  EXPECT_EQ(ports_.logins, 1);
  EXPECT_EQ(ports_.offers.size(), 1u);

  // The connection drops after the list download: no offer.
  session_.FOfferPending = false;
  ports_.connection = {true, true, false};
  tick();
  EXPECT_EQ(ports_.logins, 2);
  EXPECT_EQ(ports_.offers.size(), 1u);
  EXPECT_FALSE(session_.FOfferPending);
}

TEST_F(TrayModeTest, ToggleWritesTheFirstCopyThatHasTheKey) {
  struct Case {
    const char* name;
    const char* common;
    const char* user;
    const char* expectCommon;
    const char* expectUser;
    bool searches;
  };
  const Case cases[] = {
      {"none has it: 1 into the common copy", nullptr, nullptr, "AutomaticMode=1", nullptr, true},
      {"the user copy has 0", nullptr, "0", nullptr, "AutomaticMode=1", true},
      {"the common copy has 1", "1", "0", "AutomaticMode=0", "AutomaticMode=0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setAutomaticMode(kCommonCopy, c.common);
    setAutomaticMode(kUserCopy, c.user);
    // The menu item shows the mode off (checked) before the toggle.
    EXPECT_EQ(tray_.TrayPopupMenuPopup(), c.common == nullptr || std::string(c.common) == "0");
    const int logins = ports_.logins;
    ports_.intervals.clear();
    tray_.AutoKROnOffCmdClick();
    ASSERT_FALSE(ports_.intervals.empty());
    EXPECT_EQ(ports_.intervals.front(), zefkr::kTrayToggleTickMs);
    if (c.expectCommon) {
      EXPECT_NE(readCopy(kCommonCopy).find(c.expectCommon), std::string::npos);
    }
    if (c.expectUser) {
      EXPECT_NE(readCopy(kUserCopy).find(c.expectUser), std::string::npos);
    }
    EXPECT_EQ(ports_.logins - logins, c.searches ? 1 : 0);
    if (!c.searches) {
      EXPECT_EQ(ports_.icons.back().index, 10);
    }
    session_.FOfferPending = false;
  }
}

TEST_F(TrayModeTest, MenuItemsAndNotifications) {
  ports_.visible = false;
  tray_.TrayIconNotify(zefkr::kTrayLeftButtonDown);
  EXPECT_EQ(ports_.pages, std::vector<int32_t>{0});
  EXPECT_TRUE(ports_.visible);
  tray_.TrayIconNotify(zefkr::kTrayRightButtonDown);
  EXPECT_EQ(ports_.menus, 1);
  tray_.TrayIconNotify(512);
  EXPECT_EQ(ports_.menus, 1);

  // Opening during a search stops it and shows the window; page 0 follows
  // once the search has ended, as the search still writes to its page.
  ports_.visible = false;
  ports_.raised = 0;
  ports_.duringLogin = [&] {
    ports_.pages.clear();
    tray_.OpenVKRCmdClick();
    EXPECT_TRUE(session_.FCancelled);
    EXPECT_TRUE(ports_.pages.empty());
    EXPECT_TRUE(ports_.visible);
  };
  tick();
  ports_.duringLogin = nullptr;
  EXPECT_EQ(ports_.pages, std::vector<int32_t>{0});
  EXPECT_EQ(ports_.raised, 1);
  EXPECT_TRUE(ports_.offers.empty());
  // While downloading the page stays.
  session_.FDownloading = true;
  ports_.pages.clear();
  tray_.OpenVKRCmdClick();
  EXPECT_TRUE(ports_.pages.empty());

  tray_.ConnectionChanged(1);
  EXPECT_EQ(ports_.icons.back().index, 9);
  EXPECT_EQ(ports_.icons.back().tip, u"offline");
  EXPECT_FALSE(session_.FConnected);
  tray_.ConnectionChanged(0);
  EXPECT_EQ(ports_.icons.back().index, 0);
  EXPECT_EQ(ports_.icons.back().tip, u"Wizard");
  tray_.ConnectionChanged(7);
  EXPECT_EQ(ports_.icons.back().index, 0);
  EXPECT_TRUE(session_.FConnected);
}

TEST_F(TrayModeTest, QuitDuringTheOfferEndsAfterItsLoop) {
  ports_.duringOffer = [&] { tray_.QuitVKRCmdClick(); };
  tick();
  EXPECT_EQ(ports_.answeredFromOutside, std::vector<int32_t>{1});
  EXPECT_EQ(ports_.quits, 1);
  EXPECT_TRUE(session_.FCancelled);
  EXPECT_EQ(ports_.raised, 0);
  // Once the application ends, the timer only hurries the quit along.
  ports_.ending = true;
  tick();
  EXPECT_EQ(ports_.intervals.back(), zefkr::kTrayEndingTickMs);
  EXPECT_EQ(ports_.quits, 2);
}

// The quit item while the updates download (the user's own, in the hidden
// window) stops them, so the program ends without installing them.
TEST_F(TrayModeTest, QuitDuringTheDownloadsStopsThem) {
  session_.FDownloading = true;
  tray_.QuitVKRCmdClick();
  EXPECT_TRUE(session_.FCancelled);
  EXPECT_EQ(ports_.quits, 1);
  EXPECT_EQ(ports_.raised, 0);
}

TEST_F(TrayModeTest, WebItemOpensTheAddressUnchanged) {
  EXPECT_EQ(zefkr::TrayController::webAddress(), u"https://www.Vendrako.Example/Updates");
  const std::string opener = root_.path() + "/opener.sh";
  std::ofstream(opener) << "#!/bin/sh\necho \"$@\" >> '" << root_.path() << "/opened.log'\n";
  chmod(opener.c_str(), 0755);
  setenv("ZEF_OPENER", opener.c_str(), 1);
  tray_.GoToZefSHWebCmdClick();
  unsetenv("ZEF_OPENER");
  // The opener runs detached: wait for its whole line.
  EXPECT_EQ(testsupport::waitForLines(root_.path() + "/opened.log"), "https://www.Vendrako.Example/Updates\n");
}

TEST(OfferPositionTest, FourPixelsInsideTheWorkArea) {
  const struct {
    std::optional<zefkr::ScreenRect> workArea;
    zefkr::ScreenRect desktop;
    int x, y;
  } cases[] = {
      {zefkr::ScreenRect{0, 0, 1920, 1040}, {0, 0, 1920, 1080}, 1920 - 4 - 257, 1040 - 4 - 109},
      {zefkr::ScreenRect{100, 0, 1280, 1024}, {0, 0, 1280, 1024}, 1280 - 4 - 257, 1024 - 4 - 109},
      {std::nullopt, {0, 0, 1920, 1080}, 1920 - 40 - 4 - 257, 1080 - 40 - 4 - 109},
  };
  for (const auto& c : cases) {
    const zefkr::ScreenPoint at = zefkr::offerPosition(c.workArea, c.desktop, 257, 109);
    EXPECT_EQ(at.x, c.x);
    EXPECT_EQ(at.y, c.y);
  }
}

}  // namespace
