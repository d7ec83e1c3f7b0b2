// The INI command of the one executor on large sections, and killed while
// it works: a product's settings section is copied whole or not at all.
#include "servicechannel/ProcedureCommand.h"

#include "platform/FileSyscalls.h"
#include "platform/Paths.h"
#include "testsupport/ScratchRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using servicechannel::ProcedureResult;

class IniCommandTest : public ::testing::Test {
protected:
  // The command copying `section` from source.ini into target.ini.
  std::u16string command(const std::u16string& section) const {
    return u"INI=" + platform::windowsPath(root_.driveC() + "/source.ini") + u"|" +
           platform::windowsPath(root_.driveC() + "/target.ini") + u"|" + section;
  }
  void write(const std::string& name, const std::string& bytes) const { root_.writeNative("drives/c/" + name, bytes); }
  std::string read(const std::string& name) const { return root_.readNative("drives/c/" + name); }

  // A section of `keys` keys of about 33 characters each.
  static std::string bigSection(int keys, const std::string& valuePrefix) {
    std::string text = "[Settings]\r\n";
    for (int i = 0; i < keys; ++i) text += "Key" + std::to_string(i) + "=" + valuePrefix + std::to_string(i) + "\r\n";
    return text;
  }

  testsupport::ScratchRoot root_{"/tmp/zef-inicmd-XXXXXX"};
};

// A section far beyond any fixed read buffer is copied whole, last value
// included. A key given twice keeps its first place and its last value, as
// key-by-key writes left it.
TEST_F(IniCommandTest, CopiesSectionsOfAnySizeWhole) {
  constexpr int kKeys = 3000;
  const std::string value(26, 'v');
  write("source.ini", "[Settings]\r\nDup=first\r\n" + bigSection(kKeys, value).substr(12) + "dup=last\r\n");
  write("target.ini", "[Before]\r\na=1\r\n[Settings]\r\nOld=1\r\n[After]\r\nb=2\r\n");
  ASSERT_EQ(servicechannel::runProcedureCommand(command(u"Settings")), ProcedureResult::Done);
  std::string expected = "[Before]\r\na=1\r\n[Settings]\r\nDup=last\r\n";
  expected += bigSection(kKeys, value).substr(12);
  expected += "[After]\r\nb=2\r\n";
  // Compared as a whole, reported by size: the texts are too long to print.
  const std::string target = read("target.ini");
  EXPECT_EQ(target.size(), expected.size());
  EXPECT_TRUE(target == expected);
}

// The executor runs in a child that is killed at its first, second, ...
// file operation until one run ends by itself. After every kill the target
// is the old file or the new one, never a mix of both.
TEST_F(IniCommandTest, AKillLeavesTheOldOrTheNewFile) {
  constexpr int kKeys = 1500;
  const std::string oldTarget = "[Other]\r\nKeep=1\r\n" + bigSection(kKeys, "old value ");
  write("source.ini", bigSection(kKeys, "new value "));
  write("target.ini", oldTarget);
  ASSERT_EQ(servicechannel::runProcedureCommand(command(u"Settings")), ProcedureResult::Done);
  const std::string newTarget = read("target.ini");
  ASSERT_NE(newTarget, oldTarget);

  static int operationsLeft;
  constexpr int kMostOperations = 200;
  bool hasEnded = false;
  for (int killAt = 1; killAt <= kMostOperations && !hasEnded; ++killAt) {
    SCOPED_TRACE(killAt);
    write("target.ini", oldTarget);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Every operation that changes files counts down; the last one kills
      // the process before it happens.
      operationsLeft = killAt;
      auto& calls = platform::fileSyscalls();
      static const auto countDown = [] {
        if (--operationsLeft == 0) raise(SIGKILL);
      };
      calls.openat = [](int folder, const char* name, int flags, mode_t mode) {
        countDown();
        return platform::defaultFileSyscalls().openat(folder, name, flags, mode);
      };
      calls.write = [](int fd, const void* buffer, size_t count) {
        countDown();
        return platform::defaultFileSyscalls().write(fd, buffer, count);
      };
      calls.fsync = [](int fd) {
        countDown();
        return platform::defaultFileSyscalls().fsync(fd);
      };
      calls.renameat = [](int fromFolder, const char* from, int toFolder, const char* to) {
        countDown();
        return platform::defaultFileSyscalls().renameat(fromFolder, from, toFolder, to);
      };
      calls.unlinkat = [](int folder, const char* name, int flags) {
        countDown();
        return platform::defaultFileSyscalls().unlinkat(folder, name, flags);
      };
      _exit(servicechannel::runProcedureCommand(command(u"Settings")) == ProcedureResult::Done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string target = read("target.ini");
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(target, newTarget);
      hasEnded = true;
      continue;
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_TRUE(target == oldTarget || target == newTarget) << target.substr(0, 200);
  }
  EXPECT_TRUE(hasEnded);
}

}  // namespace
