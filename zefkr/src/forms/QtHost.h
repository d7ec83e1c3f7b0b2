// The wizard's application object: Qt's event loop with the main thread's
// platform message queue pumped inside it.
//
// The queue's descriptor is watched by a socket notifier; whenever it is
// readable the host takes every message that is there and dispatches it, so
// platform timers and posts (the connection watcher, activation requests of
// a second start) run on the main thread between Qt's own events. A WM_QUIT
// from the queue ends Qt's loop once the current handler returns, with the
// quit's code.
//
// An exception that escapes an event handler is shown in a message box
// (its text; an empty text when it is not a std::exception) and the loop
// goes on, as the framework the wizard was designed on does.
//
// The object registers itself as the core library's host application while
// it lives, so the library's pump hook processes Qt's pending events and the
// platform queue together.
#pragma once

#include "platform/HostApplication.h"

#include <QApplication>

#include <string>

class QSocketNotifier;

namespace zefkr::forms {

class ZefKRApplication : public QApplication {
public:
  ZefKRApplication(int& argc, char** argv);
  ~ZefKRApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Takes and dispatches what the platform queue holds now. False when a
  // WM_QUIT was taken (the loop then ends).
  bool pumpPlatformQueue();

  // The title of message boxes the host shows itself.
  void setTitle(const std::u16string& title) { title_ = title; }
  const std::u16string& title() const { return title_; }

  // Shows an escaped exception's text in a stop box.
  void showException(const std::u16string& text);

  static ZefKRApplication* instance();

  // True once the loop was told to end (a WM_QUIT, or quitting).
  bool terminating() const { return terminating_; }
  void quitWizard(int exitCode);

private:
  // The core library's view of this object.
  class HostHooks final : public platform::HostApplication {
  public:
    explicit HostHooks(ZefKRApplication& owner) : owner_(owner) {}
    void ProcessMessages() override;
    bool Terminated() override;
    void CheckSynchronize() override;

  private:
    ZefKRApplication& owner_;
  };

  HostHooks hostHooks_{*this};
  bool terminating_ = false;
  QSocketNotifier* queueNotifier_ = nullptr;  // owned by Qt (child of this)
  std::u16string title_;
};

// Shows every platform message box as a modal QMessageBox; installed by the
// application object, removed when it goes.
void installQtMessageBoxSink();

}  // namespace zefkr::forms
