// Every page and the proxy dialog in both languages: pictures for a person
// to look at, and a check that no text is empty or cut off.
#include "forms/KestruneFrames.h"
#include "forms/MainForm.h"
#include "forms/ProxyConfigDlg.h"
#include "forms/QtHost.h"

#include "zefkr/Language.h"

#include "platform/CodePage.h"

#include "../TestRoot.h"
#include "FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace {

using zefkr::forms::ZefKRApplication;

// Names of texts that may be empty on a page.
const std::set<QString> kMayBeEmpty = {"UpdInfoStaticText", "PercSizeLabel", "updFailedWarnLabel"};

// Every visible text of `root` is there and shows whole.
void expectTextsWhole(QWidget* root, const std::string& where) {
  for (QLabel* label : root->findChildren<QLabel*>()) {
    if (!label->isVisibleTo(root) || label->pixmap().isNull() == false) continue;
    SCOPED_TRACE(where + " / " + label->objectName().toStdString());
    if (label->text().isEmpty()) {
      EXPECT_TRUE(kMayBeEmpty.count(label->objectName())) << "empty text";
      continue;
    }
    if (label->wordWrap()) {
      EXPECT_LE(label->heightForWidth(label->width()), label->height() + 1) << label->text().toStdString();
    } else {
      EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
          << label->text().toStdString();
    }
  }
  for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(root)) continue;
    SCOPED_TRACE(where + " / " + button->objectName().toStdString());
    EXPECT_FALSE(button->text().isEmpty());
    EXPECT_LE(button->sizeHint().width(), button->width() + 1) << button->text().toStdString();
  }
}

class PagesPicturesTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    application_ = zefkr::testing::makeOffscreenApplication();
    zefkr::testing::loadShippedLanguage(root_.path(), GetParam(), {"ZefKR.ENG", "ZefKR.ITA"});
    pictures_ = std::string(ZEFKR_PAGE_PICTURES) + "/" + GetParam();
    std::filesystem::create_directories(pictures_);
  }
  void TearDown() override {
    KRFreeLanguage();
    application_.reset();
  }

  zefkr::testing::TestRoot root_;
  std::unique_ptr<ZefKRApplication> application_;
  std::string pictures_;
};

TEST_P(PagesPicturesTest, EveryPageAndTheDialog) {
  TMainForm form(KRGetMessage(1).ToUnicodeString(), /*trayMode=*/false);
  // Data for the lists: a product, an installed update and a failed one.
  zefkr::TKRDetectedProduct& product = form.DetectedProducts->items[0];
  form.DetectedProducts->count = 1;
  product.found = true;
  product.caption = u"Vendrako Demo Product";
  zefkr::TKRUpdateInfoList& updates = *form.UpdateInfos;
  updates.count = 2;
  updates.items[0].name = u"Fix of the printing dialog";
  updates.items[0].date = *platform::EncodeDate(2024, 2, 1);
  updates.items[0].status = zefkr::kUpdateDownloaded | zefkr::kUpdateInstalled;
  updates.items[1].name = u"New drawing symbols";
  updates.items[1].date = *platform::EncodeDate(2024, 3, 5);
  updates.items[1].status = zefkr::kUpdateDownloaded | zefkr::kUpdateNoInformation;
  form.session().FLoginState = 3;
  form.show();

  int pages = 0;
  for (int32_t page : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10}) {
    form.wizard().ShowPage(page);
    QTest::qWait(20);
    ASSERT_NE(form.FCurrentFrame, nullptr) << page;
    expectTextsWhole(&form, "page " + std::to_string(page));
    EXPECT_TRUE(form.grab().save(QString::fromStdString(pictures_ + "/page-" + std::to_string(page) + ".png")));
    ++pages;
  }
  EXPECT_EQ(pages, 10);
  ASSERT_NE(KestruneFrame8, nullptr);
  EXPECT_FALSE(KestruneFrame8->ReasonLabel1->text().isEmpty());

  TProxyConfigDlg dialog(&form);
  dialog.show();
  QTest::qWait(20);
  expectTextsWhole(&dialog, "proxy dialog");
  EXPECT_EQ(dialog.size(), QSize(415, 285));
  EXPECT_EQ(dialog.edPassword->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(dialog.grab().save(QString::fromStdString(pictures_ + "/proxy-dialog.png")));
}

INSTANTIATE_TEST_SUITE_P(Languages, PagesPicturesTest, ::testing::Values("ENG", "ITA"));

}  // namespace
