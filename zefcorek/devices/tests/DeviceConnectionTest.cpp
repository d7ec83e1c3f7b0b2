// The shared part of the device connections, on a connection over an
// in-memory byte queue: trace text, the common read and write rules, the
// non-blocking read and its completion, the exception guard and traces.
#include "ConnectionTestSupport.h"
#include "MemoryConnection.h"

#include "zefcorek/DebugLog.h"
#include "zefcorek/IOTraceFile.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zefcorek::testing::MemoryConnection;
using zefcorek::testing::RecordingLog;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A connection that is released at the end of the scope.
struct ConnectionRef {
  ConnectionRef() : connection(new MemoryConnection) {}
  ~ConnectionRef() { connection->Release(); }
  MemoryConnection* operator->() const { return connection; }
  MemoryConnection* connection;
};

// The class's trace file in a fresh folder, switched off at the end.
class TraceFolder {
public:
  TraceFolder() {
    std::string pattern = (fs::temp_directory_path() / "devtrace-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
  }
  ~TraceFolder() {
    zefcorek::ioTraceFile(zefcorek::ConnectionKind::Udp).enable(nullptr, false);
    fs::remove_all(folder_);
  }
  void enable() {
    zefcorek::ioTraceFile(zefcorek::ConnectionKind::Udp).enable(platform::windowsPath(path().string()).c_str(), true);
  }
  fs::path path() const { return folder_ / "trace.log"; }
  std::string text() const { return readFile(path()); }

private:
  fs::path folder_;
};

TEST(DeviceConnectionTest, TraceTextOfReports) {
  platform::VirtualClock virtualClock({2026, 3, 2, 9, 14, 5, 7, 42});
  platform::ScopedClock scoped(virtualClock);
  TraceFolder trace;
  trace.enable();
  ConnectionRef connection;
  const std::string stamp = "14:05:07:042 ";
  struct Case {
    const char* name;
    int kind;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"CR LF inside breaks the line", DEVIO_RECEIVED, "AB\r\nCD", stamp + "RX:AB{0D}{0A}\r\n" + stamp + "RX:CD\r\n"},
      {"a blank is escaped", DEVIO_SENT, "a b", stamp + "TX:a{20}b\r\n"},
      {"a lone CR does not break", DEVIO_RECEIVED, "a\rb", stamp + "RX:a{0D}b\r\n"},
      {"a lone LF does not break", DEVIO_RECEIVED, "a\nb", stamp + "RX:a{0A}b\r\n"},
      {"CR LF at the end breaks once", DEVIO_RECEIVED, "ok\r\n", stamp + "RX:ok{0D}{0A}\r\n"},
      {"0 bytes: stamp and tag", DEVIO_SENT, "", stamp + "TX:\r\n"},
      {"information", DEVIO_INFO, "x", stamp + "I :x\r\n"},
      {"error", DEVIO_ERROR, "x", stamp + "E :x\r\n"},
      {"unknown kind as information", 7, "x", stamp + "I :x\r\n"},
      {"bytes outside 0x21-0x7E in upper-case hex", DEVIO_RECEIVED, std::string("\x00\x7f\xab~", 4),
       stamp + "RX:{00}{7F}{AB}~\r\n"},
  };
  std::string expected;
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    const size_t before = trace.text().size();
    EXPECT_EQ(connection->ReportDataIO(row.kind, row.bytes.data(), static_cast<uint32_t>(row.bytes.size())).Value,
              CONN_OK);
    EXPECT_EQ(trace.text().substr(before), row.text);
    expected += row.text;
  }
  EXPECT_EQ(trace.text(), expected) << "reports are appended";
}

struct CallbackRecord {
  int calls = 0;
  int kind = -1;
  std::string bytes;
};

int recordCallback(IDeviceConnection*, int kind, const void* bytes, uint32_t count, void* user) {
  auto* record = static_cast<CallbackRecord*>(user);
  ++record->calls;
  record->kind = kind;
  record->bytes.assign(static_cast<const char*>(bytes), count);
  return 0;
}

