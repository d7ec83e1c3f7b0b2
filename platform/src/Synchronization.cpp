// Waits on kernel objects, and events.
#include "platform/Synchronization.h"

#include "Waitable.h"
#include "platform/Clock.h"
#include "platform/LastError.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

// The longest a timed wait blocks before it reads the platform clock again.
constexpr uint64_t kClockRecheckMs = 50;

class EventState final : public platform::WaitableState {
public:
  EventState(bool manualReset, bool set) : manualReset_(manualReset), set_(set) {}
  bool signaled() const override { return set_; }
  void acquire() override {
    if (!manualReset_) set_ = false;
  }
  void set(bool value) { set_ = value; }

private:
  const bool manualReset_;
  bool set_;  // guarded by waitableStateMutex
};

// With the mutex held: takes the signalled objects and answers the wait's
// result, or nothing while the wait is not satisfied.
std::optional<DWORD> trySatisfy(std::span<const std::shared_ptr<platform::WaitableState>> states, bool waitAll) {
  if (waitAll) {
    const bool all = std::all_of(states.begin(), states.end(), [](const auto& state) { return state->signaled(); });
    if (!all) return std::nullopt;
    for (const auto& state : states) state->acquire();
    return WAIT_OBJECT_0;
  }
  for (size_t index = 0; index < states.size(); ++index) {
    if (!states[index]->signaled()) continue;
    states[index]->acquire();
    return WAIT_OBJECT_0 + static_cast<DWORD>(index);
  }
  return std::nullopt;
}

std::shared_ptr<platform::WaitableState> stateOf(HANDLE object) {
  auto* waitable = platform::lookupHandleAs<platform::WaitableObject>(object);
  return waitable ? waitable->state() : nullptr;
}

EventState* eventOf(HANDLE event) {
  auto* waitable = platform::lookupHandleAs<platform::WaitableObject>(event);
  auto* state = waitable ? dynamic_cast<EventState*>(waitable->state().get()) : nullptr;
  if (!state) SetLastError(ERROR_INVALID_HANDLE);
  return state;
}

}  // namespace

std::mutex& platform::waitableStateMutex() {
  static std::mutex mutex;
  return mutex;
}

platform::WaitableState::~WaitableState() = default;

void platform::WaitableState::wakeWaiters() {
  for (std::condition_variable* waiter : waiters) waiter->notify_one();
}

DWORD platform::waitForStates(std::span<const std::shared_ptr<WaitableState>> states, bool waitAll,
                              DWORD milliseconds) {
  std::condition_variable wakeUp;
  std::unique_lock lock(waitableStateMutex());
  for (const auto& state : states) state->waiters.push_back(&wakeUp);
  const uint64_t start = clock().monotonicMs();
  DWORD result = WAIT_TIMEOUT;
  for (;;) {
    if (const auto satisfied = trySatisfy(states, waitAll)) {
      result = *satisfied;
      break;
    }
    if (milliseconds == INFINITE) {
      wakeUp.wait(lock);
      continue;
    }
    const uint64_t elapsed = clock().monotonicMs() - start;
    if (elapsed >= milliseconds) break;
    const uint64_t slice = std::min<uint64_t>(milliseconds - elapsed, kClockRecheckMs);
    wakeUp.wait_for(lock, std::chrono::milliseconds(slice));
  }
  for (const auto& state : states) std::erase(state->waiters, &wakeUp);
  return result;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto* waitable = dynamic_cast<platform::WaitableObject*>(platform::lookupHandle(object));
  if (!waitable) return platform::waitForProcess(object, milliseconds);
  const std::shared_ptr<platform::WaitableState> states[] = {waitable->state()};
  return platform::waitForStates(states, /*waitAll=*/false, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !objects) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<platform::WaitableState>> states;
  states.reserve(count);
  for (DWORD index = 0; index < count; ++index) {
    auto state = stateOf(objects[index]);
    if (!state) return WAIT_FAILED;
    states.push_back(std::move(state));
  }
  return platform::waitForStates(states, waitAll != FALSE, milliseconds);
}

HANDLE CreateEventW(SECURITY_ATTRIBUTES* /*security*/, BOOL manualReset, BOOL initialState, LPCWSTR /*name*/) {
  auto state = std::make_shared<EventState>(manualReset != FALSE, initialState != FALSE);
  return platform::registerHandle(new platform::WaitableObject(std::move(state)));
}

BOOL SetEvent(HANDLE event) {
  EventState* state = eventOf(event);
  if (!state) return FALSE;
  std::lock_guard lock(platform::waitableStateMutex());
  state->set(true);
  state->wakeWaiters();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  EventState* state = eventOf(event);
  if (!state) return FALSE;
  std::lock_guard lock(platform::waitableStateMutex());
  state->set(false);
  return TRUE;
}
