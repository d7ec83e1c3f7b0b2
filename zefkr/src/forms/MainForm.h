// TMainForm: the wizard's main window.
//
// Besides its Qt widget the form owns a platform top-level window with the
// same title: other processes find it with FindWindowW (a second start
// raises it through it), and platform timers of the form are set on it.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <thread>

#include <QWidget>

#include <string>

struct INetDetect;

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

  // The connection watcher's listener (tray mode): state 0 connected, 1 not.
  void ConnectionChanged(int32_t state);
  bool connected() const { return FConnected; }
  // How often the watcher told a change, and on which thread it last did.
  int connectionChanges() const { return connectionChanges_; }
  std::thread::id connectionThread() const { return connectionThread_; }

  INetDetect* FNetDetect = nullptr;  // the connection watcher; tray mode only
  bool FConnected = false;           // last state the watcher told

private:
  static void connectionListener(int32_t state, void* context);

  static LRESULT platformProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

  HWND platformWindow_ = nullptr;  // made in the constructor, destroyed with the form
  bool trayMode_;
  int activationRequests_ = 0;
  int connectionChanges_ = 0;
  std::thread::id connectionThread_;
};

// The application's main form while it exists.
extern TMainForm* MainForm;
