// The real vkrservice program under the platform's service manager, in a
// scratch platform root: its switches, and the command channel of a running
// service driven as the updater drives it (command in the common
// VENDRAKO.INI, control 128, reply polled from the same key).
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"
#include "platform/ServiceManager.h"
#include "testsupport/ServiceRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr char16_t kService[] = u"VKRServ";

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class VKRServiceTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.create("/tmp/zef-vkr-XXXXXX", SERVICE_CONTROL_TOOL));
    root_ = sandbox_.path();
    channelFolder_ = sandbox_.channelFolder();
    ini_ = platform::windowsPath(channelFolder_ + "/VENDRAKO.INI");
  }
  void TearDown() override {
    tool("stop");
    sandbox_.destroy();
  }

  static DWORD service(const std::u16string& switches) { return testsupport::runToEnd(VKRSERVICE_PROGRAM, switches); }
  static DWORD tool(const char* verb) { return testsupport::controlService(SERVICE_CONTROL_TOOL, verb); }

  DWORD state() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE handle = manager ? OpenServiceW(manager, kService, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    const bool ok = handle && QueryServiceStatus(handle, &status);
    if (handle) CloseServiceHandle(handle);
    if (manager) CloseServiceHandle(manager);
    return ok ? status.dwCurrentState : 0;
  }

  // Sends a control as the updater does; the last error on refusal.
  BOOL control(DWORD code, SERVICE_STATUS* status) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, u"ServicesActive", SC_MANAGER_CONNECT);
    SC_HANDLE handle = manager ? OpenServiceW(manager, kService, READ_CONTROL | SERVICE_USER_DEFINED_CONTROL) : nullptr;
    const BOOL sent = handle && ControlService(handle, code, status);
    const DWORD error = GetLastError();
    if (handle) CloseServiceHandle(handle);
    if (manager) CloseServiceHandle(manager);
    SetLastError(error);
    return sent;
  }

  std::u16string readCommand() {
    WCHAR value[1024] = {};
    GetPrivateProfileStringW(u"VKRService", u"Command", u"", value, 1024, ini_.c_str());
    return value;
  }
  void writeCommand(const std::u16string& command) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"VKRService", u"Command", command.c_str(), ini_.c_str()));
  }
  // Writes the command, sends 128 and polls for a reply (bounded).
  std::string exchange(const std::u16string& command) {
    writeCommand(command);
    SERVICE_STATUS status{};
    if (!control(128, &status)) return "control refused";
    for (int i = 0; i < 600; ++i) {
      const std::u16string value = readCommand();
      if (value != command) return platform::wideToAnsiLenient(value);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "no answer";
  }
  // An executable script; answers its Windows name.
  std::u16string script(const std::string& name, const std::string& body) {
    const std::string path = root_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return platform::windowsPath(path);
  }
  std::u16string windows(const std::string& name) { return platform::windowsPath(root_ + "/" + name); }
  void installAndStart() {
    ASSERT_EQ(service(u"/install"), 0u);
    ASSERT_EQ(tool("start"), 0u);
    ASSERT_EQ(state(), SERVICE_RUNNING);
  }

  testsupport::ServiceRoot sandbox_;
  std::string root_;
  std::string channelFolder_;
  std::u16string ini_;
};

TEST_F(VKRServiceTest, SwitchesInstallTestAndRemoveTheService) {
  struct Step {
    const char16_t* arguments;
    DWORD exitCode;
    bool installedAfter;
  };
  const Step steps[] = {
      {u"/isinstalled", 0, false},
      {u"/uninstall", 0, false},    // not installed: nothing to do
      {u"/ISINSTALLED", 0, false},  // not our switch: a console start that returns
      {u"", 0, false},
      {u"/install", 0, true},
      {u"/isinstalled", 1, true},
      {u"/install", 0, true},  // already installed: nothing to do
      {u"/uninstall", 0, false},
      {u"/Install", 0, true},  // the framework's own switch, any case
      {u"/uninstall", 0, false},
  };
  for (const auto& step : steps) {
    const std::string label = platform::wideToAnsiLenient(step.arguments);
    EXPECT_EQ(service(step.arguments), step.exitCode) << label;
    EXPECT_EQ(service(u"/isinstalled"), step.installedAfter ? 1u : 0u) << label;
  }
}

