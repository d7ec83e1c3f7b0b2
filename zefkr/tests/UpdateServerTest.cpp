// The conversation with the update server, against the server double.
#include "zefkr/UpdateServer.h"

#include "zefkr/Language.h"
#include "zefkr/TrayMode.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"

#include "fixtures/UpdateServerDouble.h"

#include "TestLanguage.h"
#include "TestRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zefkr::testing::TestRoot;

// Makes every file creation below `blockedFolder` fail, as when no
// temporary file can be made.
std::string blockedFolder;
int openOutsideBlockedFolder(const char* path, int flags, mode_t mode) {
  if ((flags & O_CREAT) && std::string_view(path).starts_with(blockedFolder)) {
    errno = EACCES;
    return -1;
  }
  return platform::defaultFileSyscalls().open(path, flags, mode);
}

struct NoTemporaryFiles {
  explicit NoTemporaryFiles(const std::string& folder) {
    blockedFolder = folder;
    platform::fileSyscalls().open = openOutsideBlockedFolder;
  }
  platform::ScopedFileSyscalls restore;
};

struct FakeHost : zefkr::ServerSessionHost {
  bool hidden = false;
  int pauses = 0;
  int pumps = 0;
  int proxies = 0;
  std::vector<uint32_t> timerIntervals;  // every period set, in order
  std::function<void()> onPump;
  void Pause(double) override { ++pauses; }
  void pumpOnce() override {
    ++pumps;
    if (onPump) onPump();
  }
  bool searchesHidden() override { return hidden; }
  void ApplyProxySettings(INetInternetSession&) override { ++proxies; }
  void setAutoTimerInterval(uint32_t milliseconds) override { timerIntervals.push_back(milliseconds); }
};

struct FakeView : zefkr::ProgressView {
  std::vector<std::u16string> labels;
  int bar = 0;
  std::vector<int> bars;  // every position set
  bool visible = true;
  std::map<int, std::vector<int>> rowImages;  // every image set, by row
  bool percentVisible = false;
  std::u16string percentText;

  void setProgressLabel(const std::u16string& text) override { labels.push_back(text); }
  int barPosition() override { return bar; }
  void setBarPosition(int position) override {
    bar = std::min(position, 100);
    bars.push_back(bar);
  }
  bool isPageVisible() override { return visible; }
  void setRowImage(int row, int image) override { rowImages[row].push_back(image); }
  void setPercentLabel(bool shown, const std::u16string& text) override {
    percentVisible = shown;
    percentText = text;
  }
  void repaint() override {}
};

class UpdateServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    // English messages, so labels can be told apart.
    const std::string program =
        zefkr::testing::loadMessages(root_.path(),
                                     "1304=login\r\n1305=list\r\n1306=parse\r\n1604=no temp\r\n1605=Downloading\r\n"
                                     "1608=%.0f of %.0f KB (%.0f%%)\r\n");
    programFolder_ = platform::ansiToWideLenient(program);

    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_INetInternetSessionImp, &made, 0), S_OK);
    net_ = static_cast<INetInternetSession*>(made);

    addresses_.loginUrl = wide(double_.requestBase());
    addresses_.downloadUrl = wide(double_.requestBase());
    addresses_.listUrl = wide(double_.listAddress());
    addresses_.locationA = wide(double_.locationA());
    addresses_.locationB = wide(double_.locationB());
    addresses_.webAddress1 = wide(double_.server().url("/"));
    addresses_.webAddress2 = wide(double_.server().url("/"));
    session_.FUserID.AssignSz(u"user");
    session_.FPassword.AssignSz(u"password");

    // Product 12, version 600, in the common copy.
    std::filesystem::create_directories(root_.path() + "/drives/c/P12");
    root_.writeFile(zefkr::testing::kCommonCopy, "[Procedure]\r\n12=C:\\P12\r\n[Kestruner]\r\n12=600,x,\"\"\r\n");
    products_->count = 1;
    products_->items[0].id = products_->items[0].subId = 12;
    products_->items[0].found = true;
  }
  void TearDown() override {
    net_->Release();
    KRFreeLanguage();
  }

  static std::u16string wide(const std::string& text) { return platform::ansiToWideLenient(text); }

  std::unique_ptr<zefkr::UpdateServerConversation> conversation() {
    return std::make_unique<zefkr::UpdateServerConversation>(session_, *products_, *updates_, net_, addresses_, host_,
                                                             u"Wizard", programFolder_);
  }

  // Adds an update row to the list held in `updates_` directly.
  zefkr::TKRUpdateInfo& addUpdate(const std::u16string& name, const std::u16string& file, const std::u16string& kind,
                                  int32_t mirror = 0) {
    zefkr::TKRUpdateInfo& update = updates_->items[static_cast<size_t>(updates_->count++)];
    update = zefkr::TKRUpdateInfo{};
    update.name = name;
    update.folder = u"dir";
    update.fileName = file;
    update.kind = kind;
    update.mirror = mirror;
    return update;
  }

  // Names of the files in the temporary folder.
  std::vector<std::string> temporaryFiles() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_.path() + "/Temp", error)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::vector<fixtures::FixtureRequest> requestsTo(const std::string& path) {
    std::vector<fixtures::FixtureRequest> found;
    for (const auto& request : double_.server().requests()) {
      if (request.path == path) found.push_back(request);
    }
    return found;
  }

  TestRoot root_;
  fixtures::UpdateServerDouble double_;
  INetInternetSession* net_ = nullptr;
  zefkr::ServerAddresses addresses_;
  zefkr::WizardSession session_;
  std::unique_ptr<zefkr::TKRDetectedProductList> products_ = std::make_unique<zefkr::TKRDetectedProductList>();
  std::unique_ptr<zefkr::TKRUpdateInfoList> updates_ = std::make_unique<zefkr::TKRUpdateInfoList>();
  FakeHost host_;
  FakeView view_;
  std::u16string programFolder_;
  platform::RecordingMessageBoxes boxes_;
};

TEST(LoginReplyTest, ReplyLines) {
  struct Case {
    const char* name;
    std::vector<std::u16string> lines;
    int32_t state;
    std::u16string processList;
  };
  const Case cases[] = {
      {"accepted, text after LOGINOK",
       {u"LOGIN RESPONSE: LOGINOK welcome", u"AUTHORIZATION: YES", u"PROCLIST:  12,15|VKR7|x "},
       0,
       u"12,15"},
      {"marker anywhere in its line",
       {u"x LOGIN RESPONSE: LOGINOK", u"-- AUTHORIZATION: YES!", u"PROCLIST: 12 "},
       0,
       u"12"},
      {"blank before LOGINOK", {u"LOGIN RESPONSE:  LOGINOK", u"AUTHORIZATION: YES", u"PROCLIST: 1"}, 2, u""},
      {"no login line", {u"AUTHORIZATION: YES", u"PROCLIST: 1"}, 2, u""},
      {"only the first login line counts",
       {u"LOGIN RESPONSE: LOGINFAILED", u"LOGIN RESPONSE: LOGINOK", u"AUTHORIZATION: YES", u"PROCLIST: 1"},
       2,
       u""},
      {"authorisation off", {u"LOGIN RESPONSE: LOGINOK", u"AUTHORIZATION: OFF"}, 4, u""},
      {"YES without a process list", {u"LOGIN RESPONSE: LOGINOK", u"AUTHORIZATION: YES"}, 3, u""},
      {"other authorisation", {u"LOGIN RESPONSE: LOGINOK", u"AUTHORIZATION: yes", u"PROCLIST: 1"}, 3, u""},
      {"lower-case marker", {u"login response: LOGINOK"}, 2, u""},
  };
  for (const Case& c : cases) {
    int32_t state = -1;
    std::u16string processList;
    zefkr::readLoginReply(c.lines, &state, &processList);
    EXPECT_EQ(state, c.state) << c.name;
    EXPECT_EQ(processList, c.processList) << c.name;
  }
}

