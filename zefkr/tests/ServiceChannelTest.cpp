// Install commands through the real vkrservice under the platform's service
// manager, in a scratch platform root; and the updater's own executor.
#include "zefkr/Language.h"
#include "zefkr/ProcedureCommand.h"
#include "zefkr/ServiceChannel.h"

#include "platform/Clock.h"
#include "platform/FileSyscalls.h"
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"
#include "platform/ServiceManager.h"
#include "platform/SystemVersion.h"
#include "testsupport/DetachedOutput.h"
#include "testsupport/ServiceRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ServiceChannelTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.create("/tmp/zefkr-channel-XXXXXX", SERVICE_CONTROL_TOOL));
    root_ = sandbox_.path();
    channel_ = platform::windowsPath(sandbox_.channelFolder() + "/VENDRAKO.INI");
    zefkr::serviceChannelSettings() = zefkr::ServiceChannelSettings{};
  }
  void TearDown() override {
    tool("stop");
    zefkr::serviceChannelSettings() = zefkr::ServiceChannelSettings{};
    platform::setWindowsMajorVersion(6);
    unsetenv("ZEF_ELEVATE_COMMAND");
    sandbox_.destroy();
  }

  static DWORD tool(const char* verb) { return testsupport::controlService(SERVICE_CONTROL_TOOL, verb); }
  void install() { ASSERT_EQ(testsupport::runToEnd(VKRSERVICE_PROGRAM, u"/install"), 0u); }
  void installAndStart() {
    install();
    ASSERT_EQ(tool("start"), 0u);
  }

  // An executable script under the root; answers its Windows name.
  std::u16string script(const std::string& name, const std::string& body) {
    const std::string path = root_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return platform::windowsPath(path);
  }
  std::u16string windows(const std::string& name) { return platform::windowsPath(root_ + "/" + name); }
  void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(root_ + "/" + name, std::ios::binary) << text;
  }
  std::u16string channelValue(const char16_t* key) {
    WCHAR value[600] = {};
    GetPrivateProfileStringW(u"VKRService", key, u"<missing>", value, 600, channel_.c_str());
    return value;
  }

  // Waits, within a bound, until the channel's command is `command`; false
  // when it never was.
  bool waitForCommand(const std::u16string& command, int bound = 400) {
    for (int i = 0; i < bound; ++i) {
      if (channelValue(u"Command") == command) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }
  // An installer that logs its start and end with its first parameter; the
  // run named "held" works until the test creates the gate (bounded).
  std::u16string heldInstaller() {
    const std::string log = root_ + "/runs.log";
    return script("held.sh", "echo \"start $1\" >> '" + log + "'; i=0; while [ \"$1\" = held ] && [ ! -e '" + gate() +
                                 "' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done; echo \"end $1\" >> '" + log +
                                 "'");
  }
  std::string gate() const { return root_ + "/release"; }
  std::string runsLog() const { return root_ + "/runs.log"; }

  testsupport::ServiceRoot sandbox_;
  std::string root_;
  std::u16string channel_;
};

// The channel file's writes fail as they do for a user who may not write
// it (others' file, mode 0644); everything else works.
int refuseChannelWrites(int folder, const char* name, int flags, mode_t mode) {
  if ((flags & (O_WRONLY | O_RDWR)) != 0 && std::string_view(name).starts_with("VENDRAKO.INI")) {
    errno = EACCES;
    return -1;
  }
  return platform::defaultFileSyscalls().openat(folder, name, flags, mode);
}

TEST_F(ServiceChannelTest, RunCommandGoesThroughTheService) {
  installAndStart();
  const std::u16string installer = script("setup.sh", "echo \"ran $1 $2\" >> '" + root_ + "/installed.log'");
  const std::u16string command = u"RUN=" + installer + u"|--quiet \"two words\"";
  CLWideStr note(u"stale");
  EXPECT_EQ(KRSendServiceCommand(command.c_str(), note), zefkr::kSendDone);
  EXPECT_TRUE(note.IsEmpty());
  EXPECT_EQ(readText(root_ + "/installed.log"), "ran --quiet two words\n");
  EXPECT_EQ(channelValue(u"Command"), u"<missing>");
  EXPECT_EQ(channelValue(u"InfoFile"), u"<missing>");
  EXPECT_EQ(channelValue(u"DocsFolder"), platform::windowsPath(root_ + "/Documents") + u"\\");
}

