// Installing downloaded updates through the real service.
#include "zefkr/Installation.h"

#include "zefkr/Language.h"
#include "zefkr/ServiceChannel.h"

#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"

#include "TestLanguage.h"

#include "testsupport/DetachedOutput.h"
#include "testsupport/ServiceRoot.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(InstallRulesTest, ParametersNotesAndTargets) {
  const struct {
    const char16_t* parameters;
    const char16_t* result;
  } parameters[] = {
      {u"/S /D={$dst}", u"/S /D=C:\\P"},
      {u"{$dst} {$DST} {$dst}", u"C:\\P {$DST} {$dst}"},
      {u"/D={$DST} {$DST}", u"/D=C:\\P {$DST}"},
      {u"none", u"none"},
  };
  for (const auto& c : parameters) {
    EXPECT_EQ(zefkr::parametersFor(c.parameters, u"C:\\P"), c.result);
  }
  const struct {
    const char16_t* note;
    const char16_t* result;
  } notes[] = {
      {u"Fix [beta] done", u"Fix  done"}, {u"  [x]Fix ", u"Fix"},           {u"a ] b [ c", u"a ] b [ c"},
      {u"a [b] c [d]", u"a  c [d]"},      {u"open [ only", u"open [ only"},
  };
  for (const auto& c : notes) EXPECT_EQ(zefkr::cleanedNote(c.note), c.result);
  EXPECT_EQ(zefkr::iniTarget(u"C:\\P", u"prod.ini.txt"), u"C:\\P\\prod.ini");
  EXPECT_EQ(zefkr::iniTarget(u"C:\\P", u"prod.ini"), u"C:\\P\\prod.ini");
  EXPECT_EQ(zefkr::iniTarget(u"C:\\P", u"a.ini.txt.ini.txt"), u"C:\\P\\a.ini.ini.txt");
}

struct RecordingView : zefkr::ProgressView {
  std::vector<std::u16string> labels;
  std::vector<int> bars;
  std::map<int, int> rowImages;
  void setProgressLabel(const std::u16string& text) override { labels.push_back(text); }
  int barPosition() override { return bars.empty() ? 0 : bars.back(); }
  void setBarPosition(int position) override { bars.push_back(position); }
  bool isPageVisible() override { return true; }
  void setRowImage(int row, int image) override { rowImages[row] = image; }
  void setPercentLabel(bool, const std::u16string&) override {}
  void repaint() override {}
};

struct RecordingHost : zefkr::InstallHost {
  int pauses = 0;
  int raised = 0;
  void Pause(double) override { ++pauses; }
  void bringMainWindowToTop() override { ++raised; }
  HWND mainWindow() override { return nullptr; }
};

class InstallationTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.create("/tmp/zefkr-install-XXXXXX", SERVICE_CONTROL_TOOL));
    root_ = sandbox_.path();
    channel_ = sandbox_.channelFolder() + "/VENDRAKO.INI";
    ASSERT_EQ(testsupport::runToEnd(VKRSERVICE_PROGRAM, u"/install"), 0u);
    ASSERT_EQ(testsupport::controlService(SERVICE_CONTROL_TOOL, "start"), 0u);
    product_ = root_ + "/prod";
    fs::create_directories(product_);
    // The opener records what it is asked to show.
    const std::string opener = root_ + "/opener.sh";
    std::ofstream(opener) << "#!/bin/sh\necho \"$@\" >> '" << root_ << "/opened.log'\n";
    chmod(opener.c_str(), 0755);
    setenv("ZEF_OPENER", opener.c_str(), 1);
    // English messages for the labels.
    zefkr::testing::loadMessages(root_, "1002=A\r\n1003=B\r\n1004=C\r\n1606=Installing\r\n1607=Now\r\n");
  }
  void TearDown() override {
    testsupport::controlService(SERVICE_CONTROL_TOOL, "stop");
    unsetenv("ZEF_OPENER");
    KRFreeLanguage();
    sandbox_.destroy();
  }

  std::u16string windows(const std::string& path) { return platform::windowsPath(path); }

  // A downloaded "run" update: a copy of the demo installer.
  zefkr::TKRUpdateInfo& addRun(const std::u16string& parameters, const std::u16string& note, int32_t version = 612) {
    const std::string file = root_ + "/VKRUpd" + std::to_string(updates_->count) + ".exe";
    fs::copy_file(DEMO_INSTALLER, file, fs::copy_options::overwrite_existing);
    zefkr::TKRUpdateInfo& update = add(u"run", windows(file), version);
    update.parameters = parameters;
    update.note = note;
    return update;
  }
  zefkr::TKRUpdateInfo& add(const std::u16string& kind, const std::u16string& file, int32_t version) {
    zefkr::TKRUpdateInfo& update = updates_->items[static_cast<size_t>(updates_->count++)];
    update = zefkr::TKRUpdateInfo{};
    update.kind = kind;
    update.name = u"Update " + kind;
    update.productId = update.productSubId = 12;
    update.version = version;
    update.dateText = u"01/02/2024";
    update.productFolder = windows(product_);
    update.downloadedFile = file;
    update.status = zefkr::kUpdateDownloaded;
    update.restartLevel = 1;
    return update;
  }
  std::u16string recordedVersion() {
    WCHAR value[600] = {};
    GetPrivateProfileStringW(u"Kestruner", u"12", u"<none>", value, 600, windows(channel_).c_str());
    return value;
  }
  void install() { zefkr::InstallUpdates(session_, *updates_, view_, host_, u"Wizard"); }

  testsupport::ServiceRoot sandbox_;
  std::string root_;
  std::string channel_;
  std::string product_;
  zefkr::WizardSession session_;
  std::unique_ptr<zefkr::TKRUpdateInfoList> updates_ = std::make_unique<zefkr::TKRUpdateInfoList>();
  RecordingView view_;
  RecordingHost host_;
  platform::RecordingMessageBoxes boxes_;
};