TEST(RequestTest, BlanksBecomePlusAndNothingElseIsEncoded) {
  EXPECT_EQ(zefkr::buildRequest(u"http://h/u?", {{u"Req", u"login"}, {u"User ID", u"a b%c&d"}}),
            u"http://h/u?Req=login&User+ID=a+b%c&d");
  EXPECT_EQ(zefkr::buildRequest(u"http://h/list file.ini", {}), u"http://h/list+file.ini");
}

TEST_F(UpdateServerTest, LoginThroughTheDouble) {
  double_.setAccount("the user", "p*ss!w", "12,15|VKRTools");
  session_.FUserID.AssignSz(u"the user");
  session_.FPassword.AssignSz(u"p*ss!w");
  EXPECT_EQ(conversation()->Login(view_), 0);
  EXPECT_EQ(session_.FLoginState, 0);
  EXPECT_EQ(session_.FProcList.ToUnicodeString(), u"12,15");
  const auto logins = requestsTo("/update");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_NE(logins[0].target.find("UserID=the+user&Password=p*ss!w"), std::string::npos) << logins[0].target;
  EXPECT_EQ(logins[0].headers.at("user-agent"), "Kestruner");
  EXPECT_EQ(view_.labels, std::vector<std::u16string>{u"login"});
  EXPECT_EQ(view_.bar, 5);
  EXPECT_EQ(host_.proxies, 1);

  // A wrong account: the server answers, without LOGINOK.
  session_.FPassword.AssignSz(u"other");
  EXPECT_EQ(conversation()->Login(view_), 0);
  EXPECT_EQ(session_.FLoginState, 2);
}

TEST_F(UpdateServerTest, LoginFailures) {
  // A missing login address is a transfer failure.
  addresses_.loginUrl.clear();
  EXPECT_EQ(conversation()->Login(view_), -1);
  EXPECT_EQ(session_.FLoginState, 1);
  // An error page is never taken for a reply.
  addresses_.loginUrl = wide(double_.server().url("/nothing-here?"));
  EXPECT_EQ(conversation()->Login(view_), -1);
  // No temporary file is left behind.
  EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
}

// Far more than any login reply or update list holds, in lines the list
// reader skips quickly.
std::shared_ptr<const std::string> oversizedReply() {
  constexpr size_t kSize = size_t{16} << 20;
  std::string text;
  text.reserve(kSize + 64);
  while (text.size() < kSize) text += "; a filler line of a reply that does not end\r\n";
  return std::make_shared<const std::string>(std::move(text));
}

