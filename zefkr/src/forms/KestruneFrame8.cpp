// Page 10: the authorisation was refused, with the reason.
#include "KestruneFrames.h"

#include "MainForm.h"

#include "zefkr/Pages.h"

#include <QLabel>

using zefkr::forms::messageText;

TKestruneFrame8* KestruneFrame8 = nullptr;

TKestruneFrame8::TKestruneFrame8(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame8");
  Label2 = addLabel("Label2", /*title=*/true);
  Label4 = addLabel("Label4");
  ReasonLabel1 = addLabel("ReasonLabel1");
  ReasonLabel2 = addLabel("ReasonLabel2");
}

void TKestruneFrame8::InitPage() {
  Label2->setText(messageText(2000));
  Label4->setText(messageText(2001));
  // The reason by the outcome of the last login; none for another outcome.
  const auto [first, second] = zefkr::refusalReasons(mainForm()->session().FLoginState);
  ReasonLabel1->setText(first ? messageText(first) : QString());
  ReasonLabel2->setText(second ? messageText(second) : QString());
}
