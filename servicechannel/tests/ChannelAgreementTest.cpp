// The two programs that run procedure commands must give the same answers:
// the updater running a command itself (systems before version 6) and the
// real vkrservice under the platform's service manager, in a scratch
// platform root. Each command runs once through each path on its own copy of
// the files, and the answers and the files left behind are compared.
#include "servicechannel/ChannelProtocol.h"

#include "zefkr/ProcedureCommand.h"
#include "zefkr/ServiceChannel.h"

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/SystemVersion.h"
#include "testsupport/ServiceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using servicechannel::ProcedureResult;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ChannelProtocolTest, RepliesReadBackIgnoringCase) {
  for (const ProcedureResult result : {ProcedureResult::Done, ProcedureResult::Failed, ProcedureResult::NotStarted}) {
    std::u16string upper(servicechannel::replyFor(result));
    for (char16_t& c : upper) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    EXPECT_EQ(servicechannel::resultOfReply(upper), result);
  }
  for (const std::u16string_view other : {u"", u"RUN=a|b", u"idle", u"*idle* "}) {
    EXPECT_FALSE(servicechannel::resultOfReply(other).has_value());
  }
}

class ChannelAgreementTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.create("/tmp/zef-agree-XXXXXX", SERVICE_CONTROL_TOOL));
    root_ = sandbox_.path();
    ASSERT_EQ(testsupport::runToEnd(VKRSERVICE_PROGRAM, u"/install"), 0u);
    ASSERT_EQ(testsupport::controlService(SERVICE_CONTROL_TOOL, "start"), 0u);
  }
  void TearDown() override {
    testsupport::controlService(SERVICE_CONTROL_TOOL, "stop");
    platform::setWindowsMajorVersion(6);
    sandbox_.destroy();
  }

  // The folder one path works in, with the same files in each.
  std::string prepare(const std::string& name) {
    const std::string folder = root_ + "/" + name;
    fs::create_directories(folder);
    std::ofstream(folder + "/source.ini", std::ios::binary)
        << "[Kestruner]\r\n; note=x\r\nVersion=2.0\r\nEmpty=\r\nline\r\n";
    std::ofstream(folder + "/target.ini", std::ios::binary) << "[Kestruner]\r\nOld=1\r\n[Other]\r\nKeep=yes\r\n";
    const std::string installer = folder + "/installer.sh";
    std::ofstream(installer) << "#!/bin/sh\necho \"$@\" >> '" << folder << "/installer.out'\nexit 3\n";
    chmod(installer.c_str(), 0755);
    return folder;
  }

  // The command with "@" standing for the path's folder, in Windows form.
  static std::u16string commandIn(const std::u16string& pattern, const std::string& folder) {
    const std::u16string windowsFolder = platform::windowsPath(folder);
    std::u16string command;
    for (const char16_t c : pattern) {
      if (c == u'@') {
        command += windowsFolder;
      } else {
        command.push_back(c);
      }
    }
    return command;
  }

  // Every file of the folder, by name, for comparing what a path left behind.
  static std::string filesOf(const std::string& folder) {
    std::string all;
    for (const char* name : {"source.ini", "target.ini", "installer.out"}) {
      all += std::string(name) + ":" + readText(folder + "/" + name) + "\n";
    }
    return all;
  }

  testsupport::ServiceRoot sandbox_;
  std::string root_;
};

TEST_F(ChannelAgreementTest, UpdaterAndServiceGiveTheSameAnswers) {
  struct Case {
    const char* label;
    std::u16string command;  // "@" is the folder of the path
    ProcedureResult expected;
  };
  const Case cases[] = {
      {"run", u"RUN=@\\installer.sh|/S \"C:\\Program Files\"", ProcedureResult::Done},
      {"run without installer", u"RUN=@\\missing.exe|", ProcedureResult::NotStarted},
      {"run without bar", u"RUN=@\\installer.sh", ProcedureResult::Failed},
      {"name in lower case", u"run=@\\installer.sh|", ProcedureResult::Failed},
      {"unknown name", u"COPY=a|b", ProcedureResult::Failed},
      {"ini", u"INI = @\\source.ini|@\\target.ini|Kestruner", ProcedureResult::Done},
      {"ini section missing in source", u"INI=@\\source.ini|@\\target.ini|Other", ProcedureResult::Done},
      {"ini with two fields", u"INI=@\\source.ini|@\\target.ini", ProcedureResult::Failed},
      {"ini source unreadable", u"INI=@\\nosuch.ini|@\\target.ini|Kestruner", ProcedureResult::Failed},
      {"ini target not written", u"INI=@\\source.ini|@\\no\\folder\\target.ini|Kestruner", ProcedureResult::Failed},
  };
  int ran = 0;
  for (const Case& row : cases) {
    SCOPED_TRACE(row.label);
    const std::string updaterFolder = prepare(std::string("updater-") + std::to_string(ran));
    const std::string serviceFolder = prepare(std::string("service-") + std::to_string(ran));

    CLWideStr note;
    platform::setWindowsMajorVersion(5);
    const int32_t updater = KRSendServiceCommand(commandIn(row.command, updaterFolder).c_str(), note);
    platform::setWindowsMajorVersion(6);
    const int32_t service = KRSendServiceCommand(commandIn(row.command, serviceFolder).c_str(), note);

    // The updater's own executor has one code for every failure.
    EXPECT_EQ(updater, row.expected == ProcedureResult::Done ? zefkr::kCommandDone : zefkr::kCommandBad);
    const int32_t serviceExpected = row.expected == ProcedureResult::Done     ? zefkr::kSendDone
                                    : row.expected == ProcedureResult::Failed ? zefkr::kSendFailed
                                                                              : zefkr::kSendInstallerNotStarted;
    EXPECT_EQ(service, serviceExpected);
    EXPECT_EQ(filesOf(updaterFolder), filesOf(serviceFolder));
    ++ran;
  }
  EXPECT_EQ(ran, 10);
}

}  // namespace
