// Page 0: welcome, the automatic-search choice and the proxy button.
#include "KestruneFrames.h"

#include "MainForm.h"
#include "ProxyConfigDlg.h"

#include "zefkr/Pages.h"
#include "zefkr/VendrakoIni.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

using zefkr::forms::messagesJoined;
using zefkr::forms::messageText;

TKestruneFrame0* KestruneFrame0 = nullptr;

TKestruneFrame0::TKestruneFrame0(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame0");
  Label1 = addLabel("Label1", /*title=*/true);
  Label2 = addLabel("Label2");
  Label3 = addLabel("Label3");
  Label5 = addLabel("Label5");
  Label8 = addLabel("Label8");
  Label4 = addLabel("Label4");
  PutInTrayCB = new QCheckBox(this);
  PutInTrayCB->setObjectName("PutInTrayCB");
  layout()->addWidget(PutInTrayCB);
  btnProxyCfg = new QPushButton(this);
  btnProxyCfg->setObjectName("btnProxyCfg");
  layout()->addWidget(btnProxyCfg);
  layout()->setAlignment(btnProxyCfg, Qt::AlignLeft);
  connect(btnProxyCfg, &QPushButton::clicked, this, [this] { btnProxyCfgClick(); });
}

void TKestruneFrame0::InitPage() {
  Label1->setText(messageText(1100));
  Label2->setText(messagesJoined(1101, 1102));
  Label3->setText(messagesJoined(1153, 1154));
  Label5->setText(messagesJoined(1155, 1156));
  Label8->setText(messagesJoined(1157, 1158));
  Label4->setText(messageText(1112));
  PutInTrayCB->setText(messageText(1114));
  btnProxyCfg->setText(messageText(1117));
  // The user-name and password controls of old versions stay hidden.
  const zefkr::TVendrakoIni copies;
  PutInTrayCB->setChecked(zefkr::automaticModeTicked(copies));
}

bool TKestruneFrame0::SaveChoices() {
  zefkr::TVendrakoIni copies;
  return zefkr::SaveChoices(copies, mainForm()->session(), PutInTrayCB->isChecked());
}

void TKestruneFrame0::btnProxyCfgClick() {
  TProxyConfigDlg dialog(this);
  dialog.exec();
}
