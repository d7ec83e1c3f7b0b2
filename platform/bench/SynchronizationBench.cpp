// Critical sections and events against libstdc++'s recursive mutex and
// condition variable on the same loops. Arg 0 runs ours, 1 the standard one.
#include "platform/Handles.h"
#include "platform/Synchronization.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// One shared counter guarded by either lock; the benchmark's threads add to it.
struct GuardedCounter {
  GuardedCounter() { InitializeCriticalSection(&section); }
  ~GuardedCounter() { DeleteCriticalSection(&section); }
  CRITICAL_SECTION section;
  std::recursive_mutex mutex;
  long value = 0;
};

GuardedCounter& counter() {
  static GuardedCounter instance;
  return instance;
}

void BM_EnterLeave(benchmark::State& state) {
  const bool ours = state.range(0) == 0;
  GuardedCounter& shared = counter();
  for (auto _ : state) {
    if (ours) {
      EnterCriticalSection(&shared.section);
      ++shared.value;
      LeaveCriticalSection(&shared.section);
    } else {
      std::lock_guard lock(shared.mutex);
      ++shared.value;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EnterLeave)->Arg(0)->Arg(1)->Threads(1)->Threads(2)->UseRealTime();

void BM_TryEnter(benchmark::State& state) {
  const bool ours = state.range(0) == 0;
  GuardedCounter& shared = counter();
  for (auto _ : state) {
    if (ours) {
      if (TryEnterCriticalSection(&shared.section)) {
        ++shared.value;
        LeaveCriticalSection(&shared.section);
      }
    } else if (shared.mutex.try_lock()) {
      ++shared.value;
      shared.mutex.unlock();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TryEnter)->Arg(0)->Arg(1);

// A standard-library event: a flag under a mutex with a condition variable.
class StdEvent {
public:
  void set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_one();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_; });
    set_ = false;
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// Two threads hand a turn back and forth through two auto-reset events;
// one iteration is one round trip.
void BM_EventPingPong(benchmark::State& state) {
  const bool ours = state.range(0) == 0;
  HANDLE ping = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE pong = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  StdEvent stdPing, stdPong;
  bool stop = false;  // written before the last ping, read after it
  std::thread partner([&] {
    for (;;) {
      if (ours) {
        WaitForSingleObject(ping, INFINITE);
      } else {
        stdPing.wait();
      }
      if (stop) return;
      if (ours) {
        SetEvent(pong);
      } else {
        stdPong.set();
      }
    }
  });
  for (auto _ : state) {
    if (ours) {
      SetEvent(ping);
      WaitForSingleObject(pong, INFINITE);
    } else {
      stdPing.set();
      stdPong.wait();
    }
  }
  stop = true;
  if (ours) {
    SetEvent(ping);
  } else {
    stdPing.set();
  }
  partner.join();
  CloseHandle(ping);
  CloseHandle(pong);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventPingPong)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace
