#include "platform/Handles.h"
#include "platform/Synchronization.h"
#include "platform/TThread.h"
#include "platform/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Waits in these tests run on the system clock: the threads poll on their
// own, which a virtual clock cannot drive. Short time-outs keep them fast;
// the long ones only bound a failure.
constexpr DWORD kShortMs = 30;
constexpr DWORD kBoundMs = 5000;

struct Counter {
  std::atomic<int> runs{0};
  HANDLE gate = nullptr;  // an event the routine waits on first, when set
};

DWORD countRun(LPVOID parameter) {
  auto* counter = static_cast<Counter*>(parameter);
  if (counter->gate) WaitForSingleObject(counter->gate, kBoundMs);
  return 40 + ++counter->runs;
}

TEST(ThreadsTest, SuspendedThreadRunsOnlyAfterResumeAndSignalsWithItsExitCode) {
  Counter counter;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, countRun, &counter, CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());

  EXPECT_EQ(WaitForSingleObject(thread, kShortMs), WAIT_TIMEOUT);
  EXPECT_EQ(counter.runs, 0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, kBoundMs), WAIT_OBJECT_0);
  EXPECT_EQ(counter.runs, 1);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 41u);
  // A finished thread stays signalled, and resuming it again does nothing.
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(thread), 0u);
  EXPECT_EQ(counter.runs, 1);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadsTest, ThreadSeesItsOwnIdAndRunsOnAfterItsHandleIsClosed) {
  struct Probe {
    DWORD seenId = 0;
    HANDLE gate;
    HANDLE done;
  } probe{0, CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  DWORD id = 0;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID parameter) -> DWORD {
        auto* probe = static_cast<Probe*>(parameter);
        WaitForSingleObject(probe->gate, kBoundMs);
        probe->seenId = GetCurrentThreadId();
        SetEvent(probe->done);
        return 0;
      },
      &probe, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  SetEvent(probe.gate);
  EXPECT_EQ(WaitForSingleObject(probe.done, kBoundMs), WAIT_OBJECT_0);
  EXPECT_EQ(probe.seenId, id);
  CloseHandle(probe.gate);
  CloseHandle(probe.done);
}

TEST(ThreadsTest, PriorityIsRecordedAndBadHandlesAreRefused) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, countRun, &counter, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_HIGHEST);

  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(ResumeThread(event), static_cast<DWORD>(-1));
  EXPECT_EQ(GetThreadPriority(event), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_FALSE(SetEvent(thread));
  int dummy = 0;
  EXPECT_EQ(WaitForSingleObject(&dummy, 0), WAIT_FAILED);
  const HANDLE mixed[] = {event, &dummy};
  EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(0, mixed, FALSE, 0), WAIT_FAILED);
  // Closing a thread that never started frees it without running it.
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_TRUE(CloseHandle(event));
  EXPECT_EQ(counter.runs, 0);
}

// Two threads wait on the event while it is set once; how many got through.
// Each waiter gives up after 300 ms, so one the event leaves behind ends on
// its own.
int throughAfterOneSet(HANDLE event) {
  std::atomic<int> through{0};
  struct Waiter {
    HANDLE event;
    std::atomic<int>* through;
  } waiter{event, &through};
  auto waitOnce = [](LPVOID parameter) -> DWORD {
    auto* waiter = static_cast<Waiter*>(parameter);
    if (WaitForSingleObject(waiter->event, 300) == WAIT_OBJECT_0) ++*waiter->through;
    return 0;
  };
  HANDLE threads[] = {CreateThread(nullptr, 0, waitOnce, &waiter, 0, nullptr),
                      CreateThread(nullptr, 0, waitOnce, &waiter, 0, nullptr)};
  std::this_thread::sleep_for(std::chrono::milliseconds(kShortMs));
  SetEvent(event);
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, kBoundMs), WAIT_OBJECT_0);
  for (HANDLE thread : threads) CloseHandle(thread);
  return through;
}

TEST(EventTest, AutoResetReleasesOneWaiterManualResetReleasesAll) {
  HANDLE autoEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(throughAfterOneSet(autoEvent), 1) << "auto-reset";
  // The released wait took the signal.
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);

  HANDLE manualEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(throughAfterOneSet(manualEvent), 2) << "manual reset";
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(manualEvent));
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_TIMEOUT);
  CloseHandle(autoEvent);
  CloseHandle(manualEvent);
}

