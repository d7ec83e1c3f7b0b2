// The radio and device services over BlueZ, against a mocked BlueZ on a
// private bus that the test starts (dbus-daemon and the bluez5 template of
// python3-dbusmock). A binary of its own: the back end is chosen once.
#include "zefcorek/BluetoothUtilities.h"

#include "platform/Bluetooth.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int run(const std::vector<std::string>& arguments) {
  const pid_t pid = spawn(arguments);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int mockCall(const std::string& method, const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"/usr/bin/dbus-send", "--system", "--print-reply",
                                      "--dest=org.bluez", "/", "org.bluez.Mock." + method};
  for (const auto& argument : arguments) command.push_back("string:" + argument);
  return run(command);
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

TEST(BluezBackEndTest, RadioAndDeviceThroughTheAdapter) {
  if (!fs::exists("/usr/bin/dbus-daemon") ||
      !fs::exists("/usr/lib/python3/dist-packages/dbusmock")) {
    GTEST_SKIP() << "dbus-daemon or python3-dbusmock missing";
  }
  char pattern[] = "/tmp/zef-bluez-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path folder = pattern;
  const std::string address = "unix:path=" + (folder / "bus").string();
  const pid_t bus = spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + address});
  ASSERT_GT(bus, 0);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  for (int i = 0; i < 200 && !fs::exists(folder / "bus"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const pid_t bluez = spawn({"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "bluez5"});
  ASSERT_GT(bluez, 0);
  bool ready = false;
  for (int i = 0; i < 100 && !ready; ++i) {
    ready = mockCall("AddAdapter", {"hci0", "zef-host"}) == 0;
    if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(ready) << "the mocked BlueZ did not come up";
  ASSERT_EQ(mockCall("AddDevice", {"hci0", "A1:B2:C3:D4:E5:F6", "Gps"}), 0);

  // The mocked adapter is powered and not discoverable.
  uint32_t mode = 0;
  EXPECT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 2u);
  const std::pair<uint32_t, uint32_t> switches[] = {{3, 3}, {2, 3}, {1, 1}, {2, 2}};
  for (const auto& [set, read] : switches) {
    SCOPED_TRACE(set);
    EXPECT_EQ(SetRadioMode(set), S_OK);
    EXPECT_EQ(GetRadioMode(&mode), S_OK);
    EXPECT_EQ(mode, read);
  }
  EXPECT_EQ(RemoveUnpairBluetoothDevice(0xA1B2C3D4E5F6ull), 0);
  EXPECT_NE(RemoveUnpairBluetoothDevice(0xA1B2C3D4E5F6ull), 0) << "already removed";

  platform::setBluetoothBackend(nullptr);  // closes the bus connection
  stop(bluez);
  stop(bus);
  fs::remove_all(folder);
}

}  // namespace
