#include "zefkr/Wizard.h"

#include "zefkr/Language.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/CodePage.h"
#include "platform/Shutdown.h"

#include "TestLanguage.h"
#include "TestRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using zefkr::WizardController;
using zefkr::WizardSession;

struct ScriptedView : zefkr::WizardView {
  std::vector<int32_t> frames;  // every frame made, in order
  zefkr::PageButtons buttons{};
  bool visible = true;
  int raised = 0;
  int hidden = 0;
  int closed = 0;
  int focused = 0;
  std::vector<bool> enabledChanges;

  void showFrame(int32_t page) override { frames.push_back(page); }
  void setButtons(const zefkr::PageButtons& set) override { buttons = set; }
  bool isFormVisible() override { return visible; }
  void showAndRaise() override {
    visible = true;
    ++raised;
  }
  void hideForm() override {
    visible = false;
    ++hidden;
  }
  void setFormEnabled(bool enabled) override { enabledChanges.push_back(enabled); }
  void repaint() override {}
  void focusFirstUpdateRow() override { ++focused; }
  void closeForm() override { ++closed; }
};

struct ScriptedPump : zefkr::WizardPump {
  platform::VirtualClock* clock = nullptr;
  int rounds = 0;
  bool ending = false;
  void pumpOnce(uint32_t maxWaitMs) override {
    ++rounds;
    if (clock) clock->advance(maxWaitMs);
  }
  bool terminating() override { return ending; }
};

struct ScriptedWork : zefkr::WizardWork {
  WizardSession* session = nullptr;
  bool saveChoices = true;
  int32_t login = 0;
  int32_t loginState = 0;
  int32_t listResult = 3;
  int32_t downloadResult = 0;
  int32_t downloaded = 2;
  std::deque<int32_t> running;  // answers of RunningProgramCount, then 0
  int32_t selected = 1;
  bool productListEmpty = false;
  int logins = 0;
  int lists = 0;
  int downloads = 0;
  int installs = 0;
  bool hideDuringDownload = false;
  std::function<void()> duringDownload;
  zefkr::WizardView* view = nullptr;

  bool SaveChoices() override { return saveChoices; }
  int32_t Login() override {
    ++logins;
    session->FLoginState = loginState;
    return login;
  }
  int32_t DownloadUpdateList() override {
    ++lists;
    return listResult;
  }
  int32_t DownloadUpdates() override {
    ++downloads;
    session->FDownloading = true;
    if (hideDuringDownload) view->hideForm();
    if (duringDownload) duringDownload();
    session->FDownloading = false;
    session->FDownloadedCount = downloaded;
    return session->FCancelled ? -2 : downloadResult;
  }
  void InstallUpdates() override { ++installs; }
  int32_t RunningProgramCount() override {
    if (running.empty()) return 0;
    const int32_t next = running.front();
    running.pop_front();
    return next;
  }
  int32_t SelectedCount() override { return selected; }
  bool ProductListEmpty() override { return productListEmpty; }
};

// A language with the messages the navigation shows, so boxes can be told apart.
class WizardTest : public ::testing::Test {
protected:
  void SetUp() override {
    zefkr::testing::loadMessages(root_.path(),
                                 "1=Wizard\r\n1000=%s v%d.%d.%d.%d\r\n1002=A\r\n1003=B\r\n1004=C\r\n1005=D\r\n"
                                 "1006=E\r\n1007=F\r\n1010=R1\r\n1011=R2\r\n1012=R3\r\n1013=R4\r\n1023=none\r\n");
    work_.session = &session_;
    work_.view = &view_;
  }
  void TearDown() override {
    KRFreeLanguage();
    platform::setShutdownFaults({});
    unsetenv("ZEF_RESTART_COMMAND");
  }

  WizardController controller(bool tray = false) {
    return WizardController(session_, view_, pump_, work_, u"Wizard", tray);
  }

  zefkr::testing::TestRoot root_;
  WizardSession session_;
  ScriptedView view_;
  ScriptedPump pump_;
  ScriptedWork work_;
  platform::RecordingMessageBoxes boxes_;
};

