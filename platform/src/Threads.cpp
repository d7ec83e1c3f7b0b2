// Threads on std::thread, as waitable kernel objects.
//
// A suspended thread does not exist yet: its routine and parameter wait in
// the state until the suspend count reaches 0, and only then is the system
// thread made. The system thread is detached and keeps the state alive by
// its own reference, so closing the handle never ends or blocks it.
#include "platform/Threads.h"

#include "Waitable.h"
#include "platform/LastError.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace {

class ThreadState final : public platform::WaitableState {
public:
  ThreadState(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD id)
      : start(start), parameter(parameter), id(id) {}
  bool signaled() const override { return finished; }

  const LPTHREAD_START_ROUTINE start;
  const LPVOID parameter;
  const DWORD id;
  // Guarded by waitableStateMutex.
  DWORD suspendCount = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

std::atomic<DWORD>& lastThreadId() {
  static std::atomic<DWORD> id{0};
  return id;
}

DWORD newThreadId() { return lastThreadId().fetch_add(1, std::memory_order_relaxed) + 1; }

// 0 until the thread first asks for its id (threads we start get theirs
// before their routine runs).
thread_local DWORD currentThreadId = 0;

void runThread(const std::shared_ptr<ThreadState>& state) {
  currentThreadId = state->id;
  const DWORD exitCode = state->start(state->parameter);
  std::lock_guard lock(platform::waitableStateMutex());
  state->exitCode = exitCode;
  state->finished = true;
  state->wakeWaiters();
}

// Makes the system thread; false (last error set) when the system refuses.
bool launch(const std::shared_ptr<ThreadState>& state) {
  try {
    std::thread([state] { runThread(state); }).detach();
    return true;
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
}

std::shared_ptr<ThreadState> threadOf(HANDLE thread) {
  auto* waitable = platform::lookupHandleAs<platform::WaitableObject>(thread);
  auto state = waitable ? std::dynamic_pointer_cast<ThreadState>(waitable->state()) : nullptr;
  if (!state) SetLastError(ERROR_INVALID_HANDLE);
  return state;
}

}  // namespace

HANDLE CreateThread(SECURITY_ATTRIBUTES* /*security*/, SIZE_T /*stackSize*/,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    DWORD* threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto state = std::make_shared<ThreadState>(start, parameter, newThreadId());
  if (flags & CREATE_SUSPENDED) {
    state->suspendCount = 1;
  } else if (!launch(state)) {
    return nullptr;
  }
  if (threadId) *threadId = state->id;
  return platform::registerHandle(new platform::WaitableObject(std::move(state)));
}

DWORD ResumeThread(HANDLE thread) {
  const auto state = threadOf(thread);
  if (!state) return static_cast<DWORD>(-1);
  std::lock_guard lock(platform::waitableStateMutex());
  const DWORD previous = state->suspendCount;
  if (previous == 0) return 0;
  if (previous == 1 && !launch(state)) return static_cast<DWORD>(-1);
  state->suspendCount = previous - 1;
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
  if (currentThreadId == 0) currentThreadId = newThreadId();
  return currentThreadId;
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
