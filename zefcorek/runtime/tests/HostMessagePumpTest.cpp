// The message-pump hooks: the running-pump flag, a pump started inside a
// pump, the fallback to the platform's application object.
#include "zefcorek/HostMessagePump.h"

#include "zefcorek/DebugLog.h"

#include "platform/HostApplication.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps the text of every entry written to it.
class RecordingLog final : public IDebugLog {
public:
  HRESULT WriteEntry(const DbgLogEntry* entry) override {
    messages.emplace_back(entry->message.Text());
    sources.emplace_back(entry->source.Text());
    return S_OK;
  }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    const HRESULT result = WriteEntry(entry);
    entry->release(entry);
    return result;
  }
  std::vector<std::u16string> messages;
  std::vector<std::u16string> sources;
};

// A host whose pump runs a test-supplied step.
class ScriptedHost final : public platform::HostApplication {
public:
  void ProcessMessages() override {
    ++pumps;
    if (step) step();
  }
  bool Terminated() override { return terminated; }
  void CheckSynchronize() override { ++synchronizations; }

  std::function<void()> step;
  int pumps = 0;
  int synchronizations = 0;
  bool terminated = false;
};

class HostMessagePumpTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(ZefCoreKSetDebugLog(&log_), S_OK); }
  void TearDown() override {
    ZefCoreKSetDebugLog(nullptr);
    zefCoreKSetVCLApp(nullptr);
  }
  RecordingLog log_;
};

TEST_F(HostMessagePumpTest, RunningFlagIsSetOnlyInsideAPump) {
  ScriptedHost host;
  ASSERT_EQ(zefCoreKSetVCLApp(&host), S_OK);
  bool inside = false;
  host.step = [&] { ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&inside), S_OK); };
  bool outside = true;
  ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&outside), S_OK);
  EXPECT_FALSE(outside);
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"Caller"), S_OK);
  EXPECT_TRUE(inside);
  ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&outside), S_OK);
  EXPECT_FALSE(outside);
  EXPECT_EQ(host.pumps, 1);
  EXPECT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(nullptr), E_INVALIDARG);
  EXPECT_TRUE(log_.messages.empty());
}

TEST_F(HostMessagePumpTest, APumpInsideAPumpIsReportedAndNotRun) {
  ScriptedHost host;
  ASSERT_EQ(zefCoreKSetVCLApp(&host), S_OK);
  // A caller id longer than any fixed buffer must reach the log whole.
  const std::u16string outer = u"Outer" + std::u16string(2000, u'o');
  HRESULT nested = E_FAIL;
  host.step = [&] { nested = zefCoreKVCLApp_CallProcessMessages(u"Inner"); };
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(outer.c_str()), S_OK);
  EXPECT_EQ(nested, S_FALSE);
  EXPECT_EQ(host.pumps, 1) << "the inner call must not pump";
  EXPECT_EQ(host.synchronizations, 1);
  ASSERT_EQ(log_.messages.size(), 1u);
  EXPECT_EQ(log_.messages[0], u"Racing condition detected: last two caller IDs are '" + outer + u"','Inner'");
  EXPECT_EQ(log_.sources[0], u"ZefCoreK");
  // The list forgot the outer caller: the next pump is not nested.
  host.step = nullptr;
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"Again"), S_OK);
  EXPECT_EQ(log_.messages.size(), 1u);
}

TEST_F(HostMessagePumpTest, ResettingTheHostInsideAPumpLeavesNoPhantomPump) {
  ScriptedHost first;
  ScriptedHost second;
  ASSERT_EQ(zefCoreKSetVCLApp(&first), S_OK);
  first.step = [&] { zefCoreKSetVCLApp(&second); };
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"Switch"), S_OK);
  bool running = true;
  ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&running), S_OK);
  EXPECT_FALSE(running);
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"After"), S_OK);
  EXPECT_EQ(second.pumps, 1);
}

LRESULT nestingProcedure(HWND window, UINT message, WPARAM, LPARAM) {
  if (message != WM_USER) return 0;
  const LONG_PTR handled = GetWindowLongPtrW(window, GWLP_USERDATA) + 1;
  SetWindowLongPtrW(window, GWLP_USERDATA, handled);
  if (handled == 1) {
    // A window procedure that waits for the host while it is being pumped.
    PostMessageW(window, WM_USER, 0, 0);
    EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"WindowProcedure"), S_FALSE);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 1) << "the nested call pumped";
  }
  return 0;
}

// Runs on a thread of its own: the quit it posts must not reach other tests.
TEST_F(HostMessagePumpTest, DefaultApplicationPumpsTheThreadQueue) {
  ASSERT_EQ(zefCoreKSetVCLApp(nullptr), S_OK);
  std::thread([] {
    WNDCLASSEXW windowClass{};
    windowClass.lpfnWndProc = nestingProcedure;
    windowClass.lpszClassName = u"PumpHookTestWindow";
    RegisterClassExW(&windowClass);
    const HWND window =
        CreateWindowExW(0, u"PumpHookTestWindow", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    bool synchronized = false;
    platform::queueSynchronizedCall([&] { synchronized = true; });
    EXPECT_FALSE(zefCoreKSetVCLApp_Terminated());
    PostMessageW(window, WM_USER, 0, 0);
    EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"Test"), S_OK);
    // Both posts (the second from inside the first) were handled by the pump.
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 2);
    EXPECT_TRUE(synchronized) << "the nested call runs the synchronised calls";
    PostQuitMessage(0);
    EXPECT_TRUE(zefCoreKSetVCLApp_Terminated());
    DestroyWindow(window);
    UnregisterClassW(u"PumpHookTestWindow", nullptr);
  }).join();
  ASSERT_EQ(log_.messages.size(), 1u);
  EXPECT_EQ(log_.messages[0], u"Racing condition detected: last two caller IDs are 'Test','WindowProcedure'");
}

}  // namespace