TEST_F(UpdateServerTest, LoginReplyAndListAreBoundedAndCancellable) {
  fixtures::FixtureResponse endless;
  endless.sharedBody = oversizedReply();
  double_.server().route("/endless", endless);
  // One byte every 30 ms: the whole reply would take seconds.
  fixtures::FixtureResponse dripping;
  dripping.body = "LOGIN RESPONSE: LOGINOK\r\n[12]\r\n" + std::string(100, ';');
  dripping.blockSize = 1;
  dripping.delayPerBlockMs = 30;
  double_.server().route("/dripping", dripping);

  enum class Step { kNothing, kCancel, kTimePasses };
  struct Case {
    const char* name;
    bool login;  // else the list
    const char* path;
    Step step;  // what happens whenever events are let in
    int32_t result;
  };
  const Case cases[] = {
      {"endless login reply", true, "/endless", Step::kNothing, -1},
      {"endless list", false, "/endless", Step::kNothing, -1},
      {"dripping login reply, Cancel", true, "/dripping", Step::kCancel, -2},
      {"dripping list, Cancel", false, "/dripping", Step::kCancel, -2},
      {"dripping login reply past the deadline", true, "/dripping", Step::kTimePasses, -1},
      {"dripping list past the deadline", false, "/dripping", Step::kTimePasses, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::VirtualClock clock;
    std::optional<platform::ScopedClock> useClock;
    if (c.step == Step::kTimePasses) useClock.emplace(clock);
    addresses_.loginUrl = wide(double_.server().url(std::string(c.path) + "?"));
    addresses_.listUrl = wide(double_.server().url(c.path));
    session_.FCancelled = false;
    host_.pumps = 0;
    host_.onPump = [&] {
      if (c.step == Step::kCancel) session_.FCancelled = true;
      if (c.step == Step::kTimePasses) clock.advance(10'000);
    };
    auto talk = conversation();
    EXPECT_EQ(c.login ? talk->Login(view_) : talk->DownloadUpdateList(view_), c.result);
    // The wizard kept handling events while the reply came.
    EXPECT_GT(host_.pumps, 0);
    const uint32_t limit = c.login ? zefkr::kLoginReplyLimitBytes : zefkr::kUpdateListLimitBytes;
    EXPECT_LE(talk->lastProgress().received, limit + 32'000u);
  }
  host_.onPump = nullptr;
  EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
}

TEST_F(UpdateServerTest, ReachabilityOnlyWhenSearchingHidden) {
  addresses_.webAddress1 = u"http://127.0.0.1:1/";
  addresses_.webAddress2 = u"http://127.0.0.1:1/";
  // Visible: no check, the login goes out.
  EXPECT_EQ(conversation()->Login(view_), 0);
  // Hidden with both addresses closed: -2, nothing requested.
  host_.hidden = true;
  const size_t before = double_.server().requests().size();
  EXPECT_EQ(conversation()->Login(view_), -2);
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), -2);
  EXPECT_EQ(double_.server().requests().size(), before);
  // The second address answering is enough.
  addresses_.webAddress2 = wide(double_.server().url("/"));
  EXPECT_EQ(conversation()->Login(view_), 0);
}

TEST_F(UpdateServerTest, UpdateListResults) {
  double_.setUpdateList(
      "[12]\r\nA=601|01/02/2024|1|One|dir|a.exe|run||x|0|n\r\n"
      "B=602|01/02/2024|2|Two|dir|b.exe|run||x|0|n\r\n");
  session_.FProcList.AssignSz(u"*");
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), 2);
  EXPECT_EQ(updates_->count, 2);
  EXPECT_EQ(view_.labels, (std::vector<std::u16string>{u"list", u"parse"}));
  EXPECT_EQ(view_.bar, 100);
  EXPECT_GT(host_.pauses, 30);  // the bar walks up to 100
  const auto lists = requestsTo("/updates.ini");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0].headers.at("user-agent"), "Kestruner");

  // Hidden: the bar jumps to 100; nothing found gives 0.
  double_.setUpdateList("[12]\r\n");
  view_.visible = false;
  view_.bar = 0;
  const int pauses = host_.pauses;
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), 0);
  EXPECT_EQ(view_.bar, 100);
  EXPECT_EQ(host_.pauses, pauses + 1);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(UpdateServerTest, UpdateListFailuresAndTheirBoxes) {
  // The list download fails.
  addresses_.listUrl = wide(double_.server().url("/missing.ini"));
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), -1);
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, u"FNetSession->GetHTTPFile() failed!");

  // The session cannot be opened.
  auto noSession = std::make_unique<zefkr::UpdateServerConversation>(session_, *products_, *updates_, nullptr,
                                                                     addresses_, host_, u"Wizard", programFolder_);
  EXPECT_EQ(noSession->DownloadUpdateList(view_), -1);
  EXPECT_EQ(boxes_.shown().back().text, u"FNetSession->Start() failed!");

  // A list that arrives whole but holds more sections than the updater
  // reads fails as one past the size bound does: the update it holds is not
  // found, and the search does not end as "everything is up to date".
  addresses_.listUrl = wide(double_.listAddress());
  session_.FProcList.AssignSz(u"*");
  std::string manySections = "[12]\r\nA=601|01/02/2024|1|One|dir|a.exe|run||x|0|n\r\n";
  for (size_t section = 0; section < zefkr::kMaxUpdateListSections; ++section) manySections += "[s]\r\n";
  double_.setUpdateList(manySections);
  const size_t boxesBefore = boxes_.count();
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), -1);
  EXPECT_EQ(updates_->count, 0);
  EXPECT_EQ(boxes_.count(), boxesBefore);  // no transfer failed
  EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});

  // No temporary file: the list goes to UpdList.tmp beside the program.
  addresses_.listUrl = wide(double_.listAddress());
  double_.setUpdateList("[12]\r\nA=601|01/02/2024|1|One|dir|a.exe|run||x|0|n\r\n");
  session_.FProcList.AssignSz(u"*");
  const NoTemporaryFiles noTemporaryFiles(root_.path() + "/Temp/");
  const size_t before = boxes_.count();
  EXPECT_EQ(conversation()->DownloadUpdateList(view_), 1);
  const auto shown = boxes_.shown();
  ASSERT_EQ(shown.size(), before + 1);
  EXPECT_EQ(shown.back().text, u"CreateTempFile() failed!");
  EXPECT_FALSE(std::filesystem::exists(root_.path() + "/program/UpdList.tmp"));
}

