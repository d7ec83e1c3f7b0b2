// The wizard's start-up with its forms, headless.
#include "forms/AboutBox.h"
#include "forms/MainForm.h"
#include "forms/QtHost.h"
#include "forms/ZefKREntry.h"

#include "zefkr/Language.h"

#include "zefcorek/HostMessagePump.h"
#include "zefcorek/NetDetect.h"

#include "platform/Registry.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"

#include "../TestRoot.h"
#include "FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using zefkr::forms::ZefKRApplication;
using zefkr::testing::TestRoot;

// Every test runs without a display.
struct Offscreen {
  Offscreen() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }
};

class FormsTest : public ::testing::Test {
protected:
  void SetUp() override {
    application_ = zefkr::testing::makeOffscreenApplication();
    application_->setTitle(u"Wizard");
  }
  void TearDown() override { application_.reset(); }

  Offscreen offscreen_;
  std::unique_ptr<ZefKRApplication> application_;
};

TEST_F(FormsTest, AboutBoxShapeAndReference) {
  auto* box = new TKRAboutBox();
  EXPECT_EQ(KRAboutBox, box);
  EXPECT_TRUE(box->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(box->SplashImg->pixmap().size(), QSize(506, 294));
  EXPECT_EQ(box->size(), QSize(508, 296));
  box->show();
  // A key is swallowed and closes the box, which frees itself.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(box, &key);
  EXPECT_TRUE(key.isAccepted());
  EXPECT_FALSE(box->isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(KRAboutBox, nullptr);

  box = new TKRAboutBox();
  box->show();
  QTest::mouseClick(box->SplashImg, Qt::LeftButton);
  EXPECT_FALSE(box->isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(KRAboutBox, nullptr);
}

TEST_F(FormsTest, SplashEndsAtTwoSecondsOnTheClockOrEarlierOnAKey) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  bool sawBox = false;
  QTimer::singleShot(20, [&] {
    sawBox = KRAboutBox != nullptr && KRAboutBox->isVisible();
    clock.advance(1999);
  });
  QTimer::singleShot(150, [&] {
    EXPECT_NE(KRAboutBox, nullptr) << "ended before two seconds";
    clock.advance(1);
  });
  zefkr::forms::showSplash();
  EXPECT_TRUE(sawBox);
  EXPECT_EQ(KRAboutBox, nullptr);
  EXPECT_EQ(clock.monotonicMs(), 1'000'000u + 2000u);

  // A key ends it at once, with the clock standing still.
  QTimer::singleShot(20, [] { QTest::keyClick(KRAboutBox, Qt::Key_Space); });
  zefkr::forms::showSplash();
  EXPECT_EQ(KRAboutBox, nullptr);
  EXPECT_EQ(clock.monotonicMs(), 1'000'000u + 2000u);
}

TEST_F(FormsTest, MessageBoxesShowInQtWithTheButtonsOfTheirFlags) {
  QTimer::singleShot(50, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Go on?");
    EXPECT_EQ(box->windowTitle(), "Caption");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(MessageBoxW(nullptr, u"Go on?", u"Caption", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), IDCANCEL);
}

TEST_F(FormsTest, EscapedExceptionsAreShownAndTheLoopGoesOn) {
  platform::RecordingMessageBoxes boxes;
  QTimer::singleShot(0, [] { throw std::runtime_error("disk on fire"); });
  QTimer::singleShot(0, [] { throw 42; });
  QTimer::singleShot(30, [] { QCoreApplication::exit(5); });
  EXPECT_EQ(application_->exec(), 5);
  const auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, u"disk on fire");
  EXPECT_EQ(shown[0].caption, u"Wizard");
  EXPECT_EQ(shown[0].type & 0xF0, MB_ICONSTOP);
  EXPECT_EQ(shown[1].text, u"");
}

LRESULT countingProcedure(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_USER) SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
  return 0;
}

// A message-only window of its own class `name`; its user data counts the
// WM_USER messages it gets.
HWND makeCountingWindow(const WCHAR* name) {
  WNDCLASSEXW windowClass{};
  windowClass.lpfnWndProc = countingProcedure;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
  return CreateWindowExW(0, name, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

TEST_F(FormsTest, QtLoopPumpsThePlatformQueueAndEndsOnItsQuit) {
  const HWND window = makeCountingWindow(u"FormsTestCounter");
  ASSERT_NE(window, nullptr);
  bool laterRan = false;
  QTimer::singleShot(0, [&] {
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_USER, 0, 0);
    PostQuitMessage(3);
    // The handler that was running when the quit came still finishes.
    laterRan = true;
  });
  EXPECT_EQ(application_->exec(), 3);
  EXPECT_TRUE(laterRan);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 2);
  DestroyWindow(window);
}

TEST_F(FormsTest, LibraryPumpHookDeliversQtEventsAndPlatformPostsInOneCall) {
  const HWND window = makeCountingWindow(u"FormsTestHookCounter");
  ASSERT_NE(window, nullptr);
  bool qtEventRan = false;
  QMetaObject::invokeMethod(
      application_.get(), [&] { qtEventRan = true; }, Qt::QueuedConnection);
  PostMessageW(window, WM_USER, 0, 0);

  EXPECT_EQ(zefCoreKVCLApp_CallProcessMessages(u"FormsTest"), S_OK);
  EXPECT_TRUE(qtEventRan);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 1);
  EXPECT_FALSE(zefCoreKSetVCLApp_Terminated());
  DestroyWindow(window);
}

