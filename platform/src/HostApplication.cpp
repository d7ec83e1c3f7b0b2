// The platform's default application object and the main thread's queue of
// synchronised calls.
#include "platform/HostApplication.h"

#include "MessageQueue.h"
#include "platform/WindowMessages.h"

#include <deque>
#include <mutex>

namespace {

struct MainThreadCalls {
  std::mutex mutex;
  std::deque<std::function<void()>> calls;
};

MainThreadCalls& mainThreadCalls() {
  static auto* instance = new MainThreadCalls;
  return *instance;
}

class DefaultHostApplication final : public platform::HostApplication {
public:
  void ProcessMessages() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // The quit stays visible through Terminated; it is not dispatched.
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  bool Terminated() override { return platform::quitPostedOnThisThread(); }
  void CheckSynchronize() override { platform::runMainThreadCalls(); }
};

}  // namespace

platform::HostApplication::~HostApplication() = default;

platform::HostApplication& platform::defaultHostApplication() {
  static auto* instance = new DefaultHostApplication;
  return *instance;
}

void platform::queueMainThreadCall(std::function<void()> call) {
  std::lock_guard lock(mainThreadCalls().mutex);
  mainThreadCalls().calls.push_back(std::move(call));
}

int platform::runMainThreadCalls() {
  int ran = 0;
  while (true) {
    std::function<void()> call;
    {
      std::lock_guard lock(mainThreadCalls().mutex);
      if (mainThreadCalls().calls.empty()) return ran;
      call = std::move(mainThreadCalls().calls.front());
      mainThreadCalls().calls.pop_front();
    }
    call();
    ++ran;
  }
}

bool platform::quitPostedOnThisThread() {
  MessageQueue* queue = currentQueue();
  return queue && queue->quitWasPosted();
}
