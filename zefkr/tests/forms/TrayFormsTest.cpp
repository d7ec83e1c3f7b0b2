// The tray mode's forms, headless (the offscreen platform has no tray).
#include "forms/MainForm.h"
#include "forms/QtHost.h"
#include "forms/TrayPopupForm.h"

#include "zefkr/Language.h"

#include "platform/CodePage.h"
#include "platform/WindowMessages.h"

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

}  // namespace
