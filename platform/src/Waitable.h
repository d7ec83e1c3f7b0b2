// The machinery behind waits on events and threads.
//
// Every waitable kernel object keeps its state in a WaitableState shared
// between its handle and whoever else needs it after the handle is closed
// (a running thread keeps its own). One process-wide mutex guards the state
// of all of them, so a wait on several objects sees one consistent picture
// and can take them all at once. A waiting thread registers its own
// condition variable on each object it waits on; a state change wakes the
// registered waiters, which re-check under the mutex.
#pragma once

#include "platform/Handles.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace platform {

// Guards every WaitableState's fields and waiter lists.
std::mutex& waitableStateMutex();

class WaitableState {
public:
  virtual ~WaitableState();
  // Both are called with waitableStateMutex held.
  virtual bool signaled() const = 0;
  // A satisfied wait takes the signal (an auto-reset event resets).
  virtual void acquire() {}
  // Wakes every registered waiter; call with the mutex held after a change
  // that may have signalled the object.
  void wakeWaiters();

  // Condition variables of the threads now waiting on this object; each
  // belongs to one waiting thread, which removes it before returning.
  std::vector<std::condition_variable*> waiters;
};

// The handle-table face of a waitable state.
class WaitableObject : public KernelObject {
public:
  explicit WaitableObject(std::shared_ptr<WaitableState> state) : state_(std::move(state)) {}
  const std::shared_ptr<WaitableState>& state() const { return state_; }

private:
  std::shared_ptr<WaitableState> state_;
};

// Waits for any or all of `states` (see WaitForMultipleObjects).
DWORD waitForStates(std::span<const std::shared_ptr<WaitableState>> states, bool waitAll, DWORD milliseconds);

// WaitForSingleObject on a process handle (Processes.cpp); WAIT_FAILED for
// a handle that is not a process.
DWORD waitForProcess(HANDLE process, DWORD milliseconds);

}  // namespace platform
