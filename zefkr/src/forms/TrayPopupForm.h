// TTrayPopupForm: the small stay-on-top box near the tray icon that offers
// the updates an automatic search found.
#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QPushButton;

class TTrayPopupForm : public QWidget {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 257;
  static constexpr int kClientHeight = 109;

  // Placed 4 px inside the bottom-right corner of the screen's work area.
  TTrayPopupForm();
  ~TTrayPopupForm() override;

  QLabel* MsgLabel;
  QPushButton* YesButton;  // default
  QPushButton* NoButton;   // cancel
  int32_t answer = 1;      // 0 update now, 1 not now

  void YesButtonClick();
  void NoButtonClick();

protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// The pop-up while it exists, else null.
extern TTrayPopupForm* TrayPopupForm;