TEST_F(ServiceChannelTest, AnswerIsReadIgnoringCaseAndBringsTheInfoFile) {
  installAndStart();
  // While the installer waits, answer as the service would, in upper case,
  // with a note for the user.
  const std::string gate = root_ + "/release";
  const std::u16string installer = script("held.sh", "echo run > '" + root_ + "/started'; i=0; while [ ! -e '" + gate +
                                                         "' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done");
  std::thread answer([&] {
    for (int i = 0; i < 400 && !fs::exists(root_ + "/started"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    WritePrivateProfileStringW(u"VKRService", u"InfoFile", u"C:\\notes.txt", channel_.c_str());
    WritePrivateProfileStringW(u"VKRService", u"Command", u"*IDLE*", channel_.c_str());
  });
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand((u"RUN=" + installer + u"|").c_str(), note), zefkr::kSendDone);
  answer.join();
  std::ofstream(gate) << "";
  EXPECT_EQ(note.Text(), u"C:\\notes.txt");
  EXPECT_EQ(channelValue(u"InfoFile"), u"<missing>");
}

TEST_F(ServiceChannelTest, IniCommandReplacesTheTargetSection) {
  installAndStart();
  writeFile("new.ini", "[Paths]\r\nData=D:\\data\r\nEmpty=\r\n[Other]\r\nX=1\r\n");
  writeFile("product.ini", "[Paths]\r\nOld=gone\r\n[Keep]\r\nY=2\r\n");
  const std::u16string command = u"INI=" + windows("new.ini") + u"|" + windows("product.ini") + u"|Paths";
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(command.c_str(), note), zefkr::kSendDone);
  const std::string target = readText(root_ + "/product.ini");
  EXPECT_EQ(target.find("Old="), std::string::npos) << target;
  EXPECT_NE(target.find("Data=D:\\data"), std::string::npos) << target;
  EXPECT_NE(target.find("Empty="), std::string::npos) << target;
  EXPECT_NE(target.find("Y=2"), std::string::npos) << target;
}

TEST_F(ServiceChannelTest, RejectedCommandIsReportedAsFailed) {
  installAndStart();
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(u"run=/bin/true|", note), zefkr::kSendFailed);
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/no/such/installer|", note), zefkr::kSendInstallerNotStarted);
  EXPECT_EQ(channelValue(u"Command"), u"<missing>");
}

TEST_F(ServiceChannelTest, ServiceNotInstalled) {
  platform::RecordingMessageBoxes boxes;
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/bin/true|", note), zefkr::kSendServiceNotInstalled);
  EXPECT_EQ(boxes.count(), 0u);
  EXPECT_EQ(channelValue(u"Command"), u"<missing>");
}

TEST_F(ServiceChannelTest, StoppedServiceIsRepairedOnceWithOneNotice) {
  install();
  // The elevation step only records what it was asked to start.
  const std::u16string recorder = script("elevate.sh", "echo \"$@\" >> '" + root_ + "/elevated.log'");
  setenv("ZEF_ELEVATE_COMMAND", platform::nativePath(recorder)->c_str(), 1);
  fs::create_directories(root_ + "/bin");
  script("bin/vkrservice", "exit 0");
  zefkr::serviceChannelSettings().programFolder = windows("bin");
  zefkr::loadLanguageFrom(zefkr::programFolder(nullptr));
  platform::RecordingMessageBoxes boxes;
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);

  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/bin/true|", note), zefkr::kSendNotAccepted);
  KRFreeLanguage();

  ASSERT_EQ(boxes.count(), 1u);
  const platform::MessageBoxRequest box = boxes.shown()[0];
  EXPECT_NE(box.text.find(u"Vendrako Kestruner"), std::u16string::npos);
  EXPECT_NE(box.text.find(u"\r\n"), std::u16string::npos);
  EXPECT_EQ(box.caption, u"Vendrako Kestruner");
  EXPECT_EQ(box.type, MB_OK | MB_ICONINFORMATION);
  // The repair start is detached: give it a moment to leave its record.
  for (int i = 0; i < 100 && readText(root_ + "/elevated.log").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(readText(root_ + "/elevated.log"), root_ + "/bin/vkrservice /fix\n");
  EXPECT_EQ(clock.sleptMs(), zefkr::kRepairRetries * zefkr::kRepairRetrySleepMs);
  EXPECT_EQ(channelValue(u"Command"), u"<missing>");
  EXPECT_EQ(channelValue(u"InfoFile"), u"");
}