TEST(DeviceConnectionTest, CallbackSeesEveryPortionButNotEmptyReports) {
  ConnectionRef connection;
  CallbackRecord record;
  connection->SetIOCallback(recordCallback, &record);
  connection->ReportDataIO(DEVIO_SENT, "", 0);
  EXPECT_EQ(record.calls, 0);
  connection->Open();
  connection->WriteByte('Z');
  EXPECT_EQ(record.calls, 1);
  EXPECT_EQ(record.kind, DEVIO_SENT);
  EXPECT_EQ(record.bytes, "Z");
  connection->feed("hello");
  uint16_t got = 0;
  char buffer[8];
  EXPECT_EQ(connection->Read(buffer, 5, true, &got).Value, CONN_OK);
  EXPECT_EQ(record.kind, DEVIO_RECEIVED);
  EXPECT_EQ(record.bytes, "hello");
  connection->SetIOCallback(nullptr, nullptr);
  connection->WriteByte('Y');
  EXPECT_EQ(record.calls, 2);
}

TEST(DeviceConnectionTest, CommonReadAndWriteRules) {
  platform::VirtualClock virtualClock;
  platform::ScopedClock scoped(virtualClock);
  ConnectionRef connection;
  char bytes[16] = {};
  uint16_t got = 99;

  // Closed is checked before the null count pointer.
  EXPECT_EQ(connection->Read(bytes, 4, false, nullptr).Value, CONN_FAILED);
  EXPECT_EQ(connection->WriteText(u"x").Value, CONN_FAILED);
  connection->Open();
  EXPECT_EQ(connection->Read(bytes, 4, false, nullptr).Value, CONN_BAD_ARGUMENT);
  EXPECT_EQ(connection->Read(bytes, 0, true, &got).Value, CONN_OK);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(connection->Read(nullptr, 4, true, &got).Value, CONN_BAD_ARGUMENT);

  // Without wait one attempt, status 0 whatever came.
  connection->feed("ab");
  EXPECT_EQ(connection->Read(bytes, 4, false, &got).Value, CONN_OK);
  EXPECT_EQ(got, 2);
  // With wait: a time-out keeps what did arrive.
  connection->feed("c");
  EXPECT_EQ(connection->ReadEx(bytes, 4, 100, &got).Value, CONN_TIMEOUT);
  EXPECT_EQ(got, 1);
  EXPECT_EQ(bytes[0], 'c');

  uint8_t value = 7;
  EXPECT_EQ(connection->ReadByte(&value, false).Value, CONN_TIMEOUT);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(connection->ReadByte(nullptr, false).Value, CONN_BAD_ARGUMENT);
  connection->feed("q");
  EXPECT_EQ(connection->ReadByte(&value, true).Value, CONN_OK);
  EXPECT_EQ(value, 'q');

  EXPECT_EQ(connection->WriteText(u"\u00e9").Value, CONN_OK);
  EXPECT_EQ(connection->written(), "\xc3\xa9");
  EXPECT_EQ(connection->WriteText(nullptr).Value, CONN_BAD_ARGUMENT);

  EXPECT_EQ(connection->ReadTextUntil(nullptr, 0, nullptr, nullptr).Value, CONN_FAILED);
  EXPECT_EQ(connection->GetConnectionType(), DEVCONN_UDP);
}

