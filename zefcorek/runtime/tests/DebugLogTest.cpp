#include "zefcorek/DebugLog.h"
#include "zefcorek/HostPumpHooks.h"

#include "platform/Clock.h"
#include "platform/HostApplication.h"
#include "platform/WindowMessages.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "a line without CR LF";
  return lines;
}

class DebugLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(ZefCoreKAllocDebugLogToFile(folder_.name("debug.log").c_str()), S_OK);
  }
  void TearDown() override { ZefCoreKSetDebugLog(nullptr); }
  std::vector<std::string> lines() { return linesOf(folder_.read("debug.log")); }

  ScratchFolder folder_;
  platform::VirtualClock clock_;
  platform::ScopedClock useClock_{clock_};
};

TEST_F(DebugLogTest, LinesOfOneEntry) {
  EXPECT_EQ(zefcorekLog(u"a\r\nb\nc", u"Src"), S_OK);
  EXPECT_EQ(zefcorekLog(u"", u"Src"), S_OK);
  EXPECT_EQ(zefcorekLog(u"two\n\nbreaks\n", u"ZefCoreK"), S_OK);
  EXPECT_EQ(zefcorekLog(u"caf\u00e9 \u20ac", u"Src"), S_OK);
  EXPECT_EQ(zefcorekLog(nullptr, u"Src"), E_INVALIDARG);
  EXPECT_EQ(zefcorekLog(u"x", nullptr), E_INVALIDARG);
  const std::string time = "12:00:00.000    ";
  const std::string src = std::string(21, ' ') + "Src";
  const std::string zef = std::string(16, ' ') + "ZefCoreK";
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         time + " - " + src + " - I : a",
                         time + " - " + src + " - I : b",
                         time + " - " + src + " - I : c",
                         time + " - " + zef + " - I : two",
                         time + " - " + zef + " - I : ",
                         time + " - " + zef + " - I : breaks",
                         time + " - " + src + " - I : caf\xc3\xa9 \xe2\x82\xac",
                     }));
  EXPECT_EQ(zefcorek::pendingLogEntries(), 0u);

  // A second file log while one is set; the levels of an entry written directly.
  EXPECT_EQ(ZefCoreKAllocDebugLogToFile(folder_.name("other.log").c_str()), E_FAIL);
  DbgLogEntry entry;
  entry.level = 7;
  entry.source.AssignSz(u"S");
  entry.message.AssignSz(u"seven");
  entry.time.AssignSz(u"t");
  EXPECT_EQ(ZefCoreKGetDebugLog()->WriteEntry(&entry), S_OK);
  entry.level = 4;
  EXPECT_EQ(ZefCoreKGetDebugLog()->WriteEntry(&entry), S_OK);
  EXPECT_EQ(ZefCoreKGetDebugLog()->WriteEntry(nullptr), E_FAIL);
  const auto all = lines();
  EXPECT_EQ(all[all.size() - 2], "t" + std::string(15, ' ') + " - " + std::string(23, ' ') + "S - I : seven");
  EXPECT_EQ(all.back(), "t" + std::string(15, ' ') + " - " + std::string(23, ' ') + "S - TX : seven");

  // Without a log nothing is written.
  ZefCoreKSetDebugLog(nullptr);
  EXPECT_EQ(zefcorekLog(u"lost", u"Src"), S_FALSE);
}

// A host log that keeps its entries and releases them later.
struct KeepingLog : IDebugLog {
  std::vector<DbgLogEntryEx*> kept;
  HRESULT WriteEntry(const DbgLogEntry*) override { return S_OK; }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    kept.push_back(entry);
    return S_OK;
  }
  void releaseAll() {
    for (DbgLogEntryEx* entry : kept) entry->release(entry);
    kept.clear();
  }
};

TEST_F(DebugLogTest, PendingEntriesAreLimited) {
  KeepingLog log;
  ZefCoreKSetDebugLog(&log);
  for (uint32_t i = 0; i < zefcorek::kMaxPendingLogEntries; ++i) {
    ASSERT_EQ(zefcorekLog(u"kept", u"Src"), S_OK) << i;
  }
  EXPECT_EQ(zefcorek::pendingLogEntries(), 256u);
  EXPECT_EQ(zefcorekLog(u"one too many", u"Src"), E_OUTOFMEMORY);
  EXPECT_EQ(log.kept.size(), 256u);
  log.releaseAll();
  EXPECT_EQ(zefcorek::pendingLogEntries(), 0u);
  EXPECT_EQ(zefcorekLog(u"again", u"Src"), S_OK);
  log.releaseAll();
}

