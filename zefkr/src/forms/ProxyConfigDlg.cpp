// The proxy settings dialog: it shows and forwards, the rules are in
// zefkr/ProxySettings.h.
#include "ProxyConfigDlg.h"

#include "KestruneFrames.h"

#include "zefkr/ProxySettings.h"
#include "zefkr/VendrakoIni.h"

#include "platform/MessageBox.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using zefkr::forms::messageText;

namespace {

constexpr char16_t kNoSettingsFile[] =
    u"The proxy settings cannot be saved: the common settings file cannot be opened.";

QLabel* makeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

TProxyConfigDlg::TProxyConfigDlg(QWidget* owner) : QDialog(owner) {
  setObjectName("ProxyConfigDlg");
  setModal(true);
  setFixedSize(kClientWidth, kClientHeight);
  auto* column = new QVBoxLayout(this);

  rbUseSystemSettings = new QRadioButton(this);
  rbUseSystemSettings->setObjectName("rbUseSystemSettings");
  rbUseSystemSettings->setChecked(true);
  rbUseCustomSettings = new QRadioButton(this);
  rbUseCustomSettings->setObjectName("rbUseCustomSettings");
  column->addWidget(rbUseSystemSettings);
  column->addWidget(rbUseCustomSettings);

  gbProxyServer = new QGroupBox(this);
  gbProxyServer->setObjectName("gbProxyServer");
  auto* grid = new QGridLayout(gbProxyServer);
  lblProtocolType = makeLabel(gbProxyServer, "lblProtocolType");
  lblProxyAddress = makeLabel(gbProxyServer, "lblProxyAddress");
  lblPort = makeLabel(gbProxyServer, "lblPort");
  lblProtocolHTTP = makeLabel(gbProxyServer, "lblProtocolHTTP");
  lblHTTPPortSep = makeLabel(gbProxyServer, "lblHTTPPortSep");
  lblHTTPPortSep->setText(QStringLiteral(":"));
  edProxyAddressHTTP = makeEdit(gbProxyServer, "edProxyAddressHTTP");
  edPortHTTP = makeEdit(gbProxyServer, "edPortHTTP");
  edPortHTTP->setMaximumWidth(70);
  grid->addWidget(lblProtocolType, 0, 0);
  grid->addWidget(lblProxyAddress, 0, 1);
  grid->addWidget(lblPort, 0, 3);
  grid->addWidget(lblProtocolHTTP, 1, 0);
  grid->addWidget(edProxyAddressHTTP, 1, 1);
  grid->addWidget(lblHTTPPortSep, 1, 2);
  grid->addWidget(edPortHTTP, 1, 3);
  lblAuthInfo = makeLabel(gbProxyServer, "lblAuthInfo");
  lblAuthInfo->setWordWrap(true);
  grid->addWidget(lblAuthInfo, 2, 0, 1, 4);
  lblUserName = makeLabel(gbProxyServer, "lblUserName");
  lblPassword = makeLabel(gbProxyServer, "lblPassword");
  edUserName = makeEdit(gbProxyServer, "edUserName");
  edPassword = makeEdit(gbProxyServer, "edPassword");
  edPassword->setEchoMode(QLineEdit::Password);
  grid->addWidget(lblUserName, 3, 0);
  grid->addWidget(edUserName, 3, 1, 1, 3);
  grid->addWidget(lblPassword, 4, 0);
  grid->addWidget(edPassword, 4, 1, 1, 3);
  column->addWidget(gbProxyServer);

  lblNote1 = makeLabel(this, "lblNote1");
  lblNote1->setWordWrap(true);
  column->addWidget(lblNote1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOk = new QPushButton(this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName("btnCancel");
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  column->addLayout(buttons);

  connect(rbUseSystemSettings, &QRadioButton::toggled, this, [this] { rbUseSystemSettingsClick(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
}

void TProxyConfigDlg::FormCreate() {
  setWindowTitle(messageText(3000));
  gbProxyServer->setTitle(QLatin1Char(' ') + messageText(3001) + QLatin1Char(' '));
  rbUseSystemSettings->setText(messageText(3002));
  rbUseCustomSettings->setText(messageText(3003));
  lblProtocolType->setText(messageText(3004));
  lblProxyAddress->setText(messageText(3005));
  lblPort->setText(messageText(3006));
  lblProtocolHTTP->setText(messageText(3007));
  lblNote1->setText(messageText(3008));
  btnOk->setText(messageText(3009));
  btnCancel->setText(messageText(3010));
  lblAuthInfo->setText(zefkr::forms::messagesJoined(3013, 3014));
  lblUserName->setText(messageText(3015));
  lblPassword->setText(messageText(3016));

  const zefkr::TVendrakoIni copies;
  const zefkr::ProxyDialogFields fields = zefkr::loadProxyDialogFields(copies);
  rbUseSystemSettings->setChecked(!fields.custom);
  rbUseCustomSettings->setChecked(fields.custom);
  edProxyAddressHTTP->setText(QString::fromStdU16String(fields.address));
  edPortHTTP->setText(QString::fromStdU16String(fields.portText));
  edUserName->setText(QString::fromStdU16String(fields.user));
  edPassword->setText(QString::fromStdU16String(fields.password));
  rbUseSystemSettingsClick();
}

void TProxyConfigDlg::rbUseSystemSettingsClick() {
  const bool enabled = zefkr::proxyServerFieldsEnabled(rbUseSystemSettings->isChecked());
  for (QWidget* control :
       {static_cast<QWidget*>(lblProtocolType), static_cast<QWidget*>(lblProxyAddress), static_cast<QWidget*>(lblPort),
        static_cast<QWidget*>(lblProtocolHTTP), static_cast<QWidget*>(lblHTTPPortSep),
        static_cast<QWidget*>(lblUserName), static_cast<QWidget*>(lblPassword),
        static_cast<QWidget*>(edProxyAddressHTTP), static_cast<QWidget*>(edPortHTTP), static_cast<QWidget*>(edUserName),
        static_cast<QWidget*>(edPassword)}) {
    control->setEnabled(enabled);
  }
}

void TProxyConfigDlg::btnOkClick() {
  zefkr::ProxyDialogFields fields;
  fields.custom = rbUseCustomSettings->isChecked();
  fields.address = edProxyAddressHTTP->text().toStdU16String();
  fields.portText = edPortHTTP->text().toStdU16String();
  fields.user = edUserName->text().toStdU16String();
  fields.password = edPassword->text().toStdU16String();
  zefkr::TVendrakoIni copies;
  std::u16string errors;
  const std::u16string caption = windowTitle().toStdU16String();
  switch (zefkr::saveProxyDialogFields(copies, fields, &errors)) {
    case zefkr::ProxySaveResult::kSaved: accept(); return;
    case zefkr::ProxySaveResult::kInvalid:
      MessageBoxW(nullptr, errors.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
      return;
    case zefkr::ProxySaveResult::kNoSettingsFile:
      MessageBoxW(nullptr, kNoSettingsFile, caption.c_str(), MB_OK | MB_ICONINFORMATION);
      return;
  }
}