TEST_F(WizardTest, ForwardFromTheProductsPageByLoginAndListResults) {
  struct Case {
    const char* name;
    int32_t login;
    int32_t loginState;
    int32_t list;
    int32_t page;  // where the wizard ends
    int lists;     // list downloads asked for
  };
  const Case cases[] = {
      {"transfer failure", -1, 0, 3, zefkr::kPageNoServer, 0},
      {"stopped login", 1, 0, 3, zefkr::kPageStopped, 0},
      {"refused", 0, 4, 3, zefkr::kPageRefused, 0},
      {"list transfer failure", 0, 0, -1, zefkr::kPageNoServer, 1},
      {"list stopped", 0, 0, -2, zefkr::kPageStopped, 1},
      {"list stays", 0, 0, -5, zefkr::kPageSearch, 1},
      {"up to date", 0, 0, 0, zefkr::kPageUpToDate, 1},
      {"updates found", 0, 0, 3, zefkr::kPageChooseUpdates, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    work_.login = c.login;
    work_.loginState = c.loginState;
    work_.listResult = c.list;
    work_.lists = 0;
    view_.frames.clear();
    view_.focused = 0;
    auto wizard = controller();
    wizard.ShowPage(zefkr::kPageWelcome);
    wizard.ForwardButtonClick();
    EXPECT_EQ(session_.FPageIndex, zefkr::kPageProducts);
    wizard.ForwardButtonClick();
    EXPECT_EQ(session_.FPageIndex, c.page);
    EXPECT_EQ(work_.lists, c.lists);
    ASSERT_GE(view_.frames.size(), 3u);
    EXPECT_EQ(view_.frames[2], zefkr::kPageSearch);
    EXPECT_EQ(view_.focused, c.page == zefkr::kPageChooseUpdates ? 1 : 0);
  }
}

TEST_F(WizardTest, ForwardFromTheChoiceByDownloadResults) {
  struct Case {
    const char* name;
    int32_t result;
    int32_t downloaded;
    int32_t page;
    int installs;
  };
  const Case cases[] = {
      {"files downloaded", 0, 2, zefkr::kPageInstalled, 1}, {"nothing downloaded", 0, 0, zefkr::kPageNoServer, 0},
      {"stopped", -2, 1, zefkr::kPageStopped, 0},           {"failed", -1, 0, zefkr::kPageUpToDate, 0},
      {"failed otherwise", -7, 0, zefkr::kPageUpToDate, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    work_.downloadResult = c.result;
    work_.downloaded = c.downloaded;
    work_.installs = 0;
    auto wizard = controller();
    wizard.ShowPage(zefkr::kPageChooseUpdates);
    wizard.ForwardButtonClick();
    EXPECT_EQ(session_.FPageIndex, c.page);
    EXPECT_EQ(work_.installs, c.installs);
    EXPECT_EQ(boxes_.count(), 0u);
  }
}

TEST_F(WizardTest, ChoicePageChecksSelectionAndRunningPrograms) {
  auto wizard = controller();
  // Nothing selected: one box, the page stays.
  work_.selected = 0;
  wizard.ShowPage(zefkr::kPageChooseUpdates);
  wizard.ForwardButtonClick();
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageChooseUpdates);
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, u"none");
  EXPECT_EQ(boxes_.shown()[0].caption, u"Wizard");
  EXPECT_EQ(boxes_.shown()[0].type, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(work_.downloads, 0);

  // Programs running: asked until none runs; OK counts again.
  work_.selected = 2;
  work_.running = {2, 1};
  boxes_.answerNext(IDOK);
  boxes_.answerNext(IDOK);
  wizard.ForwardButtonClick();
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageInstalled);
  ASSERT_EQ(boxes_.count(), 3u);
  EXPECT_EQ(boxes_.shown()[1].text, u"ABC");
  EXPECT_EQ(boxes_.shown()[1].type, MB_OKCANCEL | MB_ICONSTOP);

  // Cancel while a program runs: page 9, nothing downloaded.
  const int downloads = work_.downloads;
  wizard.ShowPage(zefkr::kPageChooseUpdates);
  work_.running = {1};
  boxes_.answerNext(IDCANCEL);
  wizard.ForwardButtonClick();
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageStopped);
  EXPECT_EQ(work_.downloads, downloads);

  // The lookup fails: asked once, OK goes on.
  wizard.ShowPage(zefkr::kPageChooseUpdates);
  work_.running = {-1, 5};
  boxes_.answerNext(IDOK);
  wizard.ForwardButtonClick();
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageInstalled);
  EXPECT_EQ(boxes_.shown().back().text, u"DEF");
  EXPECT_EQ(work_.running.size(), 1u);
}

TEST_F(WizardTest, HiddenFormIsShownAndRaisedAfterTheDownloads) {
  work_.hideDuringDownload = true;
  auto wizard = controller(/*tray=*/true);
  wizard.ShowPage(zefkr::kPageChooseUpdates);
  wizard.ForwardButtonClick();
  EXPECT_EQ(view_.raised, 1);
  EXPECT_TRUE(view_.visible);
}