TEST_F(ServiceChannelTest, TimeOutIsReportedAndTheLateReplyMissesTheNextCommand) {
  installAndStart();
  // An installer that works until the test releases it: the updater's
  // virtual clock runs out while it works.
  const std::u16string installer = heldInstaller();
  platform::VirtualClock clock;
  {
    platform::ScopedClock useClock(clock);
    CLWideStr note;
    EXPECT_EQ(KRSendServiceCommand((u"RUN=" + installer + u"|held").c_str(), note), zefkr::kSendTimedOut);
  }
  EXPECT_GE(clock.sleptMs(), 30638u);
  EXPECT_LE(clock.sleptMs(), 30638u + zefkr::kAnswerPollMs);

  // The next command is sent while the service still runs the first; the
  // first's reply, when it comes, is not the answer to it.
  const std::u16string next = u"RUN=" + installer + u"|next";
  int32_t nextResult = -1;
  std::thread sender([&] {
    CLWideStr note;
    nextResult = KRSendServiceCommand(next.c_str(), note);
  });
  EXPECT_TRUE(waitForCommand(next));
  std::ofstream(gate()) << "";
  sender.join();
  EXPECT_EQ(nextResult, zefkr::kSendDone);
  // The timed-out command ran once, and was not sent again.
  EXPECT_EQ(testsupport::waitForLines(runsLog(), 4), "start held\nend held\nstart next\nend next\n");
  EXPECT_EQ(channelValue(u"Command"), u"<missing>");
}

TEST_F(ServiceChannelTest, TwoSendersAtOnceEachGetTheirOwnReply) {
  installAndStart();
  const std::u16string installer = heldInstaller();
  const std::u16string first = u"RUN=" + installer + u"|held";
  const std::u16string second = u"RUN=" + installer + u"|second";
  int32_t results[2] = {-1, -1};
  std::thread firstSender([&] {
    CLWideStr note;
    results[0] = KRSendServiceCommand(first.c_str(), note);
  });
  ASSERT_EQ(testsupport::waitForLines(runsLog(), 1), "start held\n");
  std::thread secondSender([&] {
    CLWideStr note;
    results[1] = KRSendServiceCommand(second.c_str(), note);
  });
  // The second sender waits for the first's reply before it writes; were it
  // to write now, the first command's reply would land on it.
  EXPECT_FALSE(waitForCommand(second, 40));
  std::ofstream(gate()) << "";
  firstSender.join();
  secondSender.join();
  EXPECT_EQ(results[0], zefkr::kSendDone);
  EXPECT_EQ(results[1], zefkr::kSendDone);
  EXPECT_EQ(testsupport::waitForLines(runsLog(), 4), "start held\nend held\nstart second\nend second\n");
}

TEST_F(ServiceChannelTest, ChannelThatCannotBeWrittenFailsTheCommand) {
  installAndStart();
  const std::u16string installer = heldInstaller();
  WritePrivateProfileStringW(u"VKRService", u"DocsFolder", u"C:\\", channel_.c_str());
  {
    platform::ScopedFileSyscalls restore;
    platform::fileSyscalls().openat = refuseChannelWrites;
    CLWideStr note;
    EXPECT_EQ(KRSendServiceCommand((u"RUN=" + installer + u"|never").c_str(), note), zefkr::kSendChannelNotWritten);
  }
  EXPECT_FALSE(fs::exists(runsLog()));
}

