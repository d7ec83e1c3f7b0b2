// The wizard's navigation rules.
#include "zefkr/Wizard.h"

#include "zefkr/Language.h"

#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Handles.h"
#include "platform/MessageBox.h"
#include "platform/Shutdown.h"
#include "platform/SystemVersion.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <initializer_list>

namespace {

constexpr int32_t kCancelCaption = 5;
constexpr int32_t kCloseCaption = 6;
// The longest one round of Pause waits before it looks at the clock again.
constexpr uint32_t kPauseRoundMs = 50;

std::u16string messages(std::initializer_list<int32_t> ids) {
  std::u16string text;
  for (int32_t id : ids) text += KRGetMessage(id).ToUnicodeString();
  return text;
}

}  // namespace

zefkr::WizardView::~WizardView() = default;
zefkr::WizardPump::~WizardPump() = default;
zefkr::WizardWork::~WizardWork() = default;

bool zefkr::WizardWork::SaveChoices() { return true; }
int32_t zefkr::WizardWork::Login() { return -1; }
int32_t zefkr::WizardWork::DownloadUpdateList() { return -1; }
int32_t zefkr::WizardWork::DownloadUpdates() { return -1; }
void zefkr::WizardWork::InstallUpdates() {}
int32_t zefkr::WizardWork::RunningProgramCount() { return 0; }
int32_t zefkr::WizardWork::SelectedCount() { return 0; }
bool zefkr::WizardWork::ProductListEmpty() { return true; }

zefkr::PageButtons zefkr::pageButtons(int32_t page, bool productListEmpty) {
  switch (page) {
    case kPageWelcome: return {false, true, kCancelCaption, false};
    case kPageProducts: return {true, !productListEmpty, kCancelCaption, false};
    case kPageSearch: return {false, false, kCancelCaption, false};
    case kPageNoServer: return {true, false, kCloseCaption, false};
    case kPageChooseUpdates: return {true, true, kCancelCaption, false};
    case kPageDownload: return {false, false, kCancelCaption, false};
    case kPageInstalled:
    case kPageUpToDate:
    case kPageStopped: return {false, false, kCloseCaption, true};
    case kPageRefused: return {true, false, kCancelCaption, false};
    default: return {false, false, kCancelCaption, false};
  }
}

zefkr::WizardController::WizardController(WizardSession& session, WizardView& view, WizardPump& pump, WizardWork& work,
                                          std::u16string applicationTitle, bool trayMode)
    : session_(session),
      view_(view),
      pump_(pump),
      work_(work),
      title_(std::move(applicationTitle)),
      trayMode_(trayMode) {}

int zefkr::WizardController::box(std::u16string text, UINT type) {
  return MessageBoxW(nullptr, text.c_str(), title_.c_str(), type);
}

void zefkr::WizardController::ShowPage(int32_t page) {
  assert(!session_.pageWorkRunning && "a page switch while page work runs frees the frame the work writes to");
  session_.FPageIndex = kPageNone;
  view_.showFrame(page);
  if (page < 0 || page >= kPageCount || page == kPageUnused) return;
  session_.FPageIndex = page;
  view_.setButtons(pageButtons(page, work_.ProductListEmpty()));
  view_.repaint();
}

void zefkr::WizardController::Pause(double seconds) {
  view_.repaint();
  view_.setFormEnabled(false);
  const uint64_t start = platform::clock().monotonicMs();
  const uint64_t end = start + static_cast<uint64_t>(std::max(0.0, std::ceil(seconds * 1000.0)));
  while (!pump_.terminating()) {
    const uint64_t now = platform::clock().monotonicMs();
    if (now >= end) break;
    pump_.pumpOnce(static_cast<uint32_t>(std::min<uint64_t>(end - now, kPauseRoundMs)));
  }
  view_.setFormEnabled(true);
}

bool zefkr::WizardController::RestartWindows() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool enabled = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                         AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    if (!enabled) return false;
  }
  return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

void zefkr::WizardController::ForwardButtonClick() {
  switch (session_.FPageIndex) {
    case kPageWelcome:
      if (work_.SaveChoices()) ShowPage(kPageProducts);
      return;
    case kPageProducts: forwardFromProducts(); return;
    case kPageChooseUpdates: forwardFromChoice(); return;
    default: return;
  }
}

void zefkr::WizardController::forwardFromProducts() {
  ShowPage(kPageSearch);
  const int32_t login = runPageWork(session_, [this] { return work_.Login(); });
  if (login == -1) return ShowPage(kPageNoServer);
  if (login != 0) return ShowPage(kPageStopped);
  if (session_.FLoginState != 0) return ShowPage(kPageRefused);
  const int32_t found = runPageWork(session_, [this] { return work_.DownloadUpdateList(); });
  if (found == -1) return ShowPage(kPageNoServer);
  if (found == -2) return ShowPage(kPageStopped);
  if (found < 0) return;
  if (found == 0) return ShowPage(kPageUpToDate);
  ShowPage(kPageChooseUpdates);
  view_.focusFirstUpdateRow();
}

bool zefkr::WizardController::waitForProductPrograms() {
  while (true) {
    const int32_t running = work_.RunningProgramCount();
    if (running > 0) {
      if (box(messages({1002, 1003, 1004}), MB_OKCANCEL | MB_ICONSTOP) == IDCANCEL) return false;
      continue;
    }
    if (running == -1) {
      return box(messages({1005, 1006, 1007}), MB_OKCANCEL | MB_ICONSTOP) != IDCANCEL;
    }
    return true;
  }
}

void zefkr::WizardController::forwardFromChoice() {
  if (work_.SelectedCount() == 0) {
    box(messages({1023}), MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!waitForProductPrograms()) return ShowPage(kPageStopped);
  session_.FDownloadedCount = 0;
  closedDuringDownloads_ = false;
  ShowPage(kPageDownload);
  const int32_t downloaded = runPageWork(session_, [this] { return work_.DownloadUpdates(); });
  if (closedDuringDownloads_) {
    // The close stopped the downloads: nothing is installed, and the form
    // stays closed.
    closedDuringDownloads_ = false;
    return ShowPage(kPageStopped);
  }
  if (!view_.isFormVisible()) view_.showAndRaise();
  if (downloaded >= 0) {
    if (session_.FDownloadedCount == 0) return ShowPage(kPageNoServer);
    runPageWork(session_, [this] { work_.InstallUpdates(); });
    return ShowPage(kPageInstalled);
  }
  ShowPage(downloaded == -2 ? kPageStopped : kPageUpToDate);
}

void zefkr::WizardController::BackButtonClick() {
  switch (session_.FPageIndex) {
    case kPageProducts:
    case kPageChooseUpdates:
    case kPageRefused: ShowPage(kPageWelcome); return;
    case kPageSearch: ShowPage(kPageProducts); return;
    case kPageNoServer:
      // The search runs again from page 1's step, without showing page 1.
      session_.FPageIndex = kPageProducts;
      ForwardButtonClick();
      return;
    default: return;
  }
}

void zefkr::WizardController::CancelButtonClick() {
  switch (session_.FPageIndex) {
    case kPageSearch:
    case kPageDownload:
      RequestStop();
      Pause(0.1);
      return;
    case kPageUnused: return;
    default: view_.closeForm(); return;
  }
}

bool zefkr::WizardController::FormCloseQuery() {
  if (session_.FInstalling) return false;
  const bool visible = view_.isFormVisible();
  if (visible && session_.FPageIndex == kPageInstalled &&
      (session_.FRestartLevel == 1 || session_.FRestartLevel == 2)) {
    session_.FRestartLevel = 1;
    if (box(messages({1010, 1011, 1012, 1013}), MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
      // A failed restart request is not reported.
      (void)RestartWindows();
    }
    return true;
  }
  if (trayMode_ && visible) {
    view_.hideForm();
    return false;
  }
  // A close stops the page work that runs (the search or the downloads);
  // stopped downloads install nothing.
  if (session_.pageWorkRunning) {
    RequestStop();
    if (session_.FDownloading) closedDuringDownloads_ = true;
  }
  return true;
}

std::u16string zefkr::versionLabelText(uint16_t major, uint16_t minor, uint16_t release, uint16_t build) {
  const std::u16string format = KRGetMessage(1000).ToUnicodeString();
  const std::u16string title = KRGetMessage(1).ToUnicodeString();
  return platform::formatText(std::u16string_view(format), title, int32_t{major}, int32_t{minor}, int32_t{release},
                              int32_t{build});
}