TEST_F(UpdateServerTest, FileAddressesAndTheLocationChooser) {
  auto talk = conversation();
  int draws = 0;
  int nextDraw = 0;
  talk->drawLocation = [&] {
    ++draws;
    return nextDraw;
  };
  addresses_.fileSeparator = u'\\';
  talk = conversation();
  talk->drawLocation = [&] {
    ++draws;
    return nextDraw;
  };
  const std::u16string a = addresses_.locationA + u"dir\\f.exe";
  const std::u16string b = addresses_.locationB + u"dir\\f.exe";
  zefkr::TKRUpdateInfo update;
  update.folder = u"dir";
  update.fileName = u"f.exe";
  const struct {
    int32_t mirror;
    int draw;
    const std::u16string* address;
    int draws;
  } cases[] = {{-1, 0, &b, 0}, {0, 1, &a, 0}, {2, 0, &a, 1}, {2, 1, &b, 1}};
  for (const auto& c : cases) {
    update.mirror = c.mirror;
    nextDraw = c.draw;
    draws = 0;
    EXPECT_EQ(talk->fileAddress(update), *c.address) << c.mirror << "/" << c.draw;
    EXPECT_EQ(draws, c.draws);
  }
  // The framework's generator answers 0 or 1.
  auto real = conversation();
  update.mirror = 3;
  for (int i = 0; i < 5; ++i) {
    const std::u16string address = real->fileAddress(update);
    EXPECT_TRUE(address.starts_with(addresses_.locationA) || address.starts_with(addresses_.locationB));
  }
}

