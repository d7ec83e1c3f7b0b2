// TThread: the application framework's thread class.
//
// A subclass puts its work in Execute and polls Terminated() there within
// bounded waits. The thread object is made suspended; the after-construction
// step (AfterConstruction, which the creator calls once the object is whole,
// or newThread below does) starts it unless it was made suspended, and a
// subclass may replace that step to keep it waiting for Resume.
//
// Destroying the object terminates a started thread and waits for it. A
// subclass whose Execute uses its own members stops the thread in its own
// destructor (Terminate, wake whatever Execute waits on, WaitFor), since
// those members are gone by the time this class's destructor runs.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <utility>

class ZEF_EXPORT TThread {
public:
  explicit TThread(bool createSuspended);
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread unless it was made suspended.
  virtual void AfterConstruction();

  // Starts a thread that has not started yet; does nothing after that.
  void Resume();
  void Start() { Resume(); }

  // Asks Execute to end: sets Terminated and calls TerminatedSet.
  void Terminate();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // True once Execute has returned.
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  bool Suspended() const { return !started_; }

  // Waits until Execute has returned and answers ReturnValue; at once for a
  // thread that was never started.
  DWORD WaitFor();

  HANDLE Handle() const { return handle_; }
  DWORD ThreadID() const { return threadId_; }
  DWORD ReturnValue() const { return returnValue_; }

protected:
  virtual void Execute() = 0;
  // Called by Terminate on the terminating thread; a subclass wakes what its
  // Execute waits on.
  virtual void TerminatedSet() {}
  void SetReturnValue(DWORD value) { returnValue_ = value; }

private:
  static DWORD threadMain(LPVOID self);

  HANDLE handle_ = nullptr;  // our CreateThread handle, closed by the destructor
  DWORD threadId_ = 0;
  const bool createSuspended_;
  bool started_ = false;  // set by Resume on the controlling thread
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  DWORD returnValue_ = 0;  // written by Execute, read after WaitFor
};

namespace platform {
// Makes a thread object and runs its after-construction step.
template <typename Thread, typename... Args>
Thread* newThread(Args&&... args) {
  auto* thread = new Thread(std::forward<Args>(args)...);
  thread->AfterConstruction();
  return thread;
}
}  // namespace platform
