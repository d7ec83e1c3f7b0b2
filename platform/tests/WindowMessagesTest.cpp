// Message queues, windows and timers.
#include "platform/WindowMessages.h"

#include "platform/Clock.h"
#include "platform/LastError.h"

#include "testsupport/MessageQueue.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <thread>
#include <vector>

namespace {

// What the test window procedure saw, in order.
struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
thread_local std::vector<Seen> seen;

LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({window, message, wParam, lParam});
  return 0;
}

struct TimerCall {
  HWND window;
  UINT_PTR id;
};
thread_local std::vector<TimerCall> timerCalls;

void recordingTimer(HWND window, UINT /*message*/, UINT_PTR id, DWORD /*time*/) { timerCalls.push_back({window, id}); }

bool descriptorReadable() {
  pollfd watch{platform::messageQueueDescriptor(), POLLIN, 0};
  return poll(&watch, 1, 0) == 1;
}

using testsupport::drainMessages;

class WindowMessagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.lpfnWndProc = recordingProcedure;
      windowClass.lpszClassName = u"ZefTestWindow";
      ASSERT_NE(RegisterClassExW(&windowClass), 0);
      registered = true;
    }
    window_ = CreateWindowExW(0, u"ZefTestWindow", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    drainMessages();
    seen.clear();
    timerCalls.clear();
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    drainMessages();
  }

  HWND window_ = nullptr;
};

TEST_F(WindowMessagesTest, WindowLifeAndUserData) {
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ(SetWindowLongPtrW(window_, GWLP_USERDATA, 0x1234), 0);
  EXPECT_EQ(GetWindowLongPtrW(window_, GWLP_USERDATA), 0x1234);
  // A class name is registered once, compared ignoring case.
  WNDCLASSEXW again{};
  again.lpfnWndProc = recordingProcedure;
  again.lpszClassName = u"zeftestwindow";
  EXPECT_EQ(RegisterClassExW(&again), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr), nullptr);

  ASSERT_TRUE(DestroyWindow(window_));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, WM_DESTROY);
  EXPECT_FALSE(IsWindow(window_));
  // Posting to a destroyed window fails; the handle is not handed out again.
  EXPECT_FALSE(PostMessageW(window_, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  const HWND next = CreateWindowExW(0, u"ZefTestWindow", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  EXPECT_NE(next, window_);
  DestroyWindow(next);
}

TEST_F(WindowMessagesTest, PeekGetAndDispatchInPostOrderThenQuit) {
  EXPECT_FALSE(descriptorReadable());
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));

  ASSERT_TRUE(PostMessageW(window_, WM_USER + 1, 10, 20));
  ASSERT_TRUE(PostMessageW(window_, WM_USER + 2, 0, 0));
  PostQuitMessage(7);
  // A quit posted after a message is handed out only after it.
  ASSERT_TRUE(PostMessageW(window_, WM_USER + 3, 0, 0));
  EXPECT_TRUE(descriptorReadable());

  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_USER + 1u);
  ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_USER + 1u);
  EXPECT_EQ(message.wParam, 10u);
  EXPECT_EQ(message.lParam, 20);
  DispatchMessageW(&message);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].window, window_);
  EXPECT_EQ(seen[0].message, WM_USER + 1u);

  EXPECT_TRUE(GetMessageW(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_USER + 2u);
  EXPECT_TRUE(GetMessageW(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_USER + 3u);
  EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_FALSE(descriptorReadable());
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowMessagesTest, PostsFromSeveralThreadsKeepEachSendersOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 200;
  std::vector<std::thread> senders;
  for (int sender = 0; sender < kThreads; ++sender) {
    senders.emplace_back([this, sender] {
      for (int i = 0; i < kPerThread; ++i) {
        PostMessageW(window_, WM_USER, static_cast<WPARAM>(sender), i);
      }
    });
  }
  for (auto& thread : senders) thread.join();
  EXPECT_EQ(drainMessages(), kThreads * kPerThread);
  std::vector<LPARAM> last(kThreads, -1);
  for (const Seen& item : seen) {
    EXPECT_EQ(item.lParam, last[item.wParam] + 1) << "sender " << item.wParam;
    last[item.wParam] = item.lParam;
  }
}

TEST_F(WindowMessagesTest, MessageForAWindowDestroyedMeanwhileIsDropped) {
  PostMessageW(window_, WM_USER, 0, 0);
  DestroyWindow(window_);
  seen.clear();
  EXPECT_EQ(drainMessages(), 1);
  EXPECT_TRUE(seen.empty());
}

TEST_F(WindowMessagesTest, TimersOnTheVirtualClock) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  // An object pointer as the event id reaches the timer procedure unchanged.
  int owner = 0;
  const auto id = reinterpret_cast<UINT_PTR>(&owner);
  ASSERT_EQ(SetTimer(window_, id, 1000, recordingTimer), id);

  struct Step {
    uint64_t advanceMs;
    bool readable;  // the descriptor after the step, before pumping
    size_t calls;   // timer procedure calls after pumping
  };
  const Step steps[] = {
      {999, false, 0},
      {1, true, 1},
      // Not pumped for three periods: still one WM_TIMER only.
      {3000, true, 2},
      {500, false, 2},
      {500, true, 3},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    clock.advance(steps[i].advanceMs);
    EXPECT_EQ(descriptorReadable(), steps[i].readable) << "step " << i;
    drainMessages();
    EXPECT_EQ(timerCalls.size(), steps[i].calls) << "step " << i;
    EXPECT_FALSE(descriptorReadable()) << "step " << i;
  }
  ASSERT_FALSE(timerCalls.empty());
  EXPECT_EQ(timerCalls.back().window, window_);
  EXPECT_EQ(timerCalls.back().id, id);

  // The same window and id again replaces the timer and restarts its period.
  clock.advance(600);
  ASSERT_EQ(SetTimer(window_, id, 200, recordingTimer), id);
  clock.advance(199);
  EXPECT_EQ(drainMessages(), 0);
  clock.advance(1);
  EXPECT_EQ(drainMessages(), 1);
  EXPECT_EQ(timerCalls.size(), 4u);

  // Posted messages come before a due timer.
  clock.advance(200);
  PostMessageW(window_, WM_USER, 0, 0);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_TIMER);

  EXPECT_TRUE(KillTimer(window_, id));
  EXPECT_FALSE(KillTimer(window_, id));
  clock.advance(10'000);
  EXPECT_FALSE(descriptorReadable());
  EXPECT_EQ(drainMessages(), 0);
}

