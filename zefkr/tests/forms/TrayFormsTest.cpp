// The tray mode's forms, headless (the offscreen platform has no tray).
#include "forms/KestruneFrames.h"
#include "forms/MainForm.h"
#include "forms/QtHost.h"
#include "forms/TrayPopupForm.h"

#include "zefkr/Language.h"

#include "zefcorek/NetDetect.h"

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/WindowMessages.h"

#include "fixtures/UpdateServerDouble.h"

#include "../TestRoot.h"
#include "FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using zefkr::forms::ZefKRApplication;

std::vector<std::string> warnings;
void keepWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg) warnings.push_back(text.toStdString());
}

class TrayFormsTest : public ::testing::Test {
protected:
  void SetUp() override {
    application_ = zefkr::testing::makeOffscreenApplication();
    zefkr::testing::loadShippedLanguage(root_.path());
    warnings.clear();
    previous_ = qInstallMessageHandler(keepWarnings);
  }
  void TearDown() override {
    qInstallMessageHandler(previous_);
    KRFreeLanguage();
    application_.reset();
  }

  zefkr::testing::TestRoot root_;
  std::unique_ptr<ZefKRApplication> application_;
  QtMessageHandler previous_ = nullptr;
};

TEST_F(TrayFormsTest, NoNotificationAreaIsLoggedOnceAndTheMenuFollowsTheMode) {
  TMainForm form(u"Wizard", /*trayMode=*/true);
  EXPECT_EQ(form.trayIcon(), nullptr);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), "no notification area: the tray icon cannot be shown"), 1);

  // The menu's items in their order, separators between the groups.
  std::vector<std::string> items;
  for (QAction* action : form.TrayPopupMenu->actions()) {
    items.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
  }
  EXPECT_EQ(items, (std::vector<std::string>{"OpenVKRCmd", "-", "AutoKROnOffCmd", "-", "GoToZefSHWebCmd", "-",
                                             "QuitVKRCmd", "CloseThisMenuCmd"}));
  EXPECT_EQ(form.TrayPopupMenu->defaultAction(), form.OpenVKRCmd);
  // No copy has the mode: it is off, and the item shows a check.
  emit form.TrayPopupMenu->aboutToShow();
  EXPECT_TRUE(form.AutoKROnOffCmd->isChecked());
  root_.writeFile(zefkr::testing::kCommonCopy, "[ZefUpdaterLogin]\r\nAutomaticMode=1\r\n");
  emit form.TrayPopupMenu->aboutToShow();
  EXPECT_FALSE(form.AutoKROnOffCmd->isChecked());
}

TEST_F(TrayFormsTest, OfferWaitsForItsAnswerInTheCorner) {
  TMainForm form(u"Wizard", /*trayMode=*/true);
  QTimer::singleShot(50, [] {
    ASSERT_NE(TrayPopupForm, nullptr);
    EXPECT_EQ(TrayPopupForm->size(), QSize(257, 109));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(TrayPopupForm->geometry().right() + 1, area.right() + 1 - 4);
    EXPECT_EQ(TrayPopupForm->geometry().bottom() + 1, area.bottom() + 1 - 4);
    EXPECT_EQ(TrayPopupForm->YesButton->text(), "Update");
    EXPECT_TRUE(TrayPopupForm->YesButton->isDefault());
    QTest::mouseClick(TrayPopupForm->YesButton, Qt::LeftButton);
  });
  EXPECT_EQ(form.askOffer(u"Updates!"), 0);
  EXPECT_EQ(TrayPopupForm, nullptr);

  // The quit item while the offer waits: the offer ends as not now, then
  // the quit is posted.
  form.session().FAutoSearching = true;
  QTimer::singleShot(50, [&form] { form.QuitVKRCmd->trigger(); });
  EXPECT_EQ(form.askOffer(u"Updates!"), 1);
  EXPECT_TRUE(form.session().FCancelled);
  // The host took the quit from the platform queue: the loop is ending.
  QTest::qWait(20);
  EXPECT_TRUE(application_->terminating());
}

// Runs `action` once, as soon as `ready` holds while events are handled.
std::unique_ptr<QTimer> onceWhen(std::function<bool()> ready, std::function<void()> action) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(1);
  QTimer* running = timer.get();
  QObject::connect(running, &QTimer::timeout, [running, ready = std::move(ready), action = std::move(action)] {
    if (!ready()) return;
    running->stop();
    action();
  });
  timer->start();
  return timer;
}