TEST_F(InstallationTest, RunUpdateInstallsShowsItsNoteAndRecordsTheVersion) {
  addRun(u"{$dst} new.dat", u"Fix [beta] done");
  install();
  const zefkr::TKRUpdateInfo& update = updates_->items[0];
  EXPECT_NE(update.status & zefkr::kUpdateInstalled, 0u);
  EXPECT_EQ(readText(product_ + "/new.dat"), "new program file of the demo update\n");
  EXPECT_EQ(recordedVersion(), u"612,01/02/2024,\"Fix  done\"");
  EXPECT_EQ(session_.FRestartLevel, 1);
  EXPECT_FALSE(session_.FInstalling);
  EXPECT_EQ(host_.pauses, 1);
  EXPECT_EQ(host_.raised, 1);
  EXPECT_EQ(view_.labels, (std::vector<std::u16string>{u"Installing", u"Now \"Update run\""}));
  EXPECT_EQ(view_.bars, std::vector<int>{100});
  EXPECT_TRUE(view_.rowImages.empty());
  // The note the installer left went to the opener, which runs detached.
  const std::string opened = testsupport::waitForLines(root_ + "/opened.log");
  EXPECT_NE(opened.find("Kestruner demo update.txt"), std::string::npos) << opened;
}

TEST_F(InstallationTest, IniSectionUpdatesAndTheirFailure) {
  std::ofstream(root_ + "/VKRUpd9.txt") << "[Paths]\r\nData=D:\\data\r\n";
  std::ofstream(product_ + "/prod.ini") << "[Paths]\r\nOld=1\r\n[Keep]\r\nY=2\r\n";
  zefkr::TKRUpdateInfo& update = add(u"inisec", windows(root_ + "/VKRUpd9.txt"), 613);
  update.fileName = u"prod.ini.txt";
  update.parameters = u"Paths";
  update.note = u"Settings [x] note";
  update.restartLevel = 2;
  install();
  EXPECT_NE(updates_->items[0].status & zefkr::kUpdateInstalled, 0u);
  const std::string target = readText(product_ + "/prod.ini");
  EXPECT_NE(target.find("Data=D:\\data"), std::string::npos) << target;
  EXPECT_EQ(target.find("Old=1"), std::string::npos) << target;
  EXPECT_EQ(recordedVersion(), u"613,01/02/2024,\"Settings [x] note\"");
  EXPECT_EQ(session_.FRestartLevel, 2);

  // A failing command records no version, so the update is offered again;
  // it still raises the level (the settings may have changed) and ends the
  // run with the row marked failed.
  updates_->count = 0;
  zefkr::TKRUpdateInfo& failing = add(u"inisec", windows(root_ + "/missing.txt"), 614);
  failing.fileName = u"prod.ini";
  failing.parameters = u"Paths";
  failing.restartLevel = 3;
  addRun(u"{$dst} late.dat", u"late");
  install();
  EXPECT_EQ(updates_->items[0].status & zefkr::kUpdateInstalled, 0u);
  EXPECT_EQ(recordedVersion(), u"613,01/02/2024,\"Settings [x] note\"");
  EXPECT_EQ(session_.FRestartLevel, 3);
  EXPECT_EQ(view_.rowImages[0], 2);
  EXPECT_FALSE(fs::exists(product_ + "/late.dat"));

  // A file name that leaves the product folder is not sent at all.
  updates_->count = 0;
  zefkr::TKRUpdateInfo& unsafe = add(u"inisec", windows(root_ + "/VKRUpd9.txt"), 615);
  unsafe.fileName = u"..\\escape.ini";
  unsafe.parameters = u"Paths";
  install();
  EXPECT_EQ(updates_->items[0].status & zefkr::kUpdateInstalled, 0u);
  EXPECT_FALSE(fs::exists(root_ + "/escape.ini"));
  EXPECT_EQ(recordedVersion(), u"613,01/02/2024,\"Settings [x] note\"");
}

