// Per-thread message queues with their timers and descriptor.
#include "MessageQueue.h"

#include "ClockWatchers.h"
#include "WindowDirectory.h"
#include "platform/Clock.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <map>

namespace {

// Every live queue by thread id. Leaked on purpose: queues of threads that
// outlive static destruction (or a host that exits without unloading us)
// still find it.
struct QueueRegistry {
  std::mutex mutex;
  std::map<DWORD, std::weak_ptr<platform::MessageQueue>> queues;
};

QueueRegistry& registry() {
  static auto* instance = new QueueRegistry;
  return *instance;
}

DWORD callingThreadId() { return static_cast<DWORD>(gettid()); }

// Owns the calling thread's queue; the queue goes when the thread ends.
struct ThreadQueueSlot {
  std::shared_ptr<platform::MessageQueue> queue;
  bool failed = false;
  ~ThreadQueueSlot() {
    if (!queue) return;
    std::lock_guard lock(registry().mutex);
    registry().queues.erase(queue->threadId());
  }
};

thread_local ThreadQueueSlot threadSlot;

void addToEpoll(int epollFd, int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event);
}

}  // namespace

platform::MessageQueue::MessageQueue() : threadId_(callingThreadId()) {
  epollFd_ = epoll_create1(EPOLL_CLOEXEC);
  eventFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (epollFd_ < 0 || eventFd_ < 0 || timerFd_ < 0) return;
  addToEpoll(epollFd_, eventFd_);
  addToEpoll(epollFd_, timerFd_);
}

platform::MessageQueue::~MessageQueue() {
  for (const ActivationSocket& entry : activation_) close(entry.socket);
  for (int fd : {timerFd_, eventFd_, epollFd_}) {
    if (fd >= 0) close(fd);
  }
}

void platform::MessageQueue::post(const MSG& message) {
  std::lock_guard lock(mutex_);
  posted_.push_back(message);
  refreshSignalLocked(clock().monotonicMs());
}

void platform::MessageQueue::postQuit(int exitCode) {
  std::lock_guard lock(mutex_);
  quitPending_ = true;
  quitEverPosted_ = true;
  quitCode_ = exitCode;
  refreshSignalLocked(clock().monotonicMs());
}

bool platform::MessageQueue::quitWasPosted() {
  std::lock_guard lock(mutex_);
  return quitEverPosted_;
}

platform::MessageQueue::Timer* platform::MessageQueue::earliestDueLocked(uint64_t nowMs) {
  Timer* earliest = nullptr;
  for (Timer& timer : timers_) {
    if (timer.dueMs > nowMs) continue;
    if (!earliest || timer.dueMs < earliest->dueMs) earliest = &timer;
  }
  return earliest;
}

bool platform::MessageQueue::hasWorkLocked(uint64_t nowMs) const {
  if (!posted_.empty() || quitPending_) return true;
  return std::any_of(timers_.begin(), timers_.end(), [nowMs](const Timer& timer) { return timer.dueMs <= nowMs; });
}

void platform::MessageQueue::refreshSignalLocked(uint64_t nowMs) {
  if (eventFd_ < 0) return;
  const bool work = hasWorkLocked(nowMs);
  if (work && !signaled_) {
    const uint64_t one = 1;
    if (write(eventFd_, &one, sizeof one) == sizeof one) signaled_ = true;
  } else if (!work && signaled_) {
    uint64_t count = 0;
    if (read(eventFd_, &count, sizeof count) == sizeof count) signaled_ = false;
  }

  // The kernel timer watches the next future due time; setting it also
  // clears an expiry that has been seen already.
  itimerspec due{};
  if (isSystemClockInForce()) {
    uint64_t next = UINT64_MAX;
    for (const Timer& timer : timers_) {
      if (timer.dueMs > nowMs) next = std::min(next, timer.dueMs);
    }
    if (next != UINT64_MAX) {
      due.it_value.tv_sec = static_cast<time_t>(next / 1000);
      due.it_value.tv_nsec = static_cast<long>(next % 1000) * 1'000'000;
    }
  }
  timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

void platform::MessageQueue::receiveActivationRequests() {
  std::vector<ActivationSocket> sockets;
  {
    std::lock_guard lock(mutex_);
    sockets = activation_;
  }
  for (const ActivationSocket& entry : sockets) {
    while (true) {
      const ActivationReceipt receipt = receiveActivationRequest(entry.socket);
      if (receipt == ActivationReceipt::kNone) break;
      if (receipt == ActivationReceipt::kAccepted) {
        post(MSG{entry.window, WM_ACTIVATE, WA_ACTIVE, 0, GetTickCount(), {}});
      }
    }
  }
}

bool platform::MessageQueue::take(MSG* out, bool remove) {
  receiveActivationRequests();
  std::lock_guard lock(mutex_);
  const uint64_t now = clock().monotonicMs();
  bool found = false;
  if (!posted_.empty()) {
    *out = posted_.front();
    if (remove) posted_.pop_front();
    found = true;
  } else if (quitPending_) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, static_cast<DWORD>(now), {}};
    if (remove) quitPending_ = false;
    found = true;
  } else if (Timer* timer = earliestDueLocked(now)) {
    *out = MSG{timer->window,           WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->procedure),
               static_cast<DWORD>(now), {}};
    if (remove) timer->dueMs = now + timer->periodMs;
    found = true;
  }
  refreshSignalLocked(now);
  return found;
}

