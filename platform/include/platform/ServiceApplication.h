// The service framework: a service application that holds service objects
// and runs them under the service manager (platform/ServiceManager.h).
//
// A program creates its services with CreateForm and calls Run(). Started
// by the service manager (ZEF_SERVICE_NAME names one of its services), Run()
// listens on that service's socket, calls the start event, and hands every
// control it accepts (1 to 3 and 128 to 255; 4 is answered at once) to the
// service's control function, which passes it to Controller. Controller
// queues it for the one service thread, which takes the controls one at a
// time in order: stop, pause and continue call their events, codes from 128
// on call HandleControlCode. Run() returns once the service has stopped.
// A request is acknowledged when it is queued, not when it has been handled.
//
// Started with "/install" or "/uninstall" (any case, "-" or "/"), Run()
// registers or removes the services instead and reports on standard error.
// Started any other way, Run() returns at once, as a service program
// started from a console does. The framework never shows a message box.
#pragma once

#include "platform/Export.h"
#include "platform/ServiceManager.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TServiceApplication;

// The plain function the framework calls with each accepted control.
using TServiceController = void (*)(DWORD code);

class ZEF_EXPORT TService {
public:
  using TServiceEvent = std::function<void(TService* sender, bool& result)>;

  TService(TServiceApplication* owner, std::u16string name, std::u16string displayName);
  virtual ~TService();
  TService(const TService&) = delete;
  TService& operator=(const TService&) = delete;

  // Handles a control from 128 on; true when the code was handled. The
  // default handles none.
  virtual bool HandleControlCode(DWORD code);
  // The function that receives accepted controls; it must pass them on to
  // Controller of this object.
  virtual TServiceController GetServiceController() = 0;

  // Queues a control for the service thread.
  void Controller(DWORD code);

  const std::u16string& Name() const { return name_; }
  const std::u16string& DisplayName() const { return displayName_; }
  DWORD Status() const { return state_.load(); }

  // The group whose members may control the service once installed; empty
  // admits root only. Defaults to $ZEF_SERVICE_GROUP.
  std::string ControlGroup;

  // The events; each sets its result to true to grant the change. Without
  // a handler the change is granted.
  TServiceEvent OnStart;
  TServiceEvent OnPause;
  TServiceEvent OnContinue;
  TServiceEvent OnStop;

  // Writes one line, prefixed with the service name, to standard error.
  void LogMessage(std::u16string_view message) const;

  // True when neither the file nor its folder can be written by anyone
  // outside root, the service's own user and the service's group (its
  // owner is one of these, it is not writable by others, and group write
  // is allowed only for the service's group or root's); else false with
  // the reason.
  bool IsFileGuarded(std::u16string_view windowsPath, std::string& why) const;

private:
  friend class TServiceApplication;
  // Runs the service until it stops; false when it could not start.
  bool runAsService();
  void serviceThreadLoop();
  bool grants(const TServiceEvent& event);
  void dispatch(DWORD code);
  long controlGroupId() const;

  std::u16string name_;
  std::u16string displayName_;
  std::atomic<DWORD> state_{SERVICE_STOPPED};
  // Controls waiting for the service thread, oldest first; guarded by
  // queueMutex_, signalled by queueReady_.
  std::mutex queueMutex_;
  std::condition_variable queueReady_;
  std::deque<DWORD> queue_;
  std::atomic<bool> stopped_{false};  // set by the service thread after a granted stop
  std::string recordGroup_;           // the group from the service record while running
};

class ZEF_EXPORT TServiceApplication {
public:
  TServiceApplication();
  ~TServiceApplication();
  TServiceApplication(const TServiceApplication&) = delete;
  TServiceApplication& operator=(const TServiceApplication&) = delete;

  // When true, Initialize is left to the program (only done when installing).
  bool DelayInitialize = false;

  // True when the command line asks to install or remove the services.
  bool Installing() const;
  // Reads the command line.
  void Initialize();

  // Creates a service of class T, owned by the application, into `reference`.
  template <typename T>
  void CreateForm(T*& reference) {
    auto service = std::make_unique<T>(this);
    reference = service.get();
    services_.push_back(std::move(service));
  }

  // See the file comment.
  void Run();

  // The exit status Run() suggests: 0, or 1 when installing or running failed.
  int ExitCode() const { return exitCode_; }

private:
  bool installServices(bool install);
  TService* serviceStartedByManager() const;

  std::vector<std::unique_ptr<TService>> services_;
  std::vector<std::u16string> arguments_;  // the command line, without the program
  bool initialized_ = false;
  int exitCode_ = 0;
};

// The program's one service application.
ZEF_EXPORT TServiceApplication& ServiceApplication();