TEST_F(UpdateServerTest, DownloadsRowsBarAndExtensions) {
  fixtures::FixtureResponse file;
  file.body = "payload";
  double_.addFile("dir", "a.exe", file);
  double_.addFile("dir", "readme.txt", file);
  double_.addFile("dir", "prod.ini.txt", file);
  addUpdate(u"One", u"a.exe", u"run");
  addUpdate(u"Skipped", u"a.exe", u"run").selected = false;
  addUpdate(u"Two", u"readme.txt", u"show");
  addUpdate(u"Missing", u"gone.exe", u"run");
  addUpdate(u"Three", u"prod.ini.txt", u"inisec");
  session_.FOfferPending = true;

  EXPECT_EQ(conversation()->DownloadUpdates(view_), 0);
  EXPECT_EQ(session_.FDownloadedCount, 3);
  EXPECT_FALSE(session_.FOfferPending);
  EXPECT_FALSE(session_.FDownloading);
  // The timer animates while the downloads run, then goes back to its resting
  // period: fast ticks would start a search as soon as the form is hidden.
  EXPECT_EQ(host_.timerIntervals, (std::vector<uint32_t>{zefkr::kTraySearchTickMs, zefkr::kTrayFirstTickMs}));
  // Rows of the selected updates: 3 while loading, then 1 or 2.
  EXPECT_EQ(view_.rowImages[0], (std::vector<int>{3, 1}));
  EXPECT_EQ(view_.rowImages[1], (std::vector<int>{3, 1}));
  EXPECT_EQ(view_.rowImages[2], (std::vector<int>{3, 2}));
  EXPECT_EQ(view_.rowImages[3], (std::vector<int>{3, 1}));
  EXPECT_EQ(view_.bars, (std::vector<int>{12, 24, 36, 48, 50}));
  EXPECT_EQ(view_.labels[0], u"Downloading \"One\"");

  const auto& items = updates_->items;
  EXPECT_TRUE(items[0].downloadedFile.ends_with(u".exe"));
  EXPECT_TRUE(items[2].downloadedFile.ends_with(u".txt"));
  EXPECT_TRUE(items[4].downloadedFile.ends_with(u".txt"));
  EXPECT_TRUE(items[3].downloadedFile.empty());
  EXPECT_EQ(items[3].status & zefkr::kUpdateDownloaded, 0u);
  EXPECT_NE(items[0].status & zefkr::kUpdateDownloaded, 0u);
  EXPECT_TRUE(items[1].downloadedFile.empty());
  for (const auto& request : requestsTo("/update")) {
    EXPECT_EQ(request.headers.at("user-agent"), "Vendrako Kestruner");
    EXPECT_EQ(request.query.at("Req"), "download");
    EXPECT_EQ(request.query.at("File").rfind(double_.locationA(), 0), 0u);
  }
}

TEST_F(UpdateServerTest, CancelInTheMiddleStopsWithTheRowsDoneSoFar) {
  fixtures::FixtureResponse slow;
  slow.generatedSize = 64 * 1024;
  slow.blockSize = 4096;
  double_.addFile("dir", "a.exe", slow);
  for (int i = 0; i < 3; ++i) addUpdate(u"U", u"a.exe", u"run");
  auto talk = conversation();
  // The second download's first progress report brings the click on Cancel.
  int downloads = 0;
  host_.onPump = [&] {
    if (talk->lastProgress().received > 0 && view_.rowImages.size() == 2 && ++downloads == 1) {
      session_.FCancelled = true;
    }
  };
  EXPECT_EQ(talk->DownloadUpdates(view_), -2);
  EXPECT_EQ(session_.FDownloadedCount, 1);
  EXPECT_EQ(view_.rowImages[0], (std::vector<int>{3, 1}));
  EXPECT_EQ(view_.rowImages[1], (std::vector<int>{3}));
  EXPECT_EQ(view_.rowImages.count(2), 0u);
  EXPECT_EQ(view_.bar, 50);
}

TEST_F(UpdateServerTest, FailedAndStoppedDownloadsLeaveNoFileBehind) {
  fixtures::FixtureResponse good;
  good.body = "payload";
  double_.addFile("dir", "a.exe", good);
  // The connection drops after 10,000 of 64 KB.
  fixtures::FixtureResponse cut;
  cut.generatedSize = 64 * 1024;
  cut.blockSize = 4096;
  cut.dropAfterBytes = 10'000;
  double_.addFile("dir", "cut.exe", cut);
  addUpdate(u"Good", u"a.exe", u"run");
  addUpdate(u"Cut", u"cut.exe", u"run");
  addUpdate(u"Missing", u"gone.exe", u"run");  // a 404 page
  EXPECT_EQ(conversation()->DownloadUpdates(view_), 0);
  EXPECT_EQ(session_.FDownloadedCount, 1);
  const std::vector<std::string> kept = temporaryFiles();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(updates_->items[0].downloadedFile.ends_with(platform::ansiToWideLenient(kept[0])));

  // Stopped in the middle of a download: its part goes as well.
  fixtures::FixtureResponse slow;
  slow.generatedSize = 64 * 1024;
  slow.blockSize = 4096;
  double_.addFile("dir", "slow.exe", slow);
  updates_->count = 0;
  addUpdate(u"Slow", u"slow.exe", u"run");
  host_.onPump = [&] { session_.FCancelled = true; };
  EXPECT_EQ(conversation()->DownloadUpdates(view_), -2);
  EXPECT_EQ(temporaryFiles(), kept);
}

