// Threads on std::thread, as waitable kernel objects.
//
// The system thread is made at once, learns its id, and then waits at a
// start gate until its suspend count is 0; a thread made without
// CREATE_SUSPENDED passes the gate at once. Closing the handle of a thread
// still at the gate lets it end without running its routine. The system
// thread is detached and keeps the state alive by its own reference, so
// closing the handle never ends or blocks a running thread.
//
// Thread ids are the kernel's thread ids, the numbering that the window and
// message functions use too.
#include "platform/Threads.h"

#include "Waitable.h"
#include "platform/LastError.h"

#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

class ThreadState final : public platform::WaitableState {
public:
  ThreadState(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD suspendCount)
      : start(start), parameter(parameter), suspendCount(suspendCount) {}
  bool signaled() const override { return finished; }
  bool mayPassGate() const { return suspendCount == 0 || abandoned; }

  const LPTHREAD_START_ROUTINE start;
  const LPVOID parameter;
  // The rest is guarded by waitableStateMutex.
  std::condition_variable gate;  // wakes the thread at its start gate, and its creator
  DWORD id = 0;                  // set by the thread before it waits at the gate
  DWORD suspendCount;
  bool abandoned = false;  // the handle was closed while the thread was at the gate
  int priority = THREAD_PRIORITY_NORMAL;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

// The handle of a thread: closing it releases a thread still at its gate.
class ThreadObject final : public platform::WaitableObject {
public:
  explicit ThreadObject(std::shared_ptr<ThreadState> state) : WaitableObject(state), thread_(std::move(state)) {}
  ~ThreadObject() override {
    std::lock_guard lock(platform::waitableStateMutex());
    thread_->abandoned = true;
    thread_->gate.notify_all();
  }

private:
  std::shared_ptr<ThreadState> thread_;
};

DWORD kernelThreadId() { return static_cast<DWORD>(gettid()); }

void runThread(const std::shared_ptr<ThreadState>& state) {
  {
    std::unique_lock lock(platform::waitableStateMutex());
    state->id = kernelThreadId();
    state->gate.notify_all();
    state->gate.wait(lock, [&] { return state->mayPassGate(); });
    if (state->suspendCount > 0) {
      // Never resumed: end without running the routine.
      state->finished = true;
      state->wakeWaiters();
      return;
    }
  }
  const DWORD exitCode = state->start(state->parameter);
  std::lock_guard lock(platform::waitableStateMutex());
  state->exitCode = exitCode;
  state->finished = true;
  state->wakeWaiters();
}

// Makes the system thread and waits until it knows its id; false (last
// error set) when the system refuses a thread.
bool launch(const std::shared_ptr<ThreadState>& state) {
  try {
    std::thread([state] { runThread(state); }).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  std::unique_lock lock(platform::waitableStateMutex());
  state->gate.wait(lock, [&] { return state->id != 0; });
  return true;
}

std::shared_ptr<ThreadState> threadOf(HANDLE thread) {
  auto* waitable = platform::lookupHandleAs<platform::WaitableObject>(thread);
  auto state = waitable ? std::dynamic_pointer_cast<ThreadState>(waitable->state()) : nullptr;
  if (!state) SetLastError(ERROR_INVALID_HANDLE);
  return state;
}

}  // namespace

HANDLE CreateThread(SECURITY_ATTRIBUTES* /*security*/, SIZE_T /*stackSize*/, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, DWORD* threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto state = std::make_shared<ThreadState>(start, parameter, (flags & CREATE_SUSPENDED) ? 1 : 0);
  if (!launch(state)) return nullptr;
  if (threadId) *threadId = state->id;
  return platform::registerHandle(new ThreadObject(std::move(state)));
}

DWORD ResumeThread(HANDLE thread) {
  const auto state = threadOf(thread);
  if (!state) return static_cast<DWORD>(-1);
  std::lock_guard lock(platform::waitableStateMutex());
  const DWORD previous = state->suspendCount;
  if (previous == 0) return 0;
  state->suspendCount = previous - 1;
  if (state->suspendCount == 0) state->gate.notify_all();
  return previous;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  const auto state = threadOf(thread);
  if (!state) return FALSE;
  std::lock_guard lock(platform::waitableStateMutex());
  state->priority = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  const auto state = threadOf(thread);
  if (!state) return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard lock(platform::waitableStateMutex());
  return state->priority;
}

DWORD GetCurrentThreadId() {
  // The id never changes for the life of a thread; asking the kernel once
  // keeps the critical sections' owner test cheap.
  thread_local DWORD cached = kernelThreadId();
  return cached;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  const auto state = threadOf(thread);
  if (!state || !exitCode) {
    if (state) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(platform::waitableStateMutex());
  *exitCode = state->exitCode;
  return TRUE;
}