TEST_F(DebugLogTest, ThreadsNeverMixTheirLines) {
  constexpr int kThreads = 4;
  constexpr int kEntries = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      const std::u16string source = u"thread" + std::u16string(1, static_cast<char16_t>(u'0' + t));
      const std::u16string message(300, static_cast<char16_t>(u'a' + t));
      for (int i = 0; i < kEntries; ++i) zefcorekLog((message + u"\n" + message).c_str(), source.c_str());
    });
  }
  for (auto& writer : writers) writer.join();
  const auto all = lines();
  ASSERT_EQ(all.size(), static_cast<size_t>(kThreads * kEntries * 2));
  for (const std::string& line : all) {
    const char letter = line.back();
    EXPECT_EQ(line.substr(line.size() - 300), std::string(300, letter));
    EXPECT_NE(line.find(std::string("thread") + static_cast<char>('0' + (letter - 'a'))), std::string::npos);
  }
  EXPECT_EQ(zefcorek::pendingLogEntries(), 0u);
}

// The pump hooks, on the platform's default application object.
int dispatched = 0;
HRESULT innerResult = S_OK;
bool innerSawPump = false;

LRESULT pumpingProcedure(HWND, UINT message, WPARAM, LPARAM) {
  if (message != WM_USER) return 0;
  ++dispatched;
  if (dispatched == 1) {
    zefCoreKVCLApp_AlreadyInProcessMessages(&innerSawPump);
    innerResult = zefCoreKVCLApp_CallProcessMessages(
        u"inner caller with a long name that goes well past any fixed buffer of the old days");
    // The inner call did not pump: the second message waits.
    EXPECT_EQ(dispatched, 1);
  }
  return 0;
}

TEST_F(DebugLogTest, PumpHooksDetectAPumpInsideAPump) {
  zefCoreKSetVCLApp(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.lpfnWndProc = pumpingProcedure;
  windowClass.lpszClassName = u"PumpHooksTest";
  RegisterClassExW(&windowClass);
  const HWND window = CreateWindowExW(0, u"PumpHooksTest", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  bool running = true;
  ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&running), S_OK);
  EXPECT_FALSE(running);
  EXPECT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(nullptr), E_INVALIDARG);

  bool synchronised = false;
  platform::queueMainThreadCall([&] { synchronised = true; });
  PostMessageW(window, WM_USER, 0, 0);
  PostMessageW(window, WM_USER, 0, 0);
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"outer"), S_OK);
  EXPECT_EQ(dispatched, 2);
  EXPECT_TRUE(innerSawPump);
  EXPECT_EQ(innerResult, S_FALSE);
  EXPECT_TRUE(synchronised);
  ASSERT_EQ(zefCoreKVCLApp_AlreadyInProcessMessages(&running), S_OK);
  EXPECT_FALSE(running);
  const auto all = lines();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_NE(all[0].find("ZefCoreK - I : Racing condition detected: last two caller IDs are "
                        "'outer','inner caller with a long name that goes well past any fixed "
                        "buffer of the old days'"),
            std::string::npos)
      << all[0];

  // The default application is terminated once a quit was posted here.
  EXPECT_FALSE(zefCoreKSetVCLApp_Terminated());
  PostQuitMessage(0);
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"after quit"), S_OK);
  EXPECT_TRUE(zefCoreKSetVCLApp_Terminated());
  DestroyWindow(window);
}

// A host application of its own.
struct CountingHost : platform::HostApplication {
  int pumps = 0;
  void ProcessMessages() override { ++pumps; }
  bool Terminated() override { return pumps > 1; }
  void CheckSynchronize() override {}
};

TEST_F(DebugLogTest, ARegisteredHostPumps) {
  CountingHost host;
  zefCoreKSetVCLApp(&host);
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"a"), S_OK);
  EXPECT_FALSE(zefCoreKSetVCLApp_Terminated());
  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"b"), S_OK);
  EXPECT_TRUE(zefCoreKSetVCLApp_Terminated());
  EXPECT_EQ(host.pumps, 2);
  zefCoreKSetVCLApp(nullptr);
}

}  // namespace