TEST_F(ServiceChannelTest, ChannelFileIsGroupWritableWhoeverMadeIt) {
  // The channel folder is made with the service's group, writable by it;
  // the file gets that group and group write whatever the creator's umask
  // and primary group.
  const std::string folder = sandbox_.channelFolder();
  ASSERT_EQ(chmod(folder.c_str(), 0775), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), static_cast<uid_t>(-1), 65534), 0);
  }
  struct stat folderInfo {};
  ASSERT_EQ(stat(folder.c_str(), &folderInfo), 0);
  const mode_t savedMask = umask(022);
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/bin/true|", note), zefkr::kSendServiceNotInstalled);
  const std::string file = folder + "/VENDRAKO.INI";
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  EXPECT_EQ(info.st_gid, folderInfo.st_gid);
  // A file made before, readable by its maker only, is opened to the group.
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/bin/true|", note), zefkr::kSendServiceNotInstalled);
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0660u);
  umask(savedMask);
}

TEST_F(ServiceChannelTest, OlderSystemsRunTheCommandThemselves) {
  platform::setWindowsMajorVersion(5);
  WritePrivateProfileStringW(u"VKRService", u"InfoFile", u"C:\\notes\\readme.txt", channel_.c_str());
  CLWideStr note;
  EXPECT_EQ(KRSendServiceCommand(u"RUN=/bin/true|", note), zefkr::kCommandDone);
  EXPECT_EQ(note.Text(), u"C:\\notes\\readme.txt");
  EXPECT_EQ(KRSendServiceCommand(u"run=/bin/true|", note), zefkr::kCommandBad);
  EXPECT_NE(channelValue(u"DocsFolder"), u"<missing>");
}

TEST_F(ServiceChannelTest, ExecutorRejectsBadCommands) {
  writeFile("src.ini", "[S]\r\nA=1\r\n");
  const std::u16string src = windows("src.ini");
  const std::u16string cases[] = {
      u"run=/bin/true|",
      u"RUN",
      u"COPY=a|b",
      u"RUN=/bin/true",
      u"RUN=/no/such/installer|",
      u"INI=" + src + u"|" + windows("t.ini"),
      u"INI=" + windows("missing.ini") + u"|" + windows("t.ini") + u"|S",
      // The target cannot be written: a failure, not success.
      u"INI=" + src + u"|" + windows("no/such/folder/t.ini") + u"|S",
  };
  for (const std::u16string& command : cases) {
    CLWideStr note;
    EXPECT_EQ(KRRunProcedureCommand(command.c_str(), note), zefkr::kCommandBad) << platform::wideToAnsiLenient(command);
  }
  EXPECT_FALSE(fs::exists(root_ + "/t.ini"));
}

TEST_F(ServiceChannelTest, ExecutorIniCopiesKeyLinesOnly) {
  writeFile("src.ini", "[S]\r\n; note=x\r\nA=1\r\n[x=y\r\n");
  writeFile("t.ini", "[S]\r\nOld=1\r\n");
  CLWideStr note;
  const std::u16string command = u"INI=" + windows("src.ini") + u"|" + windows("t.ini") + u"|S";
  EXPECT_EQ(KRRunProcedureCommand(command.c_str(), note), zefkr::kCommandDone);
  EXPECT_EQ(readText(root_ + "/t.ini"), "[S]\r\nA=1\r\n");
}

TEST_F(ServiceChannelTest, ExecutorIniEmptiesTheSectionWhenTheSourceHasNone) {
  writeFile("src.ini", "[Other]\r\nA=1\r\n");
  writeFile("t.ini", "[S]\r\nOld=1\r\n[T]\r\nB=2\r\n");
  CLWideStr note;
  const std::u16string command = u"INI = " + windows("src.ini") + u"|" + windows("t.ini") + u"|S";
  EXPECT_EQ(KRRunProcedureCommand(command.c_str(), note), zefkr::kCommandDone);
  const std::string target = readText(root_ + "/t.ini");
  EXPECT_EQ(target.find("Old"), std::string::npos) << target;
  EXPECT_NE(target.find("B=2"), std::string::npos) << target;
}

}  // namespace
