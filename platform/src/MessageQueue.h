// One thread's message queue: its posted messages, its quit flag, its timers
// and the descriptor a host event loop watches.
//
// Representation:
//   posted_        messages in the order they were posted (any thread appends)
//   quitPending_   set by PostQuitMessage; handed out as WM_QUIT once posted_
//                  is empty, then cleared
//   timers_        one entry per (window, id); dueMs_ on the platform clock's
//                  monotonic time. A due timer is handed out as WM_TIMER and
//                  its next period starts when that message is removed, so a
//                  timer never has two WM_TIMERs pending.
//   activation_    sockets of this thread's top-level windows on which other
//                  processes send activation requests (WindowDirectory.cpp)
//
// The descriptor is an epoll set over an eventfd, a timerfd and the
// activation sockets. The eventfd is kept readable exactly while something
// can be handed out now (refreshSignalLocked); the timerfd is armed at the
// earliest future due time under the system clock, so the set also becomes
// readable when that time comes. Under another clock the timerfd stays
// disarmed and the clock's steps call refresh() instead.
#pragma once

#include "platform/WindowMessages.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class MessageQueue {
public:
  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  DWORD threadId() const { return threadId_; }
  int descriptor() const { return epollFd_; }

  void post(const MSG& message);
  void postQuit(int exitCode);
  // True once postQuit was called, also after the WM_QUIT was taken.
  bool quitWasPosted();

  // The next message without waiting; false when there is none.
  bool take(MSG* out, bool remove);
  // Blocks until take() may find something (a post, a due timer, a request).
  void wait();

  UINT_PTR setTimer(HWND window, UINT_PTR eventId, UINT elapseMs, TIMERPROC procedure);
  bool killTimer(HWND window, UINT_PTR eventId);
  void killTimersOf(HWND window);
  int64_t millisecondsToNextTimer();

  // Watches `socket` for activation requests to `window`; the queue closes
  // it when the window leaves (forgetActivationSocket) or the queue ends.
  void watchActivationSocket(int socket, HWND window);
  void forgetActivationSocket(HWND window);

  // Re-checks the timers against the clock (the clock moved).
  void refresh();

private:
  struct Timer {
    HWND window;
    UINT_PTR id;
    UINT periodMs;
    TIMERPROC procedure;
    uint64_t dueMs;
  };
  struct ActivationSocket {
    int socket;
    HWND window;
  };

  void refreshSignalLocked(uint64_t nowMs);
  bool hasWorkLocked(uint64_t nowMs) const;
  Timer* earliestDueLocked(uint64_t nowMs);
  void receiveActivationRequests();

  const DWORD threadId_;
  int epollFd_ = -1;
  int eventFd_ = -1;
  int timerFd_ = -1;

  std::mutex mutex_;
  std::deque<MSG> posted_;
  bool quitPending_ = false;
  bool quitEverPosted_ = false;  // sticky: the thread's loop was told to end
  int quitCode_ = 0;
  std::vector<Timer> timers_;
  std::vector<ActivationSocket> activation_;
  bool signaled_ = false;  // the eventfd holds a count
  UINT_PTR nextThreadTimerId_ = 1;
};

// The calling thread's queue, made on first use; null when the kernel
// objects behind it cannot be made.
MessageQueue* currentQueue();
// The queue of a live thread by platform thread id, shared so that a post
// from another thread keeps it alive while it appends.
std::shared_ptr<MessageQueue> queueOfThread(DWORD threadId);

// The activation request datagram; anything else is ignored.
inline constexpr char kActivationRequest[] = "activate";

}  // namespace platform