TEST(DeviceConnectionTest, TextReads) {
  platform::VirtualClock virtualClock;
  platform::ScopedClock scoped(virtualClock);
  ConnectionRef connection;
  connection->Open();
  WCHAR text[8];
  uint16_t got = 0;

  // A time-out hands over the text that came, with status 3.
  connection->feed("Gr\xc3\xbc");
  EXPECT_EQ(connection->ReadText(text, 8, true, &got).Value, CONN_TIMEOUT);
  EXPECT_EQ(std::u16string(text, got), u"Gr\u00fc");
  EXPECT_EQ(text[got], u'\0');

  // At most length - 1 bytes are taken; the rest stays for the next read.
  connection->feed("abcdefghij");
  EXPECT_EQ(connection->ReadTextEx(text, 5, 100, &got).Value, CONN_OK);
  EXPECT_EQ(std::u16string(text), u"abcd");
  char narrow[4];
  EXPECT_EQ(connection->ReadTextA(narrow, 4, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(narrow), "efg");
  EXPECT_EQ(got, 3);

  for (auto* call : {+[](MemoryConnection*c, uint16_t*g) {
                       WCHAR one[2];
                       return c->ReadText(one, 0, false, g);
                     },
                     +[](MemoryConnection*c, uint16_t*) {
                       WCHAR one[2];
                       return c->ReadText(one, 2, false, nullptr);
                     },
                     +[](MemoryConnection*c, uint16_t*g) { return c->ReadTextA(nullptr, 4, false, g); }}) {
    EXPECT_EQ(call(connection.connection, &got).Value, CONN_BAD_ARGUMENT);
  }
}

struct Completion {
  int calls = 0;
  DWORD thread = 0;
  TNonBlockingReadOp seen{};
};

void recordCompletion(IDeviceConnection*, TNonBlockingReadOp* request) {
  auto* completion = reinterpret_cast<Completion*>(request->UserData);
  ++completion->calls;
  completion->thread = GetCurrentThreadId();
  completion->seen = *request;
}

void pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// Waits (bounded) for a condition the worker makes true.
template <class Predicate>
bool eventually(Predicate predicate) {
  for (int i = 0; i < 400; ++i) {
    if (predicate()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return predicate();
}

TNonBlockingReadOp readRequest(void* buffer, uint16_t count, Completion* completion) {
  TNonBlockingReadOp request = zefcorek::testing::dataReadRequest(recordCompletion, completion, buffer, count);
  request.Flag1 = 1;
  request.FlagRest = 12345;
  return request;
}

TEST(DeviceConnectionTest, NonBlockingReadCompletesOnTheCreatingThreadWhenItPumps) {
  ConnectionRef connection;
  Completion completion;
  char buffer[8] = {};
  const TNonBlockingReadOp request = readRequest(buffer, 5, &completion);
  EXPECT_EQ(connection->RunNonBlockingReadOp(&request).Value, CONN_FAILED) << "closed";
  EXPECT_EQ(connection->RunNonBlockingReadOp(nullptr).Value, CONN_BAD_ARGUMENT);
  connection->Open();
  EXPECT_FALSE(connection->IsNonBlockingReadOpRunning());
  ASSERT_EQ(connection->RunNonBlockingReadOp(&request).Value, CONN_OK);
  EXPECT_TRUE(connection->IsNonBlockingReadOpRunning());

  connection->feed("12345");
  ASSERT_TRUE(eventually([&] { return !connection->IsNonBlockingReadOpRunning(); }));
  EXPECT_EQ(completion.calls, 0) << "nothing before the thread pumps";
  pumpMessages();
  EXPECT_EQ(completion.calls, 1);
  EXPECT_EQ(completion.thread, GetCurrentThreadId());
  EXPECT_EQ(completion.seen.Kind, NBREAD_NONE);
  EXPECT_EQ(completion.seen.Result.Value, CONN_OK);
  EXPECT_EQ(completion.seen.Args.Data.Delivered, 5);
  EXPECT_EQ(completion.seen.Flag1, 1u);
  EXPECT_EQ(completion.seen.FlagRest, 12345u);
  EXPECT_EQ(std::string(buffer), "12345");
  pumpMessages();
  EXPECT_EQ(completion.calls, 1);
}

// The host issues the next request before it pumps the first one's
// completion: each completion reports its own request, in order.
TEST(DeviceConnectionTest, EachCompletionCarriesItsOwnRequest) {
  ConnectionRef connection;
  connection->Open();
  connection->setReadTimeout(60'000);
  Completion first, second;
  char firstBuffer[8] = {}, secondBuffer[8] = {};
  const TNonBlockingReadOp firstRequest = readRequest(firstBuffer, 5, &first);
  const TNonBlockingReadOp secondRequest = readRequest(secondBuffer, 3, &second);
  ASSERT_EQ(connection->RunNonBlockingReadOp(&firstRequest).Value, CONN_OK);
  connection->feed("12345");
  ASSERT_TRUE(eventually([&] { return !connection->IsNonBlockingReadOpRunning(); }));
  ASSERT_EQ(connection->RunNonBlockingReadOp(&secondRequest).Value, CONN_OK);

  pumpMessages();
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(first.seen.Args.Data.Delivered, 5);
  EXPECT_EQ(first.seen.Args.Data.Buffer, firstBuffer);
  EXPECT_EQ(second.calls, 0) << "still pending";
  EXPECT_TRUE(connection->IsNonBlockingReadOpRunning());

  connection->feed("abc");
  ASSERT_TRUE(eventually([&] { return !connection->IsNonBlockingReadOpRunning(); }));
  pumpMessages();
  EXPECT_EQ(first.calls, 1);
  ASSERT_EQ(second.calls, 1);
  EXPECT_EQ(second.seen.Args.Data.Delivered, 3);
  EXPECT_EQ(std::string(secondBuffer), "abc");
}

void throwingCompletion(IDeviceConnection*, TNonBlockingReadOp*) { throw std::runtime_error("host fault"); }

// An exception from the host's done callback stops at the window procedure.
TEST(DeviceConnectionTest, DoneCallbackExceptionIsShownNotPropagated) {
  platform::RecordingMessageBoxes boxes;
  ConnectionRef connection;
  connection->Open();
  char buffer[4] = {};
  TNonBlockingReadOp request =
      zefcorek::testing::dataReadRequest(throwingCompletion, static_cast<Completion*>(nullptr), buffer, 2);
  ASSERT_EQ(connection->RunNonBlockingReadOp(&request).Value, CONN_OK);
  connection->feed("ok");
  ASSERT_TRUE(eventually([&] { return !connection->IsNonBlockingReadOpRunning(); }));
  EXPECT_NO_THROW(pumpMessages());
  const auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, u"Exception in IMemoryConnectionImp::SyncWndProc()");
}

TEST(DeviceConnectionTest, CancelAndReleaseEndAPendingRequest) {
  Completion completion;
  char buffer[8] = {};
  {
    ConnectionRef connection;
    connection->Open();
    connection->setReadTimeout(60'000);
    const TNonBlockingReadOp request = readRequest(buffer, 5, &completion);
    ASSERT_EQ(connection->RunNonBlockingReadOp(&request).Value, CONN_OK);
    ASSERT_TRUE(eventually([&] { return connection->IsNonBlockingReadOpRunning(); }));
    EXPECT_EQ(connection->CancelNonBlockingReadOp().Value, CONN_OK);
    EXPECT_FALSE(connection->IsNonBlockingReadOpRunning());
    // A new request after the cancel; the release below must end it.
    ASSERT_EQ(connection->RunNonBlockingReadOp(&request).Value, CONN_OK);
  }
  pumpMessages();
  EXPECT_EQ(completion.calls, 0) << "cancelled requests are not completed";
}

TEST(DeviceConnectionTest, ExceptionsAreShownAndOperationsTraced) {
  platform::RecordingMessageBoxes boxes;
  RecordingLog log;
  ZefCoreKSetDebugLog(&log);
  {
    ConnectionRef connection;
    connection->Open();
    connection->throwOnReceive(true);
    uint16_t got = 0;
    char bytes[4];
    EXPECT_EQ(connection->Read(bytes, 4, false, &got).Value, CONN_FAILED);
  }
  ZefCoreKSetDebugLog(nullptr);
  const auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, u"Exception in IMemoryConnectionImp::Read()");
  EXPECT_EQ(shown[0].owner, nullptr);
  EXPECT_EQ(shown[0].type, MB_TASKMODAL);
  const std::vector<std::u16string> traces = {u"IMemoryConnectionImp::Read() - In",
                                              u"IMemoryConnectionImp::Read() - Out"};
  EXPECT_EQ(log.messages, traces);
}

TEST(DeviceConnectionTest, ReportsOfSeveralThreadsStayWhole) {
  TraceFolder trace;
  trace.enable();
  ConnectionRef first;
  ConnectionRef second;
  constexpr int kReports = 10'000;
  std::thread a([&] {
    for (int i = 0; i < kReports; ++i) first->ReportDataIO(DEVIO_RECEIVED, "ABC\r\nDEF", 8);
  });
  std::thread b([&] {
    for (int i = 0; i < kReports; ++i) second->ReportDataIO(DEVIO_SENT, "xyz", 3);
  });
  a.join();
  b.join();
  std::istringstream lines(trace.text());
  std::string line;
  int rx1 = 0, rx2 = 0, tx = 0;
  while (std::getline(lines, line)) {
    ASSERT_GE(line.size(), 14u) << line;
    ASSERT_EQ(line.back(), '\r') << line;
    const std::string body = line.substr(13, line.size() - 14);
    if (body == "RX:ABC{0D}{0A}") {
      ++rx1;
    } else if (body == "RX:DEF") {
      ++rx2;
    } else if (body == "TX:xyz") {
      ++tx;
    } else {
      FAIL() << "torn line: " << line;
    }
  }
  EXPECT_EQ(rx1, kReports);
  EXPECT_EQ(rx2, kReports);
  EXPECT_EQ(tx, kReports);
}

}  // namespace
