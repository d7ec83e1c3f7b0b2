// The service database, and a service run in this process by the service
// framework: controls in order on the service thread, refusals, and the
// socket admitting only root and the service's group.
#include "platform/ServiceApplication.h"
#include "platform/ServiceManager.h"

#include "ScratchRoot.h"

#include "platform/Clock.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using platform::testing::ScratchRoot;

class ServiceManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    manager_ = OpenSCManagerW(nullptr, u"ServicesActive", SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override { CloseServiceHandle(manager_); }
  SC_HANDLE create(const char16_t* name) {
    return CreateServiceW(manager_, name, u"Test Service", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                          SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, u"\"/bin/true\"", nullptr, nullptr, nullptr,
                          nullptr, nullptr);
  }
  ScratchRoot root_;
  SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceManagerTest, RegistersOpensByNameIgnoringCaseAndDeletes) {
  SC_HANDLE created = create(u"TestSvc");
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(create(u"TESTSVC"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(create(u"../evil"), nullptr);

  SC_HANDLE opened = OpenServiceW(manager_, u"testsvc", SERVICE_ALL_ACCESS);
  ASSERT_NE(opened, nullptr);
  auto record = platform::serviceRecordOf(opened);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name, u"TestSvc");
  EXPECT_EQ(record->displayName, u"Test Service");

  // Not running: the control fails with the state "stopped".
  SERVICE_STATUS status{};
  EXPECT_FALSE(ControlService(opened, 128, &status));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);

  EXPECT_TRUE(DeleteService(opened));
  EXPECT_TRUE(CloseServiceHandle(opened));
  EXPECT_TRUE(CloseServiceHandle(created));
  EXPECT_EQ(OpenServiceW(manager_, u"TestSvc", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_EQ(OpenSCManagerW(u"otherhost", nullptr, SC_MANAGER_CONNECT), nullptr);
}

// A record that cannot be written (a full disk) registers nothing and
// leaves no half-written file behind; the next attempt succeeds.
TEST_F(ServiceManagerTest, FullDiskRegistersNothingAndLeavesNoTemporary) {
  {
    platform::ScopedFileSyscalls restore;
    platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    EXPECT_EQ(create(u"TestSvc"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  }
  const std::string folder = root_.path() + "/CommonAppData/ZefServices";
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    ADD_FAILURE() << "left behind: " << entry.path();
  SC_HANDLE created = create(u"TestSvc");
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(DeleteService(created));
  EXPECT_TRUE(CloseServiceHandle(created));
}

// A service that records the custom controls it handles; the first one
// takes a while, so later controls queue behind it.
class RecordingService : public TService {
public:
  explicit RecordingService(TServiceApplication* owner) : TService(owner, u"TestSvc", u"Test Service") {
    current = this;
  }
  ~RecordingService() override { current = nullptr; }
  bool HandleControlCode(DWORD code) override {
    if (code != 128 && code != 129) return false;
    if (handled.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::lock_guard lock(mutex);
    handled.push_back(code);
    handledOnThread.push_back(std::this_thread::get_id());
    return true;
  }
  TServiceController GetServiceController() override {
    return [](DWORD code) { current->Controller(code); };
  }

  static inline RecordingService* current = nullptr;
  std::mutex mutex;
  std::vector<DWORD> handled;
  std::vector<std::thread::id> handledOnThread;
};

// Runs one control in a child process under another user and group.
DWORD controlAs(SC_HANDLE service, uid_t user, gid_t group) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(user) != 0) _exit(99);
    SERVICE_STATUS status{};
    _exit(ControlService(service, 129, &status) ? 0 : (GetLastError() == ERROR_ACCESS_DENIED ? 5 : 1));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 98u;
}

TEST_F(ServiceManagerTest, RunsControlsInOrderOnOneServiceThreadAndStops) {
  SC_HANDLE service = create(u"TestSvc");
  ASSERT_NE(service, nullptr);
  // Our own primary group: a service run by someone other than root can
  // only hand its socket to a group it belongs to.
  const group* ownGroup = getgrgid(getegid());
  ASSERT_NE(ownGroup, nullptr);
  ASSERT_TRUE(platform::setServiceControlGroup(service, ownGroup->gr_name));
  setenv("ZEF_SERVICE_NAME", "testsvc", 1);
  TServiceApplication application;
  RecordingService* instance = nullptr;
  application.CreateForm(instance);
  std::thread runner([&] { application.Run(); });
  const std::thread::id runnerId = runner.get_id();

  SERVICE_STATUS status{};
  for (int i = 0; i < 500 && !(QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING); ++i)
    Sleep(10);
  ASSERT_EQ(status.dwCurrentState, SERVICE_RUNNING);

  // Acknowledged at once, handled one after the other in the order sent.
  EXPECT_TRUE(ControlService(service, 128, &status));
  EXPECT_TRUE(ControlService(service, 129, &status));
  EXPECT_FALSE(ControlService(service, 5, &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_SERVICE_CONTROL);

  // The socket admits the service's group; a user outside it may not
  // connect. Changing users needs root.
  if (geteuid() == 0) {
    std::filesystem::permissions(root_.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(root_.path() + "/CommonAppData", std::filesystem::perms(0755));
    EXPECT_EQ(controlAs(service, 65534, 65534), 5u);
    EXPECT_EQ(controlAs(service, 65534, getegid()), 0u);
  }

  // Clients that connect and send nothing do not hold up a control: it is
  // answered while they are all still connected.
  std::vector<int> idle;
  for (int i = 0; i < 10; ++i) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = platform::serviceSocketPath(u"TestSvc");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    idle.push_back(fd);
  }
  EXPECT_TRUE(ControlService(service, 128, &status));
  for (const int fd : idle) {
    char byte;
    EXPECT_EQ(recv(fd, &byte, 1, MSG_DONTWAIT), -1) << "an idle client was dropped before the control";
    close(fd);
  }

  // From the stop on, every status query answers: "stopped" once stopped,
  // never a failure while the service goes away.
  std::atomic<bool> querying{true};
  std::atomic<int> failedQueries{0};
  std::thread watcher([&] {
    SERVICE_STATUS seen{};
    while (querying) {
      if (!QueryServiceStatus(service, &seen)) ++failedQueries;
    }
  });
  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  runner.join();
  Sleep(100);
  querying = false;
  watcher.join();
  EXPECT_EQ(failedQueries, 0);
  unsetenv("ZEF_SERVICE_NAME");
  {
    std::lock_guard lock(instance->mutex);
    const std::vector<DWORD> expected =
        geteuid() == 0 ? std::vector<DWORD>{128, 129, 129, 128} : std::vector<DWORD>{128, 129, 128};
    EXPECT_EQ(instance->handled, expected);
    ASSERT_EQ(instance->handledOnThread.size(), expected.size());
    EXPECT_EQ(instance->handledOnThread.front(), instance->handledOnThread.back());
    EXPECT_NE(instance->handledOnThread[0], runnerId);
  }
  EXPECT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_FALSE(std::filesystem::exists(platform::serviceSocketPath(u"TestSvc")));
  CloseServiceHandle(service);
}

TEST_F(ServiceManagerTest, RunReturnsAtOnceWhenNotStartedByTheManager) {
  unsetenv("ZEF_SERVICE_NAME");
  TServiceApplication application;
  RecordingService* instance = nullptr;
  application.CreateForm(instance);
  application.Run();
  EXPECT_EQ(instance->Status(), SERVICE_STOPPED);
  EXPECT_EQ(application.ExitCode(), 0);
}

}  // namespace
