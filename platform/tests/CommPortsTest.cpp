// COM ports over pty pairs, and the serial device map.
#include "platform/CommPorts.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Synchronization.h"

#include "testsupport/PtyPair.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A private platform root: the device map lives in its registry store.
class CommPortsTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zef-comm-test-XXXXXX";
    root_ = mkdtemp(pattern);
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("ZEF_PLATFORM_ROOT");
    fs::remove_all(root_);
  }
  static std::u16string comName(unsigned number) {
    const std::string digits = std::to_string(number);
    return u"\\\\.\\COM" + std::u16string(digits.begin(), digits.end());
  }
  static HANDLE open(unsigned number) {
    return CreateFileW(comName(number).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
  }
  std::string root_;
};

TEST_F(CommPortsTest, StateReachesTheTerminalSettings) {
  testsupport::PtyPair pty;
  ASSERT_NE(pty.comNumber(), 0u);
  const HANDLE port = open(pty.comNumber());
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  struct Case {
    const char* name;
    void (*change)(DCB&);
    bool (*holds)(const termios&);
  };
  const Case cases[] = {
      {"even parity", [](DCB& d) { d.Parity = EVENPARITY; },
       [](const termios& t) { return (t.c_cflag & PARENB) && !(t.c_cflag & PARODD); }},
      {"odd parity", [](DCB& d) { d.Parity = ODDPARITY; },
       [](const termios& t) { return (t.c_cflag & PARENB) && (t.c_cflag & PARODD); }},
      {"two stop bits", [](DCB& d) { d.StopBits = TWOSTOPBITS; },
       [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }},
      {"CTS output flow", [](DCB& d) { d.fOutxCtsFlow = 1; },
       [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; }},
      {"XON/XOFF both ways", [](DCB& d) { d.fOutX = d.fInX = 1; },
       [](const termios& t) { return (t.c_iflag & IXON) && (t.c_iflag & IXOFF); }},
      {"XON and XOFF characters",
       [](DCB& d) {
         d.XonChar = 0x11;
         d.XoffChar = 0x13;
       },
       [](const termios& t) { return t.c_cc[VSTART] == 0x11 && t.c_cc[VSTOP] == 0x13; }},
      {"seven data bits, raw, reads never wait", [](DCB& d) { d.ByteSize = 7; },
       [](const termios& t) {
         return (t.c_cflag & CSIZE) == CS7 && (t.c_cflag & CREAD) && (t.c_cflag & CLOCAL) && !(t.c_lflag & ICANON) &&
                t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0;
       }},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutX = dcb.fInX = dcb.fOutxCtsFlow = 0;
    dcb.XonLim = 10;
    dcb.fDsrSensitivity = 1;
    row.change(dcb);
    ASSERT_TRUE(SetCommState(port, &dcb))
        << GetLastError() << " size " << int(dcb.ByteSize) << " parity " << int(dcb.Parity) << " stop "
        << int(dcb.StopBits) << " baud " << dcb.BaudRate;
    // Framing as applied (a pty keeps none), the rest as the device has it.
    termios effective = pty.slaveSettings();
    const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR;
    const auto applied = platform::comAppliedSettings(port);
    ASSERT_TRUE(applied.has_value());
    effective.c_cflag = (effective.c_cflag & ~framing) | (applied->c_cflag & framing);
    EXPECT_TRUE(row.holds(effective));
    DCB back{};
    ASSERT_TRUE(GetCommState(port, &back));
    EXPECT_EQ(back.Parity, dcb.Parity);
    EXPECT_EQ(back.StopBits, dcb.StopBits);
    EXPECT_EQ(back.ByteSize, dcb.ByteSize);
    EXPECT_EQ(back.XonLim, 10) << "kept without a termios counterpart";
    EXPECT_EQ(back.fDsrSensitivity, 1u);
  }
  CloseHandle(port);
}

