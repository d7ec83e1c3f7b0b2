// The main form driven by Qt's test events, with scripted page work.
#include "forms/KestruneFrames.h"
#include "forms/MainForm.h"
#include "forms/QtHost.h"

#include "zefkr/Language.h"

#include "platform/CodePage.h"

#include "fixtures/UpdateServerDouble.h"

#include "../TestRoot.h"
#include "FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using zefkr::forms::ZefKRApplication;

// A search that finds two updates, and downloads that fetch them.
struct FakeWork : zefkr::WizardWork {
  zefkr::WizardSession* session = nullptr;
  int installs = 0;
  bool ProductListEmpty() override { return false; }
  int32_t Login() override { return 0; }
  int32_t DownloadUpdateList() override { return 2; }
  int32_t SelectedCount() override { return 2; }
  int32_t DownloadUpdates() override {
    session->FDownloadedCount = 2;
    return 0;
  }
  void InstallUpdates() override { ++installs; }
};

class MainFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    application_ = zefkr::testing::makeOffscreenApplication();
    // The English messages.
    zefkr::testing::loadShippedLanguage(root_.path());
  }
  void TearDown() override {
    KRFreeLanguage();
    application_.reset();
  }

  zefkr::testing::TestRoot root_;
  std::unique_ptr<ZefKRApplication> application_;
};

struct Buttons {
  bool back;
  bool forward;
  const char* cancel;
};

void expectButtons(TMainForm& form, const Buttons& want, const char* where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(form.BackButton->isEnabled(), want.back);
  EXPECT_EQ(form.ForwardButton->isEnabled(), want.forward);
  EXPECT_EQ(form.CancelButton->text(), want.cancel);
}

TEST_F(MainFormTest, ClicksThroughAnUpdateRun) {
  TMainForm form(KRGetMessage(1).ToUnicodeString(), /*trayMode=*/false);
  FakeWork work;
  work.session = &form.session();
  form.setPageWork(&work);
  form.show();

  EXPECT_EQ(form.windowTitle(), "Vendrako Kestruner");
  EXPECT_EQ(form.size(), QSize(546, 387));
  EXPECT_TRUE(form.VerLabel->text().startsWith("Vendrako Kestruner - version 1.0.0 (build "))
      << form.VerLabel->text().toStdString();
  EXPECT_EQ(form.CopyrightLabel->text(), "Copyright (C) Vendrako. All rights reserved.");
  EXPECT_EQ(form.BackButton->text(), "< Back");
  EXPECT_EQ(form.ForwardButton->text(), "Next >");
  EXPECT_FALSE(form.InfoButton->isVisible());

  EXPECT_EQ(form.session().FPageIndex, 0);
  ASSERT_NE(KestruneFrame0, nullptr);
  EXPECT_EQ(KestruneFrame0->Label1->text(), "Welcome to Vendrako Kestruner");
  expectButtons(form, {false, true, "Cancel"}, "page 0");

  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FPageIndex, 1);
  EXPECT_EQ(KestruneFrame0, nullptr);
  ASSERT_NE(KestruneFrame1, nullptr);
  expectButtons(form, {true, true, "Cancel"}, "page 1");

  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FPageIndex, 4);
  ASSERT_NE(KestruneFrame3B, nullptr);
  EXPECT_EQ(KestruneFrame3B->Label2->text(), "Available updates");
  expectButtons(form, {true, true, "Cancel"}, "page 4");

  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FPageIndex, 7);
  EXPECT_EQ(work.installs, 1);
  ASSERT_NE(KestruneFrame5, nullptr);
  EXPECT_EQ(KestruneFrame5->Label2->text(), "Finished");
  expectButtons(form, {false, false, "Close"}, "page 7");
  EXPECT_TRUE(form.CancelButton->isDefault());

  // Close on the last page closes the form.
  QTest::mouseClick(form.CancelButton, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, RefusedLoginShowsItsReasonAndBackStartsOver) {
  struct Refused : zefkr::WizardWork {
    zefkr::WizardSession* session = nullptr;
    bool ProductListEmpty() override { return false; }
    int32_t Login() override {
      session->FLoginState = 4;
      return 0;
    }
  } work;
  TMainForm form(u"Wizard", /*trayMode=*/false);
  work.session = &form.session();
  form.setPageWork(&work);
  form.show();
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FPageIndex, 10);
  ASSERT_NE(KestruneFrame8, nullptr);
  EXPECT_EQ(KestruneFrame8->ReasonLabel1->text(), "the authorisation for updates is not active.");
  expectButtons(form, {true, false, "Cancel"}, "page 10");
  QTest::mouseClick(form.BackButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FPageIndex, 0);
}