void platform::MessageQueue::wait() {
  const int64_t untilTimer = millisecondsToNextTimer();
  if (!isSystemClockInForce() && untilTimer > 0) {
    // Waiting on another clock is sleeping on it: a virtual clock moves
    // straight to the timer's due time.
    clock().sleepMs(static_cast<uint32_t>(std::min<int64_t>(untilTimer, UINT32_MAX)));
    return;
  }
  if (untilTimer == 0) return;
  pollfd watch{epollFd_, POLLIN, 0};
  while (poll(&watch, 1, -1) < 0 && errno == EINTR) {}
}

UINT_PTR platform::MessageQueue::setTimer(HWND window, UINT_PTR eventId, UINT elapseMs, TIMERPROC procedure) {
  std::lock_guard lock(mutex_);
  const uint64_t now = clock().monotonicMs();
  const UINT period = std::max(elapseMs, USER_TIMER_MINIMUM);
  if (!window) {
    // A thread timer gets an id of its own, never one in use.
    eventId = nextThreadTimerId_++;
  }
  auto same = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& timer) { return timer.window == window && timer.id == eventId; });
  const Timer timer{window, eventId, period, procedure, now + period};
  if (same != timers_.end()) {
    *same = timer;
  } else {
    timers_.push_back(timer);
  }
  refreshSignalLocked(now);
  return eventId;
}

bool platform::MessageQueue::killTimer(HWND window, UINT_PTR eventId) {
  std::lock_guard lock(mutex_);
  const auto before = timers_.size();
  std::erase_if(timers_, [&](const Timer& timer) { return timer.window == window && timer.id == eventId; });
  refreshSignalLocked(clock().monotonicMs());
  return timers_.size() != before;
}

void platform::MessageQueue::killTimersOf(HWND window) {
  std::lock_guard lock(mutex_);
  std::erase_if(timers_, [&](const Timer& timer) { return timer.window == window; });
  refreshSignalLocked(clock().monotonicMs());
}

int64_t platform::MessageQueue::millisecondsToNextTimer() {
  std::lock_guard lock(mutex_);
  if (timers_.empty()) return -1;
  const uint64_t now = clock().monotonicMs();
  uint64_t next = UINT64_MAX;
  for (const Timer& timer : timers_) next = std::min(next, timer.dueMs);
  return next <= now ? 0 : static_cast<int64_t>(next - now);
}

void platform::MessageQueue::watchActivationSocket(int socket, HWND window) {
  std::lock_guard lock(mutex_);
  activation_.push_back({socket, window});
  addToEpoll(epollFd_, socket);
}

void platform::MessageQueue::forgetActivationSocket(HWND window) {
  std::lock_guard lock(mutex_);
  std::erase_if(activation_, [&](const ActivationSocket& entry) {
    if (entry.window != window) return false;
    epoll_ctl(epollFd_, EPOLL_CTL_DEL, entry.socket, nullptr);
    close(entry.socket);
    return true;
  });
}

void platform::MessageQueue::refresh() {
  std::lock_guard lock(mutex_);
  refreshSignalLocked(clock().monotonicMs());
}

platform::MessageQueue* platform::currentQueue() {
  ThreadQueueSlot& slot = threadSlot;
  if (slot.queue) return slot.queue.get();
  if (slot.failed) return nullptr;
  auto queue = std::make_shared<MessageQueue>();
  if (queue->descriptor() < 0) {
    slot.failed = true;
    return nullptr;
  }
  {
    std::lock_guard lock(registry().mutex);
    registry().queues[queue->threadId()] = queue;
  }
  slot.queue = std::move(queue);
  return slot.queue.get();
}

std::shared_ptr<platform::MessageQueue> platform::queueOfThread(DWORD threadId) {
  std::lock_guard lock(registry().mutex);
  auto found = registry().queues.find(threadId);
  return found == registry().queues.end() ? nullptr : found->second.lock();
}

void platform::notifyClockMoved() {
  std::vector<std::shared_ptr<MessageQueue>> queues;
  {
    std::lock_guard lock(registry().mutex);
    for (auto& [id, weak] : registry().queues) {
      if (auto queue = weak.lock()) queues.push_back(std::move(queue));
    }
  }
  for (auto& queue : queues) queue->refresh();
}

void PostQuitMessage(int exitCode) {
  if (auto* queue = platform::currentQueue()) queue->postQuit(exitCode);
}

BOOL GetMessageW(MSG* message, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/) {
  auto* queue = platform::currentQueue();
  if (!queue || !message) return -1;
  while (!queue->take(message, /*remove=*/true)) queue->wait();
  return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* message, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/, UINT removeFlags) {
  auto* queue = platform::currentQueue();
  if (!queue || !message) return FALSE;
  return queue->take(message, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* /*message*/) { return FALSE; }

int platform::messageQueueDescriptor() {
  auto* queue = currentQueue();
  return queue ? queue->descriptor() : -1;
}

int64_t platform::millisecondsToNextTimer() {
  auto* queue = currentQueue();
  return queue ? queue->millisecondsToNextTimer() : -1;
}
