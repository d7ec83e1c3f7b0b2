// TMainForm: the wizard's main window.
//
// Besides its Qt widget the form owns a platform top-level window with the
// same title: other processes find it with FindWindowW (a second start
// raises it through it), and platform timers of the form are set on it.
#pragma once

#include "platform/WinTypes.h"

#include <QWidget>

#include <string>

class TMainForm : public QWidget {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 546;
  static constexpr int kClientHeight = 387;

  // `trayMode`: the form starts hidden and has no task-bar entry.
  TMainForm(const std::u16string& title, bool trayMode, QWidget* parent = nullptr);
  ~TMainForm() override;

  HWND platformWindow() const { return platformWindow_; }
  bool trayMode() const { return trayMode_; }
  // How often another process asked to bring the form to the front.
  int activationRequests() const { return activationRequests_; }

  // Shows the form (also when hidden in the tray) and brings it to the front.
  void bringToFront();

private:
  static LRESULT platformProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

  HWND platformWindow_ = nullptr;  // made in the constructor, destroyed with the form
  bool trayMode_;
  int activationRequests_ = 0;
};

// The application's main form while it exists.
extern TMainForm* MainForm;