TEST_F(InstallationTest, FailuresStopTheRest) {
  // An installer that cannot be started; a run without a note; other kinds.
  const std::string inert = root_ + "/VKRUpdInert.exe";
  std::ofstream(inert) << "MZ";
  chmod(inert.c_str(), 0644);
  struct Case {
    const char* name;
    std::u16string kind;
    std::u16string file;
    uint32_t bits;
  };
  const std::string quiet = root_ + "/quiet.exe";
  std::ofstream(quiet) << "#!/bin/sh\nexit 0\n";
  chmod(quiet.c_str(), 0755);
  const Case cases[] = {
      {"not started", u"run", windows(inert), zefkr::kUpdateNotStarted},
      {"no information file", u"run", windows(quiet), zefkr::kUpdateNoInformation},
      {"show installs nothing", u"show", windows(quiet), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    updates_->count = 0;
    view_ = RecordingView{};
    add(c.kind, c.file, 700);
    addRun(u"{$dst} second.dat", u"second");
    install();
    EXPECT_EQ(updates_->items[0].status & ~uint32_t{zefkr::kUpdateDownloaded}, c.bits);
    EXPECT_EQ(view_.rowImages[0], 2);
    EXPECT_EQ(view_.rowImages.count(1), 0u);
    EXPECT_FALSE(fs::exists(product_ + "/second.dat"));
    EXPECT_TRUE(view_.bars.empty());
  }
}

TEST_F(InstallationTest, BarSkippedUpdatesAndCancelWhileAProductProgramRuns) {
  // Three updates: the second not selected. The bar stands at 66, 82, 98.
  addRun(u"{$dst} a.dat", u"a");
  addRun(u"{$dst} b.dat", u"b").selected = false;
  addRun(u"{$dst} c.dat", u"c");
  install();
  EXPECT_EQ(view_.bars, (std::vector<int>{66, 82, 98}));
  EXPECT_TRUE(fs::exists(product_ + "/a.dat"));
  EXPECT_FALSE(fs::exists(product_ + "/b.dat"));
  EXPECT_TRUE(fs::exists(product_ + "/c.dat"));

  // A program of the product runs: Cancel ends the installation.
  const std::string program = product_ + "/app";
  fs::copy_file("/bin/sleep", program);
  const pid_t running = fork();
  if (running == 0) {
    execl(program.c_str(), program.c_str(), "30", nullptr);
    _exit(127);
  }
  // Until the kernel shows the product's program in the child.
  const std::string exe = "/proc/" + std::to_string(running) + "/exe";
  for (int i = 0; i < 1000; ++i) {
    std::error_code error;
    if (fs::read_symlink(exe, error) == program) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  updates_->count = 0;
  view_ = RecordingView{};
  addRun(u"{$dst} d.dat", u"d");
  boxes_.answerNext(IDCANCEL);
  install();
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, u"ABC");
  EXPECT_EQ(boxes_.shown()[0].type, MB_OKCANCEL | MB_ICONSTOP);
  EXPECT_FALSE(fs::exists(product_ + "/d.dat"));
  EXPECT_EQ(view_.rowImages[0], 2);
  EXPECT_FALSE(session_.FInstalling);
}

}  // namespace
