// Critical sections: a recursive lock that knows its owner.
//
// The owner is read without the lock only by a thread that compares it with
// its own id: no other thread can store that id, so a stale read can never
// pass the test by mistake.
#include "platform/Synchronization.h"

#include "platform/Threads.h"

#include <atomic>
#include <mutex>

class platform::RecursiveLock {
public:
  void enter() {
    const DWORD self = GetCurrentThreadId();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    mutex_.lock();
    take(self);
  }

  bool tryEnter() {
    const DWORD self = GetCurrentThreadId();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    if (!mutex_.try_lock()) return false;
    take(self);
    return true;
  }

  void leave() {
    if (owner_.load(std::memory_order_relaxed) != GetCurrentThreadId()) return;
    if (--depth_ > 0) return;
    owner_.store(0, std::memory_order_relaxed);
    mutex_.unlock();
  }

private:
  void take(DWORD self) {
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }

  std::mutex mutex_;
  std::atomic<DWORD> owner_{0};  // id of the thread inside, 0 when free
  unsigned depth_ = 0;           // times the owner entered; only the owner touches it
};

void InitializeCriticalSection(CRITICAL_SECTION* section) { section->lock = new platform::RecursiveLock; }

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  delete section->lock;
  section->lock = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* section) { section->lock->enter(); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) { return section->lock->tryEnter() ? TRUE : FALSE; }

void LeaveCriticalSection(CRITICAL_SECTION* section) { section->lock->leave(); }
