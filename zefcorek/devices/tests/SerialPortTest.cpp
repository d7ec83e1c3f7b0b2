// The serial port connection over pty pairs.
#include "zefcorek/SerialPort.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CommPorts.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/WindowMessages.h"

#include "ConnectionTestSupport.h"

#include "testsupport/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testsupport::PtyPair;
using zefcorek::testing::Completion;
using zefcorek::testing::pumpUntil;
using zefcorek::testing::recordCompletion;

struct Port {
  Port() {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_ISerialPortImp, &out, 0), S_OK);
    port = static_cast<ISerialPort*>(out);
  }
  ~Port() { port->Release(); }
  ISerialPort* operator->() const { return port; }
  ISerialPort* port;
};

// A private platform root (the device map lives in its registry store) and
// one pty registered as a COM port.
class SerialPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zef-serial-test-XXXXXX";
    root_ = mkdtemp(pattern);
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
    pty_ = std::make_unique<PtyPair>();
  }
  void TearDown() override {
    pty_.reset();
    unsetenv("ZEF_PLATFORM_ROOT");
    fs::remove_all(root_);
  }
  // Opens the port on the pty with the given changes to the settings.
  void open(Port& port, void (*change)(TSerialPortSettings&) = nullptr) {
    TSerialPortSettings settings;
    settings.PortNumber = static_cast<uint16_t>(pty_->comNumber());
    settings.Timeout1 = 500;
    settings.Timeout2 = 500;
    if (change) change(settings);
    ASSERT_EQ(port->SetSettings(&settings).Value, CONN_OK);
    ASSERT_EQ(port->Open().Value, CONN_OK);
  }
  std::string root_;
  std::unique_ptr<PtyPair> pty_;
};

TEST_F(SerialPortTest, DeviceNamesBelowAndFromTen) {
  // Occupy COM numbers so that the next ptys get 9 and 10.
  for (int i = 2; i <= 8; ++i) platform::registerSerialDevice("placeholder" + std::to_string(i));
  PtyPair ninth;
  PtyPair tenth;
  ASSERT_EQ(ninth.comNumber(), 9u);
  ASSERT_EQ(tenth.comNumber(), 10u);
  const std::pair<unsigned, std::u16string> cases[] = {{9, u"COM9:"}, {10, u"\\\\.\\COM10"}};
  for (const auto& [number, name] : cases) {
    Port port;
    port->GetSettings()->PortNumber = static_cast<uint16_t>(number);
    EXPECT_EQ(port->Open().Value, CONN_OK);
    EXPECT_EQ(platform::lastComPortName(), name);
  }
}

TEST_F(SerialPortTest, SettingsAndClosedPort) {
  Port port;
  EXPECT_EQ(port->GetConnectionType(), DEVCONN_SERIAL);
  EXPECT_EQ(port->GetTopInterface(), static_cast<IDeviceConnection*>(port.port));
  TSerialPortSettings settings;
  settings.BaudRate = 57600;
  settings.Timeout1 = 100;
  settings.Timeout2 = 0;
  ASSERT_EQ(port->SetSettings(&settings).Value, CONN_OK);
  EXPECT_EQ(port->GetSettings()->Timeout1, 500);
  EXPECT_EQ(port->GetSettings()->Timeout2, 500);
  EXPECT_EQ(port->GetSettings()->BaudRate, 57600u);
  EXPECT_EQ(port->GetSettings()->XonChar, 17);
  EXPECT_EQ(port->SetSettings(nullptr).Value, CONN_BAD_ARGUMENT);
  EXPECT_EQ(port->Purge(0).Value, CONN_FAILED);
  EXPECT_EQ(port->SetBreak(true).Value, CONN_FAILED);
  EXPECT_EQ(port->Close().Value, CONN_OK);
  TDeviceIOInfo info{};
  EXPECT_EQ(port->GetIOInfo(&info).Value, CONN_FAILED);
  port->GetSettings()->PortNumber = 200;  // nothing there
  EXPECT_EQ(port->Open().Value, CONN_FAILED);
  EXPECT_FALSE(port->IsOpen());
}

