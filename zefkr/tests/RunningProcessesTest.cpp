#include "zefkr/RunningProcesses.h"

#include "platform/Paths.h"
#include "platform/ProcessSnapshot.h"

#include "TestRoot.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

using zefkr::testing::TestRoot;
namespace fs = std::filesystem;

// A copy of `sleep` run from a folder below the root, killed at the end.
class ProgramInFolder {
public:
  ProgramInFolder(const std::string& folder) {
    fs::create_directories(folder);
    const std::string program = folder + "/app";
    fs::copy_file("/bin/sleep", program, fs::copy_options::overwrite_existing);
    fs::permissions(program, fs::perms::owner_all);
    pid_ = fork();
    if (pid_ == 0) {
      execl(program.c_str(), program.c_str(), "30", nullptr);
      _exit(127);
    }
    // Until the kernel shows the new program.
    for (int i = 0; i < 1000; ++i) {
      std::error_code error;
      if (fs::read_symlink("/proc/" + std::to_string(pid_) + "/exe", error) == program) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~ProgramInFolder() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

private:
  pid_t pid_ = -1;
};

class RunningProcessesTest : public ::testing::Test {
protected:
  zefkr::TKRUpdateInfo& add(const std::u16string& folder, uint32_t status = 0) {
    zefkr::TKRUpdateInfo& update = updates_->items[static_cast<size_t>(updates_->count++)];
    update = zefkr::TKRUpdateInfo{};
    update.productFolder = folder;
    update.status = status;
    return update;
  }
  void TearDown() override {
    platform::setPsapiAvailability({});
    platform::setProcessTable(nullptr);
  }

  TestRoot root_;
  std::unique_ptr<zefkr::TKRUpdateInfoList> updates_ = std::make_unique<zefkr::TKRUpdateInfoList>();
};

TEST_F(RunningProcessesTest, ProgramsInTheExactProductFolderCount) {
  const std::string product = root_.path() + "/drives/c/Prod/Alpha";
  const ProgramInFolder inFolder(product);
  const ProgramInFolder inSubFolder(product + "/bin");

  EXPECT_EQ(KRFindRunningProductProcesses(*updates_), 0);
  struct Case {
    const char* name;
    std::vector<std::pair<std::u16string, uint32_t>> updates;
    int32_t count;
  };
  const Case cases[] = {
      {"exact folder, not the sub-folder", {{u"C:\\Prod\\Alpha", 0}}, 1},
      {"two updates of one product", {{u"C:\\Prod\\Alpha", 0}, {u"C:\\Prod\\Alpha", 0}}, 1},
      {"letter case", {{u"c:\\PROD\\alpha", 0}}, 1},
      {"negative version first", {{u"C:\\Prod\\Alpha", zefkr::kUpdateNegativeVersion}, {u"C:\\Prod\\Alpha", 0}}, 0},
      {"negative version second", {{u"C:\\Prod\\Alpha", 0}, {u"C:\\Prod\\Alpha", zefkr::kUpdateNegativeVersion}}, 1},
      {"another product", {{u"C:\\Prod\\Beta", 0}}, 0},
  };
  for (const Case& c : cases) {
    updates_->count = 0;
    for (const auto& [folder, status] : c.updates) add(folder, status);
    EXPECT_EQ(KRFindRunningProductProcesses(*updates_), c.count) << c.name;
  }

  // Without the process information library the check cannot be done.
  platform::setPsapiAvailability({false, true, true});
  EXPECT_EQ(KRFindRunningProductProcesses(*updates_), -1);
  platform::setPsapiAvailability({true, false, true});
  EXPECT_EQ(KRFindRunningProductProcesses(*updates_), -1);
}

// A process table of made-up processes.
class FakeTable : public platform::ProcessTable {
public:
  std::vector<platform::ProcessRecord> records;
  std::vector<DWORD> closed;  // ids that cannot be opened
  std::vector<DWORD> processIds() override {
    std::vector<DWORD> ids = closed;
    for (const auto& record : records) ids.push_back(record.id);
    return ids;
  }
  std::optional<platform::ProcessRecord> open(DWORD id) override {
    for (const auto& record : records) {
      if (record.id == id) return record;
    }
    return std::nullopt;
  }
};

TEST_F(RunningProcessesTest, TheSixteenBitHostCountsItsModules) {
  const std::string product = root_.path() + "/drives/c/Prod/Old";
  fs::create_directories(product);
  FakeTable table;
  table.closed = {7};
  table.records.push_back(
      {10,
       "/usr/lib/ntvdm.exe",
       {"/usr/lib/ntvdm.exe", product + "/ONE.EXE", product + "/two.dll", product + "/sub/three.dll"}});
  table.records.push_back({11, product + "/plain.exe", {product + "/plain.exe"}});
  platform::setProcessTable(&table);
  add(u"c:\\prod\\OLD");
  // Two modules of the host in the folder, and the plain program once.
  EXPECT_EQ(KRFindRunningProductProcesses(*updates_), 3);
  // Without EnumProcessModules the host is a plain process.
  platform::setPsapiAvailability({true, true, false});
  EXPECT_EQ(KRFindRunningProductProcesses(*updates_), 1);
}

TEST_F(RunningProcessesTest, SameLongPath) {
  fs::create_directories(root_.path() + "/drives/c/Prod/Long Name");
  EXPECT_TRUE(KRSameLongPath(u"c:\\prod\\long name", u"C:\\Prod\\Long Name"));
  EXPECT_FALSE(KRSameLongPath(u"C:\\Prod\\Long Name", u"C:\\Prod"));
  // Two paths that cannot be expanded (missing, or longer than the long
  // form may be) are two failures, not one folder.
  const std::u16string tooLong = u"C:\\" + std::u16string(600, u'x');
  EXPECT_FALSE(KRSameLongPath(u"C:\\Prod\\Missing", u"C:\\Prod\\Missing"));
  EXPECT_FALSE(KRSameLongPath(u"C:\\Prod\\Missing", u"C:\\Prod\\Gone"));
  EXPECT_FALSE(KRSameLongPath(tooLong.c_str(), tooLong.c_str()));
}

}  // namespace
