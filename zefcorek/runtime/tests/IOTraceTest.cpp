#include "zefcorek/IOTraceFile.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The system's form of a path: backslashes.
std::u16string systemPath(const fs::path& path) {
  std::u16string wide = platform::ansiToWideLenient(path.string());
  for (char16_t& unit : wide) {
    if (unit == u'/') unit = u'\\';
  }
  return wide;
}

class IOTraceTest : public testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "iotrace-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(IOTraceTest, EachKindOpensKeepsOrDeletesItsFile) {
  const struct {
    const char* name;
    zefcorek::ConnectionKind kind;
    void (*enable)(const WCHAR*, bool);
    bool (*isEnabled)();
  } kinds[] = {
      {"serial", zefcorek::ConnectionKind::SerialPort, zefCoreKISerialPortEnableIOLogging,
       zefCoreKISerialPortIsIOLoggingEnabled},
      {"bluetooth", zefcorek::ConnectionKind::Bluetooth, zefCoreKIBluetoothConnectionEnableIOLogging,
       zefCoreKIBluetoothConnectionIsIOLoggingEnabled},
      {"tcp", zefcorek::ConnectionKind::Tcp, zefCoreKITCPConnectionEnableIOLogging,
       zefCoreKITCPConnectionIsIOLoggingEnabled},
      {"udp", zefcorek::ConnectionKind::Udp, zefCoreKIUDPConnectionEnableIOLogging,
       zefCoreKIUDPConnectionIsIOLoggingEnabled},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.name);
    const fs::path file = folder_ / (std::string(k.name) + ".log");
    const std::u16string path = systemPath(file);
    zefcorek::IOTraceFile& trace = zefcorek::ioTraceFile(k.kind);

    // Created when missing; written at its end.
    k.enable(path.c_str(), false);
    ASSERT_TRUE(k.isEnabled());
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(trace.write("abc", 3));

    // Opened again, an existing trace is kept and grows.
    k.enable(path.c_str(), false);
    EXPECT_TRUE(trace.write("de", 2));
    EXPECT_EQ(readFile(file), "abcde");

    // Deleted first when asked.
    k.enable(path.c_str(), true);
    EXPECT_TRUE(k.isEnabled());
    EXPECT_EQ(readFile(file), "");

    // A null path switches tracing off and closes the file.
    k.enable(nullptr, false);
    EXPECT_FALSE(k.isEnabled());
    EXPECT_FALSE(trace.write("x", 1));
  }
  // Switching one kind leaves the others alone.
  zefCoreKITCPConnectionEnableIOLogging(systemPath(folder_ / "tcp.log").c_str(), false);
  EXPECT_TRUE(zefCoreKITCPConnectionIsIOLoggingEnabled());
  EXPECT_FALSE(zefCoreKIUDPConnectionIsIOLoggingEnabled());
  zefCoreKITCPConnectionEnableIOLogging(nullptr, false);
}

TEST_F(IOTraceTest, PathsThatCannotBeTracedLeaveTracingOff) {
  const std::u16string good = systemPath(folder_ / "serial.log");
  const std::u16string tooLong = systemPath(folder_ / std::string(300, 'n'));
  const std::u16string noFolder = systemPath(folder_ / "missing" / "serial.log");
  for (const std::u16string& path : {tooLong, noFolder}) {
    zefCoreKISerialPortEnableIOLogging(good.c_str(), false);
    ASSERT_TRUE(zefCoreKISerialPortIsIOLoggingEnabled());
    // The old file is closed before the new one is tried.
    zefCoreKISerialPortEnableIOLogging(path.c_str(), false);
    EXPECT_FALSE(zefCoreKISerialPortIsIOLoggingEnabled());
  }
}

}  // namespace