TEST_F(WizardTest, ClosingDuringTheDownloadsStopsThemAndInstallsNothing) {
  struct Case {
    const char* name;
    bool tray;  // there a close only hides the form
    bool stopped;
    int32_t page;
    int installs;
    bool visible;
  };
  const Case cases[] = {
      {"closed", false, true, zefkr::kPageStopped, 0, false},
      {"hidden in the tray", true, false, zefkr::kPageInstalled, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    session_ = WizardSession{};
    view_.visible = true;
    work_.installs = 0;
    auto wizard = controller(c.tray);
    // The user closes the form while the updates download.
    work_.duringDownload = [&] {
      if (wizard.FormCloseQuery()) view_.visible = false;
    };
    wizard.ShowPage(zefkr::kPageChooseUpdates);
    wizard.ForwardButtonClick();
    EXPECT_EQ(session_.FCancelled, c.stopped);
    EXPECT_EQ(session_.FPageIndex, c.page);
    EXPECT_EQ(work_.installs, c.installs);
    EXPECT_EQ(view_.visible, c.visible);
  }
}

TEST_F(WizardTest, BackAndPagesWhereForwardDoesNothing) {
  auto wizard = controller();
  const struct {
    int32_t from;
    int32_t to;
  } backs[] = {{1, 0}, {2, 1}, {4, 0}, {10, 0}, {5, 5}, {7, 7}, {8, 8}, {9, 9}, {0, 0}};
  for (const auto& back : backs) {
    wizard.ShowPage(back.from);
    wizard.BackButtonClick();
    EXPECT_EQ(session_.FPageIndex, back.to) << "back from " << back.from;
  }
  for (int32_t page : {2, 3, 5, 7, 8, 9, 10}) {
    wizard.ShowPage(page);
    const size_t frames = view_.frames.size();
    wizard.ForwardButtonClick();
    EXPECT_EQ(session_.FPageIndex, page);
    EXPECT_EQ(view_.frames.size(), frames) << "forward on " << page;
  }
  // Back from page 3 repeats the search without showing page 1.
  work_.logins = 0;
  wizard.ShowPage(zefkr::kPageNoServer);
  view_.frames.clear();
  wizard.BackButtonClick();
  EXPECT_EQ(work_.logins, 1);
  ASSERT_FALSE(view_.frames.empty());
  EXPECT_EQ(view_.frames.front(), zefkr::kPageSearch);
  EXPECT_EQ(std::count(view_.frames.begin(), view_.frames.end(), zefkr::kPageProducts), 0);
  // Page 6 and pages outside the table make nothing.
  wizard.ShowPage(6);
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageNone);
  wizard.ShowPage(11);
  EXPECT_EQ(session_.FPageIndex, zefkr::kPageNone);
}

TEST_F(WizardTest, CancelStopsWorkOrCloses) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  pump_.clock = &clock;
  auto wizard = controller();
  for (int32_t page : {2, 5}) {
    session_.FCancelled = false;
    wizard.ShowPage(page);
    const uint64_t before = clock.monotonicMs();
    wizard.CancelButtonClick();
    EXPECT_TRUE(session_.FCancelled) << page;
    EXPECT_EQ(view_.closed, 0) << page;
    EXPECT_EQ(clock.monotonicMs() - before, 100u) << page;
  }
  EXPECT_EQ((std::vector<bool>{false, true, false, true}), view_.enabledChanges);
  session_.FPageIndex = zefkr::kPageUnused;
  wizard.CancelButtonClick();
  EXPECT_EQ(view_.closed, 0);
  for (int32_t page : {0, 1, 3, 4, 7, 8, 9, 10}) {
    wizard.ShowPage(page);
    wizard.CancelButtonClick();
  }
  EXPECT_EQ(view_.closed, 8);
}

TEST_F(WizardTest, PauseEndsEarlyWhenTheApplicationEnds) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  pump_.clock = &clock;
  auto wizard = controller();
  wizard.Pause(0.3);
  EXPECT_EQ(pump_.rounds, 6);  // waits in rounds of 50 ms
  pump_.ending = true;
  pump_.rounds = 0;
  wizard.Pause(5);
  EXPECT_EQ(pump_.rounds, 0);
}

