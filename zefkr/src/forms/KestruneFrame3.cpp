// Page 3: the update server could not be reached.
#include "KestruneFrames.h"

#include <QLabel>

using zefkr::forms::messageText;

TKestruneFrame3* KestruneFrame3 = nullptr;

TKestruneFrame3::TKestruneFrame3(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame3");
  Label2 = addLabel("Label2", /*title=*/true);
  Label1 = addLabel("Label1");
  Label3 = addLabel("Label3");
  Label4 = addLabel("Label4");
}

void TKestruneFrame3::InitPage() {
  Label2->setText(messageText(1400));
  Label1->setText(messageText(1401));
  Label3->setText(messageText(1402));
  Label4->setText(messageText(1403));
}