// The installation's step of the page work alone: the downloads are done.
struct InstallationOnly : zefkr::WizardWork {
  explicit InstallationOnly(TMainForm& form) : form(form) {}
  TMainForm& form;
  bool ProductListEmpty() override { return false; }
  int32_t SelectedCount() override { return 1; }
  int32_t DownloadUpdates() override {
    form.session().FDownloadedCount = 1;
    return 0;
  }
  void InstallUpdates() override { form.pageWork().InstallUpdates(); }
};

// Page work writes to its page's frame while it lets events in: a click on
// the icon, or the timer's tick with the form hidden, in the middle of it
// must leave that frame alone.
TEST_F(TrayFormsTest, ClicksAndTicksDuringPageWorkLeaveItsFrameAlone) {
  fixtures::UpdateServerDouble server;
  server.setAccount("user", "password", "12");
  server.setUpdateList("[12]\r\n");  // nothing new: no offer waits for an answer
  std::filesystem::create_directories(root_.path() + "/drives/c/Prod/A");
  root_.writeFile(zefkr::testing::kCommonCopy,
                  "[Procedure]\r\n12=C:\\Prod\\A\r\n[Kestruner]\r\n12=600,x,\"\"\r\n"
                  "[ZefUpdaterLogin]\r\nAutomaticMode=1\r\n");
  // The server double is the probe of the connection check.
  HKEY probes = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, zefcorek::kConnectionTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &probes, nullptr),
            ERROR_SUCCESS);
  const std::u16string probe = u"127.0.0.1:" + platform::ansiToWideLenient(std::to_string(server.server().port()));
  RegSetValueExW(probes, u"Probe1", 0, REG_SZ, reinterpret_cast<const BYTE*>(probe.c_str()),
                 static_cast<DWORD>((probe.size() + 1) * sizeof(char16_t)));
  RegCloseKey(probes);

  enum class Work { kSearch, kInstallation };
  enum class Disturbance { kClick, kHiddenTick };
  struct Case {
    const char* name;
    Work work;
    Disturbance disturbance;
    int32_t page;
  };
  const Case cases[] = {
      {"click during the search", Work::kSearch, Disturbance::kClick, zefkr::kPageUpToDate},
      {"tick during a hidden search", Work::kSearch, Disturbance::kHiddenTick, zefkr::kPageUpToDate},
      {"click during the installation", Work::kInstallation, Disturbance::kClick, zefkr::kPageInstalled},
      {"tick during a hidden installation", Work::kInstallation, Disturbance::kHiddenTick, zefkr::kPageInstalled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMainForm form(u"Wizard", /*trayMode=*/true);
    form.setServerAddresses(zefkr::testing::addressesOf(server));
    form.session().FUserID.AssignSz(u"user");
    form.session().FPassword.AssignSz(u"password");
    InstallationOnly installation(form);
    if (c.work == Work::kInstallation) {
      zefkr::TKRUpdateInfo& update = form.UpdateInfos->items[0];
      update.name = u"Notes";
      update.kind = u"show";
      update.status = zefkr::kUpdateDownloaded;
      form.UpdateInfos->count = 1;
      form.setPageWork(&installation);
    }
    form.show();

    // The disturbance comes while the work pauses with its label shown.
    const bool searching = c.work == Work::kSearch;
    const QString label = zefkr::forms::messageText(searching ? 1305 : 1606);
    const auto progressLabel = [searching]() -> QLabel* {
      if (searching) return KestruneFrame2 ? KestruneFrame2->ProgressLabel : nullptr;
      return KestruneFrame4 ? KestruneFrame4->ProgressLabel : nullptr;
    };
    bool disturbed = false;
    const auto disturbance = onceWhen(
        [&] {
          QLabel* shown = progressLabel();
          return shown && shown->text() == label;
        },
        [&] {
          disturbed = true;
          if (c.disturbance == Disturbance::kClick) {
            form.tray().TrayIconNotify(zefkr::kTrayLeftButtonDown);
            return;
          }
          form.hide();
          form.tray().AutoTimerTimer();
        });
    form.wizard().ShowPage(searching ? zefkr::kPageProducts : zefkr::kPageChooseUpdates);
    form.wizard().ForwardButtonClick();
    EXPECT_TRUE(disturbed);
    EXPECT_EQ(form.session().FPageIndex, c.page);
    // A click shows the window; the work went on in it.
    if (c.disturbance == Disturbance::kClick) {
      EXPECT_TRUE(form.isVisible());
    }
  }
  // The ticks started no search of their own.
  int logins = 0;
  for (const auto& request : server.server().requests()) {
    const auto kind = request.query.find("Req");
    logins += kind != request.query.end() && kind->second == "login";
  }
  EXPECT_EQ(logins, 2);
}

}  // namespace
