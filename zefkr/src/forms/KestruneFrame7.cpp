// Page 9: stopped, nothing installed.
#include "KestruneFrames.h"

#include <QLabel>

using zefkr::forms::messageText;

TKestruneFrame7* KestruneFrame7 = nullptr;

TKestruneFrame7::TKestruneFrame7(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame7");
  Label2 = addLabel("Label2", /*title=*/true);
  Label4 = addLabel("Label4");
}

void TKestruneFrame7::InitPage() {
  Label2->setText(messageText(1900));
  Label4->setText(messageText(1901));
}
