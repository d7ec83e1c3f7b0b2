// The wizard's navigation: which page follows which, what the buttons do,
// when the form may close, and the session state of one update run.
//
// The rules live in WizardController, a plain class that drives its
// surroundings through ports: the view (the Qt main form in the program,
// scripted in tests), the message pump, and the pages' work (login, lists,
// downloads, installation), which later parts of the wizard fill. Message
// boxes go through the platform sink.
#pragma once

#include "textrum/CLWideStr.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace zefkr {

// The wizard's pages by index.
enum : int32_t {
  kPageNone = -1,
  kPageWelcome = 0,
  kPageProducts = 1,
  kPageSearch = 2,
  kPageNoServer = 3,
  kPageChooseUpdates = 4,
  kPageDownload = 5,
  kPageUnused = 6,
  kPageInstalled = 7,
  kPageUpToDate = 8,
  kPageStopped = 9,
  kPageRefused = 10,
};
inline constexpr int32_t kPageCount = 11;

// The buttons as a page leaves them when it is set up.
struct PageButtons {
  bool backEnabled;
  bool forwardEnabled;
  int32_t cancelCaption;  // message id of the Cancel button's caption
  bool cancelIsDefault;   // Cancel is the default (and cancel) button
};

// The button states of `page`; page 1's Forward also needs to know whether
// the product list holds anything.
PageButtons pageButtons(int32_t page, bool productListEmpty);

// The session state of one update run, as the main form holds it.
struct WizardSession {
  bool FConnected = false;       // last connection state the watcher told
  int32_t FDownloadedCount = 0;  // updates downloaded in this run
  bool FCancelled = false;       // stop request of the running work
  int32_t FPageIndex = kPageNone;
  CLWideStr FUserID;  // login data sent to the update server
  CLWideStr FPassword;
  int32_t FLoginState = 0;      // outcome of the last login
  CLWideStr FProcList;          // process list of the last login
  int32_t FRestartLevel = 0;    // highest restart level installed
  bool FAutoSearching = false;  // an automatic search runs
  bool FOfferPending = false;   // the tray offer waits for an answer
  bool FDownloading = false;
  bool FInstalling = false;
  // A step of the pages' work (login, list, downloads, installation) runs.
  // It writes to the current page's frame and lets events in meanwhile, so
  // nothing may switch pages or start other page work until it returns.
  bool pageWorkRunning = false;
};

// Marks page work as running for its lifetime (scopes nest).
class PageWorkScope {
public:
  explicit PageWorkScope(WizardSession& session) : session_(session), outer_(session.pageWorkRunning) {
    session_.pageWorkRunning = true;
  }
  ~PageWorkScope() { session_.pageWorkRunning = outer_; }
  PageWorkScope(const PageWorkScope&) = delete;
  PageWorkScope& operator=(const PageWorkScope&) = delete;

private:
  WizardSession& session_;
  bool outer_;  // the mark as the scope found it
};

// Runs one step of page work under a PageWorkScope and answers its result.
template <typename Step>
decltype(auto) runPageWork(WizardSession& session, Step&& step) {
  const PageWorkScope running(session);
  return step();
}

// What the form shows and does on the controller's behalf.
class WizardView {
public:
  virtual ~WizardView();
  // Frees the current page's frame and, for a page that exists, makes and
  // sets up the frame of `page`.
  virtual void showFrame(int32_t page) = 0;
  virtual void setButtons(const PageButtons& buttons) = 0;
  virtual bool isFormVisible() = 0;
  // Shows the form and brings it to the front.
  virtual void showAndRaise() = 0;
  virtual void hideForm() = 0;
  virtual void setFormEnabled(bool enabled) = 0;
  virtual void repaint() = 0;
  // Page 4: the first row of the update list gets the focus.
  virtual void focusFirstUpdateRow() = 0;
  // Closes the form (FormCloseQuery and FormClose run as for a user's close).
  virtual void closeForm() = 0;
};

// The message pump of the form's thread.
class WizardPump {
public:
  virtual ~WizardPump();
  // Handles pending events, waiting for one at most `maxWaitMs`.
  virtual void pumpOnce(uint32_t maxWaitMs) = 0;
  // True once the application is ending.
  virtual bool terminating() = 0;
};

// The pages' work. Until a step is built it answers as a failed one.
class WizardWork {
public:
  virtual ~WizardWork();
  // Page 0: stores the choices; true goes on to page 1.
  virtual bool SaveChoices();
  // Page 2: 0 done (FLoginState tells the outcome), -1 transfer failure,
  // other: stopped.
  virtual int32_t Login();
  // Page 2: the number of updates found, 0 none, -1 transfer failure, -2
  // stopped, other negative: stay.
  virtual int32_t DownloadUpdateList();
  // Page 5: 0 or more done (FDownloadedCount says how many), -2 stopped,
  // other negative: failed.
  virtual int32_t DownloadUpdates();
  virtual void InstallUpdates();
  // Running programs of the products to update; -1 when they cannot be
  // looked up.
  virtual int32_t RunningProgramCount();
  // Updates ticked on page 4.
  virtual int32_t SelectedCount();
  // True when the product list holds no record (page 1's Forward).
  virtual bool ProductListEmpty();
};

class WizardController {
public:
  // The ports stay the caller's and must outlive the controller.
  WizardController(WizardSession& session, WizardView& view, WizardPump& pump, WizardWork& work,
                   std::u16string applicationTitle, bool trayMode);

  // Must not be called while page work runs (its frame would go).
  void ShowPage(int32_t page);
  // Lets events in for `seconds` on the monotonic clock (the form disabled
  // meanwhile), or until the application is ending. Waits; never spins.
  void Pause(double seconds);
  void RequestStop() { session_.FCancelled = true; }
  // Enables the shutdown privilege and asks for the restart; false when a
  // step fails.
  static bool RestartWindows();

  void ForwardButtonClick();
  void BackButtonClick();
  void CancelButtonClick();
  // Whether the form may close now; may ask for a restart or hide the form.
  // A close while page work runs stops it.
  bool FormCloseQuery();

  WizardSession& session() { return session_; }
  bool trayMode() const { return trayMode_; }

private:
  void forwardFromProducts();
  void forwardFromChoice();
  // Asks until no product program runs; false when the user stopped.
  bool waitForProductPrograms();
  int box(std::u16string text, UINT type);

  WizardSession& session_;
  WizardView& view_;
  WizardPump& pump_;
  WizardWork& work_;
  std::u16string title_;  // caption of the boxes
  bool trayMode_;
  // The form was closed while the updates downloaded; set by FormCloseQuery,
  // read and cleared by the download step.
  bool closedDuringDownloads_ = false;
};

// The version label: message 1000 as a format with message 1 and the four
// numbers (rendered safely whatever the format asks for).
std::u16string versionLabelText(uint16_t major, uint16_t minor, uint16_t release, uint16_t build);

}  // namespace zefkr
