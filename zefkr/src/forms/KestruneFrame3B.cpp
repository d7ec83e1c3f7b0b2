// Page 4: the updates to choose.
#include "KestruneFrames.h"

#include <QLabel>
#include <QListWidget>

using zefkr::forms::messageText;

TKestruneFrame3B* KestruneFrame3B = nullptr;

TKestruneFrame3B::TKestruneFrame3B(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame3B");
  Label2 = addLabel("Label2", /*title=*/true);
  Label3 = addLabel("Label3");
  DPListView = addListView();
  UpdInfoStaticText = addLabel("UpdInfoStaticText");
  UpdInfoStaticText->setFrameShape(QFrame::Panel);
  UpdInfoStaticText->setMinimumHeight(48);
  UpdInfoStaticText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TKestruneFrame3B::InitPage() {
  Label2->setText(messageText(1500));
  Label3->setText(messageText(1501));
  UpdInfoStaticText->clear();
}