// Runs the real entry in this process.
int runEntry(std::vector<std::string> arguments, const zefkr::forms::StartHooks& hooks) {
  arguments.insert(arguments.begin(), "zefkr");
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(arguments.size());
  return zefkr::forms::runZefKR(argc, argv.data(), hooks);
}

// Starts the real program for a second start and answers its exit code.
int secondStart() {
  QProcess second;
  second.start(ZEFKR_PROGRAM, {});
  if (!second.waitForFinished(30'000)) return -1;
  return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -2;
}

TEST(StartUpFormsTest, SplashThenMainFormAndASecondStartRaisesIt) {
  Offscreen offscreen;
  TestRoot root;
  bool checked = false;
  zefkr::forms::StartHooks hooks;
  hooks.mainFormReady = [&](TMainForm& form) {
    checked = true;
    EXPECT_EQ(KRAboutBox, nullptr);
    EXPECT_FALSE(RunInTray);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle().toStdU16String(), KRGetMessage(1).ToUnicodeString());
    EXPECT_FALSE(form.windowTitle().isEmpty());
    EXPECT_EQ(form.size(), QSize(546, 387));
    EXPECT_EQ(secondStart(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.activationRequests() == 1; }, 10'000));
    form.close();
  };
  const int boxesBefore = TKRAboutBox::boxesMade();
  EXPECT_EQ(runEntry({}, hooks), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(TKRAboutBox::boxesMade(), boxesBefore + 1);
  EXPECT_EQ(MainForm, nullptr);
}

TEST(StartUpFormsTest, TrayModeStartsHiddenWithoutSplashAndASecondStartShowsIt) {
  Offscreen offscreen;
  TestRoot root;
  bool checked = false;
  zefkr::forms::StartHooks hooks;
  hooks.mainFormReady = [&](TMainForm& form) {
    checked = true;
    EXPECT_TRUE(RunInTray);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.windowFlags() & Qt::Tool);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(secondStart(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 10'000));
    // The platform's quit ends the wizard's loop.
    PostQuitMessage(0);
  };
  const int boxesBefore = TKRAboutBox::boxesMade();
  EXPECT_EQ(runEntry({"/Tray"}, hooks), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(TKRAboutBox::boxesMade(), boxesBefore);
  RunInTray = false;
}

TEST(StartUpFormsTest, TrayModeWatchesTheConnectionOnTheMainThread) {
  Offscreen offscreen;
  TestRoot root;
  // The watcher's first probe server: a loopback listener.
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, zefcorek::kConnectionTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string address = u"127.0.0.1:" + QString::number(server.serverPort()).toStdU16String();
  RegSetValueExW(key, u"Probe1", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                 static_cast<DWORD>((address.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);

  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  bool checked = false;
  zefkr::forms::StartHooks hooks;
  hooks.mainFormReady = [&](TMainForm& form) {
    checked = true;
    ASSERT_NE(form.FNetDetect, nullptr);
    EXPECT_EQ(form.connectionChanges(), 0);
    clock.advance(1999);
    QTest::qWait(50);
    EXPECT_EQ(form.connectionChanges(), 0);
    clock.advance(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.connectionChanges() == 1; }, 10'000));
    EXPECT_TRUE(form.connected());
    EXPECT_EQ(form.connectionThread(), std::this_thread::get_id());
    PostQuitMessage(0);
  };
  EXPECT_EQ(runEntry({"tray"}, hooks), 0);
  EXPECT_TRUE(checked);
  RunInTray = false;
}

TEST(StartUpFormsTest, ProgramExportsRunInTray) {
  FILE* pipe = popen("nm -D --defined-only " ZEFKR_PROGRAM, "r");
  ASSERT_NE(pipe, nullptr);
  std::string symbols;
  char buffer[4096];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) symbols.append(buffer, got);
  pclose(pipe);
  EXPECT_NE(symbols.find(" RunInTray\n"), std::string::npos);
}

}  // namespace
