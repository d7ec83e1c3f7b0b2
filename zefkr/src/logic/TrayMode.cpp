// The tray mode's rules.
#include "zefkr/TrayMode.h"

#include "zefkr/Language.h"
#include "zefkr/VendrakoIni.h"

#include "platform/Format.h"
#include "platform/Processes.h"
#include "platform/Utf16.h"

namespace {
constexpr char16_t kLoginSection[] = u"ZefUpdaterLogin";
constexpr char16_t kAutomaticMode[] = u"AutomaticMode";
constexpr int32_t kAnimationFrames = 9;  // 0 to 8
}  // namespace

zefkr::TrayPorts::~TrayPorts() = default;

zefkr::TrayController::TrayController(WizardSession& session, TrayPorts& ports, std::u16string applicationTitle,
                                      bool trayMode)
    : session_(session), ports_(ports), title_(std::move(applicationTitle)), trayMode_(trayMode) {}

std::u16string zefkr::TrayController::message(int32_t id) const { return KRGetMessage(id).ToUnicodeString(); }

void zefkr::TrayController::setIcon(int32_t index, const std::u16string& tip) {
  iconIndex_ = index;
  ports_.setTrayIcon(index, tip);
}

void zefkr::TrayController::refreshConnection() {
  if (const std::optional<bool> connected = ports_.checkConnection()) session_.FConnected = *connected;
}

namespace {
std::u16string message60() { return KRGetMessage(60).ToUnicodeString(); }
}  // namespace

bool zefkr::TrayController::automaticMode() {
  const TVendrakoIni copies;
  return copies.ReadIntegerFromFirstCopy(kLoginSection, kAutomaticMode, 0) != 0;
}

std::u16string zefkr::TrayController::webAddress() {
  const std::u16string address = message60();
  std::u16string_view text = address;
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  // Lower case only to find the prefix: the address keeps its case.
  if (platform::startsWithIgnoreCase(text, u"url:")) text.remove_prefix(4);
  return std::u16string(text);
}

void zefkr::TrayController::AddTrayIcon() { setIcon(kTrayIconIdle, title_); }

void zefkr::TrayController::AutoTimerTimer() {
  if (ports_.terminating()) {
    ports_.setTimerInterval(kTrayEndingTickMs);
    ports_.postQuit();
    return;
  }
  if (!trayMode_ || ports_.formVisible()) return;
  refreshConnection();

  // No search of its own while page work runs (an interactive search or
  // installation in the hidden form): the search would take its page away.
  if (!session_.FAutoSearching && !session_.FDownloading && !session_.pageWorkRunning) {
    ports_.detectProducts();
    const bool automatic = automaticMode();
    if (!session_.FConnected || !automatic || session_.FOfferPending) {
      if (iconIndex_ != kTrayIconOff && !session_.FDownloading) {
        setIcon(automatic ? kTrayIconIdle : kTrayIconOff, message(1021));
        ports_.setTimerInterval(kTrayIdleTickMs);
      }
    } else {
      search();
    }
  }

  // The animation while busy, and back to idle after it.
  const bool busy = session_.FAutoSearching || session_.FDownloading;
  if (!busy && (iconIndex_ == kTrayIconIdle || iconIndex_ == kTrayIconOffline || iconIndex_ == kTrayIconOff)) {
    return;
  }
  int32_t index = (iconIndex_ + 1) % kAnimationFrames;
  if (!busy) {
    index = kTrayIconIdle;
    ports_.setTimerInterval(kTrayIdleTickMs);
  }
  const std::u16string tip = session_.FAutoSearching ? message(1016) : session_.FDownloading ? message(1022) : title_;
  setIcon(index, tip);
}

void zefkr::TrayController::search() {
  // Page 0 stores the automatic-mode choice and the login data.
  ports_.showPage(kPageWelcome);
  if (!ports_.saveChoices()) return;
  session_.FAutoSearching = true;
  ports_.setTimerInterval(kTraySearchTickMs);
  ports_.showPage(kPageSearch);
  if (runPageWork(session_, [this] { return ports_.login(); }) == 0 && session_.FLoginState == 0) {
    refreshConnection();
    if (session_.FConnected && runPageWork(session_, [this] { return ports_.downloadUpdateList(); }) > 0) {
      OfferUpdatesInTray();
    }
  }
  ports_.setTimerInterval(kTrayIdleTickMs);
  session_.FAutoSearching = false;
  if (welcomeAfterSearch_) {
    welcomeAfterSearch_ = false;
    ports_.showPage(kPageWelcome);
  }
}

