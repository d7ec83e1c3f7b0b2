// Page 7: the installed updates.
#include "KestruneFrames.h"

#include "MainForm.h"

#include "zefkr/Pages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>

using zefkr::forms::messageText;

TKestruneFrame5* KestruneFrame5 = nullptr;

TKestruneFrame5::TKestruneFrame5(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame5");
  Label2 = addLabel("Label2", /*title=*/true);
  Label1 = addLabel("Label1");
  DPListView = addListView();
  updFailedWarnPanel = new QFrame(this);
  updFailedWarnPanel->setObjectName("updFailedWarnPanel");
  auto* row = new QHBoxLayout(updFailedWarnPanel);
  auto* mark = new QLabel(QStringLiteral("!"), updFailedWarnPanel);
  mark->setObjectName("Label3");
  row->addWidget(mark);
  updFailedWarnLabel = new QLabel(updFailedWarnPanel);
  updFailedWarnLabel->setObjectName("updFailedWarnLabel");
  updFailedWarnLabel->setWordWrap(true);
  row->addWidget(updFailedWarnLabel, 1);
  layout()->addWidget(updFailedWarnPanel);
  updFailedWarnPanel->hide();
  Label4 = addLabel("Label4");
}

void TKestruneFrame5::InitPage() {
  Label2->setText(messageText(1700));
  Label1->setText(messageText(1701));
  Label4->setText(messageText(1702));
  const zefkr::InstallSummary summary = zefkr::installSummary(*mainForm()->UpdateInfos);
  for (const zefkr::SummaryRow& row : summary.rows) {
    new QListWidgetItem(zefkr::forms::rowImage(row.image), QString::fromStdU16String(row.caption), DPListView);
  }
  // The warning panel only when something failed.
  updFailedWarnLabel->setText(QString::fromStdU16String(summary.warning));
  updFailedWarnPanel->setVisible(summary.failures > 0);
}