TEST_F(CommPortsTest, QueuesPurgeAndExclusiveOpen) {
  testsupport::PtyPair pty;
  const HANDLE port = open(pty.comNumber());
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::lastComPortName(), comName(pty.comNumber()));
  EXPECT_EQ(open(pty.comNumber()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(open(250), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(pty.writeMaster("0123456789"));
  COMSTAT status{};
  DWORD errors = 1;
  for (int i = 0; i < 200 && status.cbInQue < 10; ++i) {
    ASSERT_TRUE(ClearCommError(port, &errors, &status));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(status.cbInQue, 10u);
  EXPECT_EQ(errors, 0u);
  char bytes[4];
  DWORD read = 0;
  OVERLAPPED overlapped{};
  ASSERT_TRUE(ReadFile(port, bytes, 4, &read, &overlapped));
  EXPECT_EQ(std::string(bytes, read), "0123");
  ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT));
  ASSERT_TRUE(ClearCommError(port, &errors, &status));
  EXPECT_EQ(status.cbInQue, 0u);
  EXPECT_FALSE(EscapeCommFunction(port, SETRTS)) << "a pty has no modem lines";
  EXPECT_EQ(platform::comEscapeHistory(port), std::vector<DWORD>{SETRTS});
  CloseHandle(port);
  const HANDLE again = open(pty.comNumber());
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "closing gives the port free";
  CloseHandle(again);
}

TEST_F(CommPortsTest, AWriteThePortCannotTakePendsUntilTheMasterDrains) {
  testsupport::PtyPair pty;
  const HANDLE port = open(pty.comNumber());
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const std::string big(256 * 1024, 'p');
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  DWORD written = 0;
  ASSERT_FALSE(WriteFile(port, big.data(), static_cast<DWORD>(big.size()), &written, &overlapped));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  DWORD done = 0;
  EXPECT_FALSE(GetOverlappedResult(port, &overlapped, &done, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_LT(done, big.size());
  std::string drained;
  bool finished = false;
  for (int i = 0; i < 2000 && !finished; ++i) {
    drained += pty.readMaster(0, 1);
    finished = GetOverlappedResult(port, &overlapped, &done, FALSE);
  }
  ASSERT_TRUE(finished);
  EXPECT_EQ(done, big.size());
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  drained += pty.readMaster(big.size() - drained.size(), 2000);
  EXPECT_EQ(drained, big);
  CloseHandle(event);
  CloseHandle(port);
}

TEST_F(CommPortsTest, SysfsScanMapsSerialTtysAndKeepsTheirNumbers) {
  const fs::path sysfs = fs::path(root_) / "sys-class-tty";
  const auto device = [&](const std::string& name, const char* type) {
    fs::create_directories(sysfs / name / "device");
    if (type) std::ofstream(sysfs / name / "type") << type << "\n";
  };
  device("ttyS0", "0");
  device("ttyS1", "4");
  device("ttyUSB0", nullptr);
  device("ttyACM1", nullptr);
  device("rfcomm0", nullptr);
  fs::create_directories(sysfs / "tty0");  // no device link
  const std::vector<std::string> expected = {"rfcomm0", "ttyACM1", "ttyS1", "ttyUSB0"};
  EXPECT_EQ(platform::scanSerialDevices(sysfs.string()), expected);
  std::vector<std::optional<std::string>> first;
  for (unsigned n = 1; n <= 4; ++n) first.push_back(platform::serialDeviceOfPort(n));
  EXPECT_EQ(platform::scanSerialDevices(sysfs.string()), expected);
  for (unsigned n = 1; n <= 4; ++n) EXPECT_EQ(platform::serialDeviceOfPort(n), first[n - 1]);
  EXPECT_EQ(platform::registerSerialDevice("ttyUSB0"), platform::registerSerialDevice("ttyUSB0"));
  EXPECT_EQ(platform::registerSerialDevice("ttyUSB9"), 5u) << "lowest free number";
}

TEST(CommPortNamesTest, Forms) {
  const struct {
    const char16_t* name;
    bool valid;
    unsigned number;
  } cases[] = {{u"COM9:", true, 9}, {u"\\\\.\\COM10", true, 10}, {u"com3", true, 3},
               {u"COM0", false, 0}, {u"COMX", false, 0},         {u"LPT1", false, 0}};
  for (const auto& row : cases) {
    unsigned number = 0;
    EXPECT_EQ(platform::parseComPortName(row.name, &number), row.valid);
    if (row.valid) {
      EXPECT_EQ(number, row.number);
    }
  }
}

}  // namespace