void zefkr::TrayController::OfferUpdatesInTray() {
  refreshConnection();
  if (!session_.FConnected) return;
  session_.FOfferPending = true;
  const std::u16string question = message(1015);
  const std::u16string text =
      message(1014) + u"\n\n" + platform::formatText(std::u16string_view(question), ports_.selectedCount());
  if (ports_.askOffer(text) != 0) return;
  ports_.showPage(kPageChooseUpdates);
  ports_.showAndRaiseForm();
}

void zefkr::TrayController::ConnectionChanged(int32_t state) {
  if (state == 0) {
    iconIndex_ = kTrayIconIdle;
    session_.FConnected = true;
  } else if (state == 1) {
    iconIndex_ = kTrayIconOffline;
    session_.FConnected = false;
  }
  setIcon(iconIndex_, session_.FConnected ? title_ : message(1020));
}

void zefkr::TrayController::TrayIconNotify(uint32_t notification) {
  switch (notification) {
    case kTrayLeftButtonDown:
    case kTrayLeftDoubleClick: OpenVKRCmdClick(); return;
    case kTrayRightButtonDown: ports_.openMenu(); return;
    default: return;
  }
}

bool zefkr::TrayController::TrayPopupMenuPopup() { return !automaticMode(); }

void zefkr::TrayController::OpenVKRCmdClick() {
  if (session_.FAutoSearching && ports_.offerShown()) {
    // The search's work is done; only its offer waits.
    ports_.answerOffer(1);
    ports_.showPage(kPageChooseUpdates);
  } else if (session_.FAutoSearching) {
    // The search still writes to its page: it is stopped, and page 0 follows
    // once it has ended.
    session_.FCancelled = true;
    welcomeAfterSearch_ = true;
  } else if (!session_.FDownloading && !session_.pageWorkRunning) {
    ports_.showPage(kPageWelcome);
  }
  // Page work of the user's own goes on in the window shown.
  ports_.showAndRaiseForm();
}

void zefkr::TrayController::AutoKROnOffCmdClick() {
  {
    TVendrakoIni copies;
    const int copy = copies.FirstCopyHaving(kLoginSection, kAutomaticMode);
    if (platform::TIniFile* ini = copies.GetIni(copy >= 0 ? copy : 0)) {
      const bool on = copy >= 0 && ini->ReadInteger(kLoginSection, kAutomaticMode, 0) != 0;
      ini->WriteInteger(kLoginSection, kAutomaticMode, on ? 0 : 1);
      ini->UpdateFile();
    }
  }
  iconIndex_ = -1;
  ports_.setTimerInterval(kTrayToggleTickMs);
  AutoTimerTimer();
}

void zefkr::TrayController::GoToZefSHWebCmdClick() {
  const std::u16string address = webAddress();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.lpFile = address.c_str();
  info.lpParameters = u"target=_blank";
  info.nShow = SW_SHOWDEFAULT;
  ShellExecuteExW(&info);
}

void zefkr::TrayController::QuitVKRCmdClick() {
  if (session_.FAutoSearching) {
    if (ports_.offerShown()) ports_.answerOffer(1);
    session_.FCancelled = true;
    ports_.pumpOnce();
  }
  // Downloads that run on would be installed before the program ends.
  if (session_.FDownloading) session_.FCancelled = true;
  ports_.postQuit();
}

zefkr::ScreenPoint zefkr::offerPosition(std::optional<ScreenRect> workArea, ScreenRect desktop, int width, int height) {
  constexpr int kGap = 4;
  constexpr int kDesktopMargin = 40;
  const ScreenRect area = workArea ? *workArea
                                   : ScreenRect{desktop.left + kDesktopMargin, desktop.top + kDesktopMargin,
                                                desktop.right - kDesktopMargin, desktop.bottom - kDesktopMargin};
  return {area.right - kGap - width, area.bottom - kGap - height};
}
