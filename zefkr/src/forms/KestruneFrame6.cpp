// Page 8: every product is up to date.
#include "KestruneFrames.h"

#include <QLabel>

using zefkr::forms::messageText;

TKestruneFrame6* KestruneFrame6 = nullptr;

TKestruneFrame6::TKestruneFrame6(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame6");
  Label5 = addLabel("Label5", /*title=*/true);
  Label2 = addLabel("Label2");
  Label1 = addLabel("Label1");
  Label4 = addLabel("Label4");
}

void TKestruneFrame6::InitPage() {
  Label5->setText(messageText(1800));
  Label2->setText(messageText(1801));
  Label1->setText(messageText(1802));
  Label4->setText(messageText(1803));
}