TEST_F(MainFormTest, ProductsPageListsTheFoundProducts) {
  std::filesystem::create_directories(root_.path() + "/drives/c/Prod/A");
  root_.writeFile(zefkr::testing::kCommonCopy, "[Procedure]\r\n12=C:\\Prod\\A\r\n13=C:\\Prod\\Missing\r\n");
  TMainForm form(u"Wizard", /*trayMode=*/false);
  form.show();
  EXPECT_EQ(form.DetectedProducts->count, 2);
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  ASSERT_NE(KestruneFrame1, nullptr);
  ASSERT_EQ(KestruneFrame1->DPListView->count(), 1);
  EXPECT_TRUE(KestruneFrame1->DPListView->item(0)->text().endsWith("[12]"));
  EXPECT_TRUE(form.ForwardButton->isEnabled());
}

TEST_F(MainFormTest, SearchAndDownloadAgainstTheServerDouble) {
  fixtures::UpdateServerDouble server;
  server.setAccount("***KW***", "***ZJ***", "12");
  server.setUpdateList(
      "[12]\r\nA=601|01/02/2024|1|First fix|dir|a.exe|run||x|0|Note A\r\n"
      "B=602|02/02/2024|2|Second fix|dir|b.exe|run||x|0|\"\"\r\n");
  fixtures::FixtureResponse file;
  file.body = "installer";
  server.addFile("dir", "a.exe", file);
  std::filesystem::create_directories(root_.path() + "/drives/c/Prod/A");
  root_.writeFile(zefkr::testing::kCommonCopy, "[Procedure]\r\n12=C:\\Prod\\A\r\n[Kestruner]\r\n12=600,x,\"\"\r\n");

  TMainForm form(u"Wizard", /*trayMode=*/false);
  form.setServerAddresses(zefkr::testing::addressesOf(server));
  form.session().FUserID.AssignSz(u"***KW***");
  form.session().FPassword.AssignSz(u"***ZJ***");
  form.show();
  form.wizard().ShowPage(1);
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  ASSERT_EQ(form.session().FPageIndex, 4);
  ASSERT_NE(KestruneFrame3B, nullptr);
  QListWidget* choice = KestruneFrame3B->DPListView;
  ASSERT_EQ(choice->count(), 2);
  EXPECT_EQ(choice->item(0)->text(), "Second fix [02/02/2024]");
  EXPECT_EQ(choice->item(0)->checkState(), Qt::Checked);
  // Unticking the first update of the product unticks the later one too.
  choice->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(choice->item(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(form.UpdateInfos->SelectedCount(), 0);
  choice->item(1)->setCheckState(Qt::Checked);
  EXPECT_EQ(choice->item(0)->checkState(), Qt::Checked);
  choice->setCurrentRow(1);
  EXPECT_EQ(KestruneFrame3B->UpdInfoStaticText->text(), "Note A");
  choice->setCurrentRow(0);
  EXPECT_EQ(KestruneFrame3B->UpdInfoStaticText->text(), "No notes for this update.");

  // Only a.exe exists on the server: one download fails, one succeeds.
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(form.session().FDownloadedCount, 1);
  EXPECT_EQ(form.session().FPageIndex, 7);
  EXPECT_TRUE(form.UpdateInfos->items[0].downloadedFile.empty());
  EXPECT_FALSE(form.UpdateInfos->items[1].downloadedFile.empty());
}

TEST_F(MainFormTest, UnbuiltSearchEndsOnTheNoServerPage) {
  TMainForm form(u"Wizard", /*trayMode=*/false);
  form.show();
  QTest::mouseClick(form.ForwardButton, Qt::LeftButton);
  // Without products Forward stays disabled on page 1; the search is asked
  // for directly.
  form.wizard().ForwardButtonClick();
  EXPECT_EQ(form.session().FPageIndex, 3);
  expectButtons(form, {true, false, "Close"}, "page 3");
}

}  // namespace