TEST_F(SerialPortTest, OpenSetsTheLine) {
  struct Case {
    const char* name;
    void (*change)(TSerialPortSettings&);
    bool (*holds)(const termios&);
    bool pulse;  // RTS and DTR lowered and raised
  };
  const Case cases[] = {
      {"XON 0 means 17",
       [](TSerialPortSettings& s) {
         s.XonChar = 0;
         s.XoffChar = 0;
       },
       [](const termios& t) { return t.c_cc[VSTART] == 17 && t.c_cc[VSTOP] == 19; }, true},
      {"even parity", [](TSerialPortSettings& s) { s.Parity = 2; },
       [](const termios& t) { return (t.c_cflag & PARENB) && !(t.c_cflag & PARODD); }, true},
      {"two stop bits", [](TSerialPortSettings& s) { s.StopBits = 2; },
       [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }, true},
      {"XON/XOFF", [](TSerialPortSettings& s) { s.Handshake = 1; },
       [](const termios& t) { return (t.c_iflag & IXON) && (t.c_iflag & IXOFF); }, true},
      {"CTS flow, no pulse", [](TSerialPortSettings& s) { s.Handshake = 2; },
       [](const termios& t) { return (t.c_cflag & CRTSCTS) && !(t.c_iflag & IXON); }, false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    Port port;
    open(port, row.change);
    const auto record = platform::comPortRecord(pty_->comNumber());
    ASSERT_TRUE(record && record->applied);
    EXPECT_TRUE(row.holds(*record->applied));
    const std::vector<DWORD> pulse = {CLRRTS, CLRDTR, SETDTR, SETRTS};
    EXPECT_EQ(record->escapes, row.pulse ? pulse : std::vector<DWORD>{});
    EXPECT_EQ(record->inQueue, 512u);
    EXPECT_EQ(record->outQueue, 256u);
  }
}

struct Chunks {
  std::vector<uint32_t> sizes;
};

int recordChunk(IDeviceConnection*, int kind, const void*, uint32_t count, void* user) {
  if (kind == DEVIO_SENT) static_cast<Chunks*>(user)->sizes.push_back(count);
  return 0;
}

TEST_F(SerialPortTest, WritesInChunksAndReads) {
  Port port;
  open(port);
  Chunks chunks;
  port->SetIOCallback(recordChunk, &chunks);
  std::string bytes(100, '\0');
  for (int i = 0; i < 100; ++i) bytes[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(port->Write(bytes.data(), 100), 100);
  EXPECT_EQ(chunks.sizes, (std::vector<uint32_t>{32, 32, 32, 4}));
  EXPECT_EQ(pty_->readMaster(100, 2000), bytes);

  char in[16] = {};
  uint16_t got = 9;
  EXPECT_EQ(port->Read(in, 4, false, &got).Value, CONN_OK);
  EXPECT_EQ(got, 0);
  ASSERT_TRUE(pty_->writeMaster("0123456789"));
  TDeviceIOInfo info{};
  for (int i = 0; i < 500 && info.InQueue < 10; ++i) {
    ASSERT_EQ(port->GetIOInfo(&info).Value, CONN_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(info.InQueue, 10u);
  EXPECT_EQ(port->Read(in, 10, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(in, got), "0123456789");
  EXPECT_EQ(port->Read(in, 1, true, &got).Value, CONN_TIMEOUT);
  EXPECT_EQ(port->Purge(0).Value, CONN_OK);
  EXPECT_EQ(port->SetBreak(true).Value, CONN_OK);
  EXPECT_EQ(port->SetBreak(false).Value, CONN_OK);
}

TEST_F(SerialPortTest, ReadTextUntil) {
  Port port;
  open(port);
  WCHAR text[16];
  uint16_t got = 0;
  ASSERT_TRUE(pty_->writeMaster("OK\r\nrest"));
  EXPECT_EQ(port->ReadTextUntil(text, 16, u"\r\n", &got).Value, CONN_OK);
  EXPECT_EQ(std::u16string(text), u"OK\r\n");
  EXPECT_EQ(got, 4);
  char rest[8] = {};
  EXPECT_EQ(port->Read(rest, 4, true, &got).Value, CONN_OK);
  EXPECT_EQ(std::string(rest), "rest");

  ASSERT_TRUE(pty_->writeMaster("abcdef"));
  EXPECT_EQ(port->ReadTextUntil(text, 4, u"\r\n", &got).Value, CONN_NO_TERMINATOR);
  EXPECT_EQ(std::u16string(text), u"abc");
  EXPECT_EQ(got, 3);
  port->Purge(0);
  // A character of two UTF-16 units with room for one is left out whole.
  ASSERT_TRUE(pty_->writeMaster("a\xF0\x9F\x98\x80\n"));
  EXPECT_EQ(port->ReadTextUntil(text, 3, u"\n", &got).Value, CONN_NO_TERMINATOR);
  EXPECT_EQ(std::u16string(text, 3), std::u16string(u"a\0\0", 3));
  EXPECT_EQ(got, 1);
  EXPECT_EQ(port->ReadTextUntil(text, 2, u"\r\n", &got).Value, CONN_BAD_ARGUMENT);
  EXPECT_EQ(port->ReadTextUntil(text, 16, u"", &got).Value, CONN_BAD_ARGUMENT);
  port->Purge(0);

  // 0x1A stays itself; "é" whose two bytes come apart is one character.
  std::thread device([&] {
    pty_->writeMaster("\x1A\xC3");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty_->writeMaster("\xA9\n");
  });
  EXPECT_EQ(port->ReadTextUntilEx(text, 16, u"\n", 2000, &got).Value, CONN_OK);
  device.join();
  EXPECT_EQ(std::u16string(text, got), u"\x1A\u00e9\n");
}

TEST_F(SerialPortTest, TimeOutsRunOnThePlatformClockAcrossTheTickWrap) {
  platform::VirtualClock virtualClock(SYSTEMTIME{2026, 1, 4, 1, 12, 0, 0, 0}, (uint64_t{1} << 32) - 50);
  platform::ScopedClock scoped(virtualClock);
  Port port;
  open(port);
  char in[4];
  uint16_t got = 0;
  EXPECT_EQ(port->Read(in, 4, true, &got).Value, CONN_TIMEOUT);
  pty_->fillFromSlave();
  const uint64_t before = virtualClock.sleptMs();
  const std::string bytes(200, 'w');
  const uint16_t written = port->Write(bytes.data(), 200);
  EXPECT_LT(written, 200);
  EXPECT_GE(virtualClock.sleptMs() - before, 500u);
}

TEST_F(SerialPortTest, NonBlockingTextReadCancelAndClose) {
  Port port;
  open(port, [](TSerialPortSettings& s) { s.Timeout2 = 5000; });
  Completion completion;
  WCHAR text[16] = {};
  TNonBlockingReadOp request{};
  request.Kind = NBREAD_TEXT_UNTIL;
  request.DoneCallback = recordCompletion;
  request.UserData = reinterpret_cast<uintptr_t>(&completion);
  request.Args.Text.Terminator = u"\r";
  request.Args.Text.Buffer = text;
  request.Args.Text.Length = 16;
  ASSERT_EQ(port->RunNonBlockingReadOp(&request).Value, CONN_OK);
  ASSERT_TRUE(pty_->writeMaster("READY\r"));
  ASSERT_TRUE(pumpUntil([&] { return completion.calls.load() == 1; }));
  EXPECT_EQ(completion.thread, GetCurrentThreadId());
  EXPECT_EQ(completion.seen.Result.Value, CONN_OK);
  EXPECT_EQ(completion.seen.Args.Text.Delivered, 6);
  EXPECT_EQ(std::u16string(text), u"READY\r");

  ASSERT_EQ(port->RunNonBlockingReadOp(&request).Value, CONN_OK);
  EXPECT_EQ(port->CancelNonBlockingReadOp().Value, CONN_OK);
  EXPECT_FALSE(port->IsNonBlockingReadOpRunning());
  ASSERT_EQ(port->RunNonBlockingReadOp(&request).Value, CONN_OK);
  EXPECT_EQ(port->Close().Value, CONN_OK);
  EXPECT_FALSE(port->IsNonBlockingReadOpRunning());
  // Nothing more may complete while the thread pumps a while.
  const auto quietEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  pumpUntil([&] { return std::chrono::steady_clock::now() > quietEnd; });
  EXPECT_EQ(completion.calls.load(), 1);
}

std::string withoutStamps(const std::string& log) {
  std::string out;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) out += line.size() >= 13 ? line.substr(13) + "\n" : "?\n";
  return out;
}

TEST_F(SerialPortTest, SessionLog) {
  const fs::path log = fs::path(root_) / "serial.log";
  zefCoreKISerialPortEnableIOLogging(platform::windowsPath(log.string()).c_str(), true);
  {
    Port port;
    open(port);
    port->Write("AT\r\n", 4);
    ASSERT_TRUE(pty_->writeMaster("OK"));
    char in[2];
    uint16_t got = 0;
    ASSERT_EQ(port->Read(in, 2, true, &got).Value, CONN_OK);
    port->ReportDataIO(DEVIO_INFO, "done", 4);
  }
  zefCoreKISerialPortEnableIOLogging(nullptr, false);
  std::ifstream in(log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(withoutStamps(text.str()), "TX:AT{0D}{0A}\r\nRX:OK\r\nI :done\r\n");
}

}  // namespace
