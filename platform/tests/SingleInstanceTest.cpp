// Named mutexes and the window directory, across two real processes.
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/WindowMessages.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

// A probe process with its standard output on a pipe.
class Probe {
public:
  Probe(const char* mode, const char* title) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      execl(INSTANCE_PROBE_PROGRAM, INSTANCE_PROBE_PROGRAM, mode, title, nullptr);
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~Probe() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // The next line of output, waiting up to 10 s; empty at the end or on time-out.
  std::string readLine() {
    std::string line;
    char c;
    while (true) {
      pollfd watch{out_, POLLIN, 0};
      if (poll(&watch, 1, 10'000) != 1 || read(out_, &c, 1) != 1) return line;
      if (c == '\n') return line;
      line += c;
    }
  }
  // Everything until the process ends, and its exit status.
  std::string readAll(int* status) {
    std::string all;
    for (std::string line = readLine(); !line.empty(); line = readLine()) all += line + "\n";
    waitpid(pid_, status, 0);
    pid_ = -1;
    return all;
  }
  void killHard() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(SingleInstanceTest, SecondProcessFindsAndRaisesTheFirstAndTheLockDiesWithIt) {
  platform::testing::ScratchRoot root;
  Probe first("hold", "Probe Window");
  ASSERT_EQ(first.readLine(), "owner");
  ASSERT_EQ(first.readLine(), "ready");

  int status = -1;
  Probe second("second", "Probe Window");
  EXPECT_EQ(second.readAll(&status), "already\nfound\nsent\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(first.readLine(), "activated");

  // This process sees the same: the name exists, the window is found.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Zef Probe Mutex");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_NE(mutex, nullptr);
  CloseHandle(mutex);
  const HWND found = FindWindowW(nullptr, u"Probe Window");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"Probe"), nullptr);
  EXPECT_TRUE(SetForegroundWindow(found));
  EXPECT_EQ(first.readLine(), "activated");

  // Killed without a chance to clean up: the lock goes, the stale entry is
  // ignored and removed.
  first.killHard();
  Probe third("second", "Probe Window");
  EXPECT_EQ(third.readAll(&status), "owner\n");
  for (const auto& entry : std::filesystem::directory_iterator(root.path() + "/Run/windows")) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }
}

TEST(SingleInstanceTest, MutexWithinOneProcess) {
  platform::testing::ScratchRoot root;
  HANDLE first = CreateMutexW(nullptr, TRUE, u"Zef Local/Mutex");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateMutexW(nullptr, TRUE, u"Zef Local/Mutex");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(second);
  CloseHandle(first);
  HANDLE third = CreateMutexW(nullptr, TRUE, u"Zef Local/Mutex");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(third);
  // The lock file is private to the user.
  const auto mode = std::filesystem::status(root.path() + "/Run/Zef Local_Mutex.lock").permissions();
  EXPECT_EQ(mode, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