TEST(EventTest, WaitForMultipleObjectsAnyAndAll) {
  HANDLE events[] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr),
                     CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, kShortMs), WAIT_TIMEOUT);

  // Any: the lowest signalled index, which is taken; others stay set.
  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);

  // All: nothing is taken while one is missing.
  EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, kShortMs), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);  // manual: still set
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[1], 0), WAIT_OBJECT_0) << "all-wait took one early";

  // All, completed by another thread while waiting.
  SetEvent(events[1]);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(kShortMs));
    SetEvent(events[0]);
  });
  EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, kBoundMs), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[1], 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);
  for (HANDLE event : events) CloseHandle(event);
}

TEST(CriticalSectionTest, OwnerReentersOthersAreRefusedUntilFullyLeft) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  auto tryFromOtherThread = [&] {
    BOOL entered = FALSE;
    std::thread other([&] {
      entered = TryEnterCriticalSection(&section);
      if (entered) LeaveCriticalSection(&section);
    });
    other.join();
    return entered;
  };

  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // the owner goes one level deeper
  EXPECT_FALSE(tryFromOtherThread());
  LeaveCriticalSection(&section);
  EXPECT_FALSE(tryFromOtherThread()) << "free after one leave of two";
  LeaveCriticalSection(&section);
  EXPECT_TRUE(tryFromOtherThread());

  // A leave by a thread that does not own the section changes nothing.
  EnterCriticalSection(&section);
  std::thread intruder([&] { LeaveCriticalSection(&section); });
  intruder.join();
  EXPECT_FALSE(tryFromOtherThread());
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
  EXPECT_EQ(section.lock, nullptr);
}

TEST(CriticalSectionTest, ExcludesConcurrentWriters) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  long total = 0;  // unsynchronised but for the section: a race shows under the sanitizers
  auto add = [&] {
    for (int i = 0; i < 20000; ++i) {
      EnterCriticalSection(&section);
      EnterCriticalSection(&section);
      ++total;
      LeaveCriticalSection(&section);
      LeaveCriticalSection(&section);
    }
  };
  std::thread first(add), second(add);
  first.join();
  second.join();
  EXPECT_EQ(total, 40000);
  DeleteCriticalSection(&section);
}

class PollingThread : public TThread {
public:
  explicit PollingThread(bool createSuspended, std::atomic<int>* executed = nullptr)
      : TThread(createSuspended), executed_(executed) {}
  ~PollingThread() override {
    Terminate();
    WaitFor();
  }

protected:
  void Execute() override {
    if (executed_) ++*executed_;
    while (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SetReturnValue(7);
  }

private:
  std::atomic<int>* executed_;
};

// Replaces the after-construction step, as a scanner that waits for its
// start call does.
class HeldThread : public PollingThread {
public:
  using PollingThread::PollingThread;
  void AfterConstruction() override {}
};

TEST(TThreadTest, TerminateIsSeenByExecuteAndWaitForReturns) {
  std::atomic<int> executed{0};
  auto* thread = platform::newThread<PollingThread>(false, &executed);
  EXPECT_FALSE(thread->Suspended());
  thread->Terminate();
  EXPECT_TRUE(thread->Terminated());
  EXPECT_EQ(thread->WaitFor(), 7u);
  EXPECT_TRUE(thread->Finished());
  EXPECT_EQ(executed, 1);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread->Handle(), &code));
  EXPECT_EQ(code, 7u);
  delete thread;
}

TEST(TThreadTest, SuspendedThreadsRunOnlyWhenResumed) {
  std::atomic<int> executed{0};
  // Destroyed without ever being started: Execute never runs.
  delete platform::newThread<PollingThread>(true, &executed);

  // A replaced after-construction step keeps it suspended until Resume.
  auto* held = platform::newThread<HeldThread>(false, &executed);
  EXPECT_TRUE(held->Suspended());
  std::this_thread::sleep_for(std::chrono::milliseconds(kShortMs));
  EXPECT_EQ(executed, 0);
  EXPECT_FALSE(held->Finished());
  held->Resume();
  // Destruction terminates and joins the running thread.
  delete held;
  EXPECT_EQ(executed, 1);
}

}  // namespace