TEST_F(WizardTest, CloseRules) {
  const std::string recorder = root_.path() + "/restart.sh";
  const std::string log = root_.path() + "/restarts.log";
  std::ofstream(recorder) << "#!/bin/sh\necho \"$@\" >> '" << log << "'\n";
  std::filesystem::permissions(recorder, std::filesystem::perms::owner_all);
  setenv("ZEF_RESTART_COMMAND", (recorder + " now").c_str(), 1);
  const auto restarts = [&] {
    std::ifstream in(log);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  struct Case {
    const char* name;
    bool tray;
    bool installing;
    bool visible;
    int32_t page;
    int32_t restartLevel;
    int answer;  // to the restart question, 0: none asked
    bool mayClose;
    bool hides;
    const char* restartLog;
  };
  const Case cases[] = {
      {"installing", false, true, true, 7, 1, 0, false, false, ""},
      {"installing in the tray", true, true, true, 5, 0, 0, false, false, ""},
      {"level 1, OK", false, false, true, 7, 1, IDOK, true, false, "now\n"},
      {"level 2 asks as 1", false, false, true, 7, 2, IDCANCEL, true, false, ""},
      {"level 0 asks nothing", false, false, true, 7, 0, 0, true, false, ""},
      {"level 3 asks nothing", false, false, true, 7, 3, 0, true, false, ""},
      {"tray hides", true, false, true, 0, 0, 0, false, true, ""},
      {"tray hidden closes", true, false, false, 0, 0, 0, true, false, ""},
      {"tray page 7 restart", true, false, true, 7, 1, IDCANCEL, true, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(log);
    WizardSession session;
    session.FInstalling = c.installing;
    session.FPageIndex = c.page;
    session.FRestartLevel = c.restartLevel;
    view_.visible = c.visible;
    view_.hidden = 0;
    const size_t boxesBefore = boxes_.count();
    if (c.answer) boxes_.answerNext(c.answer);
    WizardController wizard(session, view_, pump_, work_, u"Wizard", c.tray);
    EXPECT_EQ(wizard.FormCloseQuery(), c.mayClose);
    EXPECT_EQ(boxes_.count() - boxesBefore, c.answer ? 1u : 0u);
    if (c.answer) {
      EXPECT_EQ(boxes_.shown().back().text, u"R1R2R3R4");
      EXPECT_EQ(boxes_.shown().back().type, MB_OKCANCEL | MB_ICONINFORMATION);
      EXPECT_EQ(session.FRestartLevel, 1);
    }
    EXPECT_EQ(view_.hidden, c.hides ? 1 : 0);
    EXPECT_EQ(restarts(), c.restartLog);
  }
}

TEST_F(WizardTest, RestartStepsFailQuietly) {
  const std::string log = root_.path() + "/restarts.log";
  setenv("ZEF_RESTART_COMMAND", ("/bin/sh -c \"echo x >> '" + log + "'\"").c_str(), 1);
  EXPECT_TRUE(WizardController::RestartWindows());
  const platform::ShutdownFaults faults[] = {
      {true, false, false, false},
      {false, true, false, false},
      {false, false, true, false},
      {false, false, false, true},
  };
  for (const auto& fault : faults) {
    platform::setShutdownFaults(fault);
    EXPECT_FALSE(WizardController::RestartWindows());
  }
  platform::setShutdownFaults({});
  setenv("ZEF_RESTART_COMMAND", "/bin/false", 1);
  EXPECT_FALSE(WizardController::RestartWindows());
  std::ifstream in(log);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x\n");

  // A failing restart after the question is not reported.
  WizardSession session;
  session.FPageIndex = zefkr::kPageInstalled;
  session.FRestartLevel = 1;
  boxes_.answerNext(IDOK);
  WizardController wizard(session, view_, pump_, work_, u"Wizard", false);
  EXPECT_TRUE(wizard.FormCloseQuery());
  EXPECT_EQ(boxes_.count(), 1u);
}

TEST_F(WizardTest, ButtonStatesAndVersionLabel) {
  auto wizard = controller();
  const struct {
    int32_t page;
    bool back;
    bool forward;
    int32_t cancel;
    bool cancelDefault;
  } rows[] = {{0, false, true, 5, false}, {1, true, true, 5, false},  {2, false, false, 5, false},
              {3, true, false, 6, false}, {4, true, true, 5, false},  {5, false, false, 5, false},
              {7, false, false, 6, true}, {8, false, false, 6, true}, {9, false, false, 6, true},
              {10, true, false, 5, false}};
  for (const auto& row : rows) {
    wizard.ShowPage(row.page);
    EXPECT_EQ(view_.buttons.backEnabled, row.back) << row.page;
    EXPECT_EQ(view_.buttons.forwardEnabled, row.forward) << row.page;
    EXPECT_EQ(view_.buttons.cancelCaption, row.cancel) << row.page;
    EXPECT_EQ(view_.buttons.cancelIsDefault, row.cancelDefault) << row.page;
  }
  // Page 1 without any product record: Forward disabled.
  work_.productListEmpty = true;
  wizard.ShowPage(zefkr::kPageProducts);
  EXPECT_FALSE(view_.buttons.forwardEnabled);

  EXPECT_EQ(zefkr::versionLabelText(1, 2, 3, 4), u"Wizard v1.2.3.4");
}

TEST(VersionLabelTest, AWrongConversionInTheLanguageFileRendersSafely) {
  zefkr::testing::TestRoot root;
  zefkr::testing::loadMessages(root.path(), "1=Wizard\r\n1000=%d %s %s %n %s%s%s\r\n");
  const std::u16string text = zefkr::versionLabelText(1, 2, 3, 4);
  EXPECT_FALSE(text.empty());
  KRFreeLanguage();
}

}  // namespace