TEST_F(VKRServiceTest, RunsCommandsFromTheChannelAndReplies) {
  installAndStart();
  const std::string out = root_ + "/installer.out";
  const auto installer = script("installer.sh", "sleep 0.2; echo \"$@\" >> '" + out + "'; exit 3");

  // RUN: the reply comes after the installer has ended, whatever its exit code.
  EXPECT_EQ(exchange(u"RUN=" + installer + u"|/S \"C:\\Program Files\""), "*idle*");
  EXPECT_EQ(readText(out), "/S C:\\Program Files\n");
  EXPECT_EQ(exchange(u"RUN=" + windows("missing.exe") + u"|"), "*shellexecfail*");

  // INI: the target's section is replaced; other sections stay.
  std::ofstream(root_ + "/source.ini") << "[Kestruner]\r\nVersion=2.0\r\nEmpty=\r\nnote line\r\n";
  std::ofstream(root_ + "/target.ini") << "[Kestruner]\r\nOld=1\r\n[Other]\r\nKeep=yes\r\n";
  EXPECT_EQ(exchange(u"INI=" + windows("source.ini") + u"|" + windows("target.ini") + u"|Kestruner"), "*idle*");
  const std::string target = readText(root_ + "/target.ini");
  EXPECT_NE(target.find("Version=2.0"), std::string::npos) << target;
  EXPECT_NE(target.find("Empty="), std::string::npos) << target;
  EXPECT_EQ(target.find("Old=1"), std::string::npos) << target;
  EXPECT_NE(target.find("Keep=yes"), std::string::npos) << target;

  // An unreadable source fails and leaves the target as it was.
  EXPECT_EQ(exchange(u"INI=" + windows("nosuch.ini") + u"|" + windows("target.ini") + u"|Kestruner"), "*fail*");
  EXPECT_EQ(readText(root_ + "/target.ini"), target);

  // Malformed or unknown commands, and one too long for the channel.
  const std::u16string tooLong = u"RUN=" + installer + u"|" + std::u16string(600, u'x');
  for (const std::u16string& bad :
       {std::u16string(u"run=" + installer + u"|"), std::u16string(u"RUN"), std::u16string(u"INI=a|b"), tooLong}) {
    EXPECT_EQ(exchange(bad), "*fail*") << platform::wideToAnsiLenient(bad.substr(0, 40));
  }
  EXPECT_EQ(readText(out), "/S C:\\Program Files\n");  // nothing ran again
}

TEST_F(VKRServiceTest, RunsEachCommandOnceAndNeverTakesAReplyForACommand) {
  installAndStart();
  const std::string out = root_ + "/count.out";
  const auto installer = script("count.sh", "sleep 0.3; echo run >> '" + out + "'");

  // A second request while the first runs waits behind it and finds no
  // new command; the stop queues behind both.
  writeCommand(u"RUN=" + installer + u"|");
  SERVICE_STATUS status{};
  ASSERT_TRUE(control(128, &status));
  ASSERT_TRUE(control(128, &status));
  // A reply left in the key is not run as a command, nor overwritten.
  ASSERT_TRUE(control(SERVICE_CONTROL_STOP, &status));
  for (int i = 0; i < 600 && state() != SERVICE_STOPPED; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readText(out), "run\n");
  EXPECT_EQ(readCommand(), u"*idle*");

  ASSERT_EQ(tool("start"), 0u);
  writeCommand(u"*shellexecfail*");
  ASSERT_TRUE(control(128, &status));
  ASSERT_EQ(tool("stop"), 0u);  // returns once the queued 128 has been handled
  EXPECT_EQ(readCommand(), u"*shellexecfail*");
}

TEST_F(VKRServiceTest, RefusesWhenStoppedUninstalledNotPermittedOrUnprotected) {
  SERVICE_STATUS status{};
  // Not installed: the service cannot even be opened.
  EXPECT_FALSE(control(128, &status));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);

  // Installed but stopped: refused with the state "stopped".
  ASSERT_EQ(service(u"/install"), 0u);
  status.dwCurrentState = 0;
  EXPECT_FALSE(control(128, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);

  // Running, but the caller is outside the service's group (changing
  // users needs root).
  ASSERT_EQ(tool("start"), 0u);
  const pid_t child = geteuid() == 0 ? fork() : -1;
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
    SERVICE_STATUS childStatus{};
    _exit(!control(128, &childStatus) && GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1);
  }
  if (child > 0) {
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    EXPECT_TRUE(WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0);
  }

  // A channel file that every user may write: no command runs, and the
  // service writes no reply into it.
  const std::string out = root_ + "/unsafe.out";
  const auto installer = script("unsafe.sh", "echo ran > '" + out + "'");
  const std::string channel = channelFolder_ + "/VENDRAKO.INI";
  writeCommand(u"RUN=" + installer + u"|");
  fs::permissions(channel, fs::perms::others_write, fs::perm_options::add);
  const std::string unsafeChannel = readText(channel);
  ASSERT_TRUE(control(128, &status));
  ASSERT_EQ(tool("stop"), 0u);  // returns once the queued 128 has been handled
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(readText(channel), unsafeChannel);

  // A link in the channel's place, with an empty command: the service
  // creates and changes nothing through it.
  fs::remove(channel);
  const std::string elsewhere = root_ + "/elsewhere.ini";
  fs::create_symlink(elsewhere, channel);
  ASSERT_EQ(tool("start"), 0u);
  ASSERT_TRUE(control(128, &status));
  ASSERT_EQ(tool("stop"), 0u);
  EXPECT_FALSE(fs::exists(elsewhere));
  EXPECT_TRUE(fs::is_symlink(channel));
}

TEST_F(VKRServiceTest, FixRestartsTheServiceAfterItHasStopped) {
  installAndStart();
  EXPECT_EQ(service(u"/fix"), 0u);
  for (int i = 0; i < 600 && state() != SERVICE_RUNNING; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(state(), SERVICE_RUNNING);
  EXPECT_EQ(exchange(u"*idle*x"), "*fail*");  // the restarted service answers
}

}  // namespace
