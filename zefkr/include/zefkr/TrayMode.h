// The tray mode: the icon in the notification area, the automatic search on
// the main form's timer, the offer of the updates found, the icon's menu and
// the connection listener.
//
// The icon's index (the main form's Tag) names the picture "TRAYICON%ld":
//   0      idle (automatic mode on, connected), first animation frame
//   1..8   animation frames while a search or a download runs
//   9      no internet connection
//   10     automatic mode off
//   -1     set by the menu toggle so that the next tick shows a fresh icon
//
// Timer periods: 10 s to the first tick, 300 ms while searching or
// downloading, 10 s again after the downloads, 4 h after a tick, 2 h after
// the menu toggle, 100 ms once the application ends.
//
// Page work (a search, the downloads, the installation) writes to its page
// while it lets events in, so neither a click on the icon nor a tick switches
// pages or starts a search while it runs: a click during the automatic search
// stops it and shows page 0 once it has ended; a click during the user's own
// work only shows the window.
#pragma once

#include "zefkr/Wizard.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zefkr {

inline constexpr uint32_t kTrayFirstTickMs = 10'000;
inline constexpr uint32_t kTraySearchTickMs = 300;
inline constexpr uint32_t kTrayIdleTickMs = 14'400'000;
inline constexpr uint32_t kTrayToggleTickMs = 7'200'000;
inline constexpr uint32_t kTrayEndingTickMs = 100;
inline constexpr int32_t kTrayIconIdle = 0;
inline constexpr int32_t kTrayIconOffline = 9;
inline constexpr int32_t kTrayIconOff = 10;

// The notifications of the icon (the system's mouse messages).
inline constexpr uint32_t kTrayLeftButtonDown = 513;
inline constexpr uint32_t kTrayLeftDoubleClick = 515;
inline constexpr uint32_t kTrayRightButtonDown = 516;

// What the tray logic needs of the main form and its surroundings.
class TrayPorts {
public:
  virtual ~TrayPorts();
  // Shows picture "TRAYICON<index>" with `tip`.
  virtual void setTrayIcon(int32_t index, const std::u16string& tip) = 0;
  virtual void setTimerInterval(uint32_t milliseconds) = 0;
  virtual bool formVisible() = 0;
  virtual void showAndRaiseForm() = 0;
  virtual bool terminating() = 0;
  virtual void postQuit() = 0;
  virtual void pumpOnce() = 0;
  // The wizard's pages and their work.
  virtual void showPage(int32_t page) = 0;
  virtual bool saveChoices() = 0;
  virtual int32_t login() = 0;
  virtual int32_t downloadUpdateList() = 0;
  virtual void detectProducts() = 0;
  virtual int32_t selectedCount() = 0;
  // The watcher's answer now (true: connected); nullopt without a watcher.
  virtual std::optional<bool> checkConnection() = 0;
  // Shows the offer with `text` and waits (handling events) until it is
  // answered: 0 update now, 1 not now.
  virtual int32_t askOffer(const std::u16string& text) = 0;
  virtual bool offerShown() = 0;
  // Answers the offer shown from outside (the menu) and hides it.
  virtual void answerOffer(int32_t answer) = 0;
  // Opens the tray menu at the cursor.
  virtual void openMenu() = 0;
};

class TrayController {
public:
  // `trayMode`: outside it the timer only ends the loop once terminating.
  TrayController(WizardSession& session, TrayPorts& ports, std::u16string applicationTitle, bool trayMode);

  int32_t iconIndex() const { return iconIndex_; }

  // End of FormCreate in the tray mode: icon 0 with the title as its tip.
  void AddTrayIcon();
  void AutoTimerTimer();
  void OfferUpdatesInTray();
  void ConnectionChanged(int32_t state);
  void TrayIconNotify(uint32_t notification);
  // Before the menu opens: whether the automatic-mode item is checked (the
  // mode is off).
  bool TrayPopupMenuPopup();
  void OpenVKRCmdClick();
  void AutoKROnOffCmdClick();
  void GoToZefSHWebCmdClick();
  // Also stops the downloads that run: the program ends without installing.
  void QuitVKRCmdClick();
  void CloseThisMenuCmdClick() {}

  // The automatic mode from the first copy that has the key; off when none.
  static bool automaticMode();
  // The maker's web address from message 60: "url:" and blanks removed; the
  // address keeps its case.
  static std::u16string webAddress();

private:
  void setIcon(int32_t index, const std::u16string& tip);
  void refreshConnection();
  void search();
  std::u16string message(int32_t id) const;

  WizardSession& session_;
  TrayPorts& ports_;
  std::u16string title_;
  bool trayMode_;
  int32_t iconIndex_ = kTrayIconIdle;  // the form's Tag
  // A click on the icon stopped the automatic search: set by the click, and
  // page 0 is shown when the search has ended.
  bool welcomeAfterSearch_ = false;
};

// Where the offer goes: its bottom-right corner 4 px inside the work area's,
// or inside the desktop shrunk by 40 px when no work area is known.
struct ScreenRect {
  int left, top, right, bottom;
};
struct ScreenPoint {
  int x, y;
};
ScreenPoint offerPosition(std::optional<ScreenRect> workArea, ScreenRect desktop, int width, int height);

}  // namespace zefkr
