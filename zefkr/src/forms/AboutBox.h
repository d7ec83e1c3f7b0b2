// TKRAboutBox: the borderless black box with the product's splash picture,
// shown for two seconds at start unless the wizard runs in the tray.
#pragma once

#include <QWidget>

class QLabel;

class TKRAboutBox : public QWidget {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 506;
  static constexpr int kClientHeight = 294;

  // Records itself in KRAboutBox and loads "S_VENDRAKO" into SplashImg. The
  // box frees itself when closed.
  explicit TKRAboutBox(QWidget* owner = nullptr);
  ~TKRAboutBox() override;  // clears KRAboutBox

  QLabel* SplashImg;  // the picture over the whole client area

  // How many boxes this process has made (the start-up shows at most one).
  static int boxesMade();

protected:
  void mousePressEvent(QMouseEvent* event) override;  // SplashImgClick
  void keyPressEvent(QKeyEvent* event) override;      // FormKeyDown: swallowed
};

// The box while it exists, else null.
extern TKRAboutBox* KRAboutBox;

namespace zefkr::forms {
// Shows the splash: until two seconds have passed on the platform clock, or
// the box was closed by a click or a key. Waits for events between rounds.
void showSplash();
}  // namespace zefkr::forms