TEST_F(UpdateServerTest, TempFolderFallback) {
  fixtures::FixtureResponse file;
  file.body = "payload";
  double_.addFile("dir", "a.exe", file);
  // No temporary file can be made: CreateTempFile fails.
  const NoTemporaryFiles noTemporaryFiles(root_.path() + "/Temp/");
  const std::string programTemp = root_.path() + "/program/Temp";
  std::filesystem::create_directories(programTemp);
  std::ofstream(programTemp + "/README") << "old";
  std::ofstream(programTemp + "/old.exe") << "old";

  addUpdate(u"Good", u"a.exe", u"run");
  addUpdate(u"Unsafe", u"..\\a.exe", u"run");
  double_.addFile("dir", "..\\a.exe", file);
  EXPECT_EQ(conversation()->DownloadUpdates(view_), 0);
  EXPECT_EQ(session_.FDownloadedCount, 1);
  EXPECT_EQ(updates_->items[0].downloadedFile, programFolder_ + u"\\Temp\\a.exe");
  EXPECT_FALSE(std::filesystem::exists(programTemp + "/README"));
  EXPECT_FALSE(std::filesystem::exists(programTemp + "/old.exe"));
  EXPECT_EQ(view_.rowImages[1].back(), 2);
  EXPECT_FALSE(std::filesystem::exists(root_.path() + "/a.exe"));

  // The folder cannot be made: box 1604, the quit posted, -2.
  std::filesystem::remove_all(programTemp);
  std::ofstream(programTemp) << "a file";
  EXPECT_EQ(conversation()->DownloadUpdates(view_), -2);
  EXPECT_EQ(boxes_.shown().back().text, u"no temp");
  EXPECT_EQ(boxes_.shown().back().caption, u"Wizard");
  MSG message;
  bool quit = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) quit |= message.message == WM_QUIT;
  EXPECT_TRUE(quit);
}

TEST(DownloadDisplayTest, PercentAndBar) {
  TestRoot root;
  zefkr::testing::loadMessages(root.path(), "1608=%.0f KB of %.0f KB (%.0f%%)\r\n");
  const struct {
    int32_t total;
    uint32_t received;
    int barTag;
    int32_t selected;
    bool visible;
    const char16_t* text;
    int bar;
  } cases[] = {
      {0, 500, 1, 2, false, u"", 25},
      {-1, 500, 1, 2, false, u"", 25},
      {2048, 1024, 1, 2, true, u"1 KB of 2 KB (50%)", 37},
      {2048, 2048, 0, 3, true, u"2 KB of 2 KB (100%)", 16},
      {1000, 10, 0, 0, true, u"0 KB of 1 KB (1%)", 0},
  };
  for (const auto& c : cases) {
    const zefkr::DownloadDisplay display = zefkr::downloadDisplay(c.total, c.received, c.barTag, c.selected);
    EXPECT_EQ(display.percentVisible, c.visible) << c.total;
    EXPECT_EQ(display.percentText, c.text) << c.total;
    EXPECT_EQ(display.barPosition, c.bar) << c.total;
  }
  KRFreeLanguage();
}

}  // namespace