TEST_F(WindowMessagesTest, TimerWithoutProcedureGoesToTheWindowAndDiesWithIt) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  ASSERT_EQ(SetTimer(window_, 5, 100, nullptr), 5u);
  // GetMessageW waits on the platform clock: a virtual clock moves to the
  // due time at once.
  MSG message;
  const uint64_t before = clock.monotonicMs();
  ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
  EXPECT_EQ(clock.monotonicMs() - before, 100u);
  EXPECT_EQ(message.message, WM_TIMER);
  DispatchMessageW(&message);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, WM_TIMER);
  EXPECT_EQ(seen[0].wParam, 5u);

  DestroyWindow(window_);
  clock.advance(1000);
  EXPECT_FALSE(descriptorReadable());
  EXPECT_EQ(platform::millisecondsToNextTimer(), -1);
}

TEST_F(WindowMessagesTest, ThreadTimersGetTheirOwnIds) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  const UINT_PTR first = SetTimer(nullptr, 77, 50, recordingTimer);
  const UINT_PTR second = SetTimer(nullptr, 77, 50, recordingTimer);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  clock.advance(50);
  EXPECT_EQ(drainMessages(), 2);
  EXPECT_EQ(timerCalls.size(), 2u);
  KillTimer(nullptr, first);
  KillTimer(nullptr, second);
}

TEST_F(WindowMessagesTest, SystemClockTimerMakesTheDescriptorReadable) {
  ASSERT_NE(SetTimer(window_, 1, 30, recordingTimer), 0u);
  EXPECT_FALSE(descriptorReadable());
  pollfd watch{platform::messageQueueDescriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&watch, 1, 5000), 1);
  EXPECT_EQ(drainMessages(), 1);
  EXPECT_FALSE(descriptorReadable());
  KillTimer(window_, 1);
}

TEST_F(WindowMessagesTest, PostFromAnotherThreadWakesGetMessage) {
  std::thread poster([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessageW(window_, WM_USER + 9, 0, 0);
  });
  MSG message;
  ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_USER + 9u);
  poster.join();
}

TEST_F(WindowMessagesTest, TimersBelongToTheWindowsThread) {
  std::thread other([this] {
    EXPECT_EQ(SetTimer(window_, 1, 100, recordingTimer), 0u);
    EXPECT_FALSE(DestroyWindow(window_));
  });
  other.join();
  EXPECT_TRUE(IsWindow(window_));
}

}  // namespace
