// Page 5: download and installation, with progress.
#include "KestruneFrames.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

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
}

void TKestruneFrame4::InitPage() {
  Label2->setText(messageText(1600));
  Label3->setText(messagesJoined(1601, 1602));
  ProgressLabel->setText(messageText(1603));
  ProgressBar1->setValue(0);
}
