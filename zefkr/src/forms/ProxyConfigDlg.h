// TProxyConfigDlg: the proxy settings dialog, opened from page 0.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TProxyConfigDlg : public QDialog {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 415;
  static constexpr int kClientHeight = 285;

  explicit TProxyConfigDlg(QWidget* owner = nullptr);

  QRadioButton *rbUseSystemSettings, *rbUseCustomSettings;
  QGroupBox* gbProxyServer;
  QLabel *lblProtocolType, *lblProxyAddress, *lblPort, *lblProtocolHTTP, *lblHTTPPortSep, *lblAuthInfo, *lblUserName,
      *lblPassword, *lblNote1;
  QLineEdit *edProxyAddressHTTP, *edPortHTTP, *edUserName, *edPassword;
  QPushButton *btnOk, *btnCancel;

  // Validates and saves; closes with the OK result only when saved.
  void btnOkClick();
  // Both option buttons: the server group follows the choice.
  void rbUseSystemSettingsClick();

private:
  void FormCreate();
};
