// The default application object and the queue of synchronised calls.
#include "platform/HostApplication.h"

#include "MessageQueue.h"

#include "platform/WindowMessages.h"

#include <deque>
#include <mutex>

namespace {

class DefaultHostApplication final : public platform::HostApplication {
public:
  void ProcessMessages() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  bool Terminated() override { return platform::quitWasPostedOnThisThread(); }
  void CheckSynchronize() override { platform::runSynchronizedCalls(); }
};

struct SynchronizedCalls {
  std::mutex mutex;
  std::deque<std::function<void()>> calls;
};

// Never destroyed: worker threads may still queue while the process exits.
SynchronizedCalls& synchronizedCalls() {
  static auto* calls = new SynchronizedCalls;
  return *calls;
}

}  // namespace

platform::HostApplication::~HostApplication() = default;

platform::HostApplication* platform::defaultHostApplication() {
  static DefaultHostApplication application;
  return &application;
}

void platform::queueSynchronizedCall(std::function<void()> call) {
  if (!call) return;
  auto& queue = synchronizedCalls();
  std::lock_guard lock(queue.mutex);
  queue.calls.push_back(std::move(call));
}

size_t platform::runSynchronizedCalls() {
  std::deque<std::function<void()>> due;
  {
    auto& queue = synchronizedCalls();
    std::lock_guard lock(queue.mutex);
    due.swap(queue.calls);
  }
  // Run outside the lock: a call may queue the next one.
  for (auto& call : due) call();
  return due.size();
}

bool platform::quitWasPostedOnThisThread() {
  auto* queue = platform::currentQueue();
  return queue != nullptr && queue->quitWasPosted();
}
