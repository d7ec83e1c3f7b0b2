// Page 5: download and installation, with progress.
#include "KestruneFrames.h"

#include "FrameProgress.h"
#include "MainForm.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

using zefkr::forms::messagesJoined;
using zefkr::forms::messageText;

TKestruneFrame4* KestruneFrame4 = nullptr;

TKestruneFrame4::TKestruneFrame4(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame4");
  Label2 = addLabel("Label2", /*title=*/true);
  Label3 = addLabel("Label3");
  DPListView = addListView();
  ProgressLabel = addLabel("ProgressLabel");
  PercSizeLabel = addLabel("PercSizeLabel");
  PercSizeLabel->hide();
  ProgressBar1 = addProgressBar();
  Timer1 = new QTimer(this);
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TKestruneFrame4::InitPage() {
  Label2->setText(messageText(1600));
  Label3->setText(messagesJoined(1601, 1602));
  ProgressLabel->setText(messageText(1603));
  ProgressBar1->setValue(0);
  const zefkr::TKRUpdateInfoList& updates = *mainForm()->UpdateInfos;
  for (int32_t i = 0; i < updates.count; ++i) {
    const zefkr::TKRUpdateInfo& update = updates.items[static_cast<size_t>(i)];
    if (!update.selected) continue;
    new QListWidgetItem(zefkr::forms::rowImage(0), zefkr::forms::updateRowCaption(update), DPListView);
  }
  Timer1->start();
}

void TKestruneFrame4::Timer1Timer() {
  zefkr::UpdateServerConversation* running = mainForm()->pageWork().runningConversation();
  if (!running) return;
  zefkr::forms::FrameProgress view(this, ProgressLabel, ProgressBar1, DPListView, PercSizeLabel);
  running->Timer1Timer(view);
}
