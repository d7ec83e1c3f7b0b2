// TMainForm: the wizard's main window.
//
// The form shows and forwards: its buttons go to the navigation rules
// (zefkr::WizardController), which drive the form back through its view and
// pump ports and reach the pages' work through a WizardWork.
//
// Besides its Qt widget the form owns a platform top-level window with the
// same title: other processes find it with FindWindowW (a second start
// raises it through it), and the form's platform timers run on it.
#pragma once

#include "PageWork.h"

#include "zefkr/Installation.h"
#include "zefkr/Products.h"
#include "zefkr/TrayMode.h"
#include "zefkr/UpdateList.h"
#include "zefkr/UpdateServer.h"
#include "zefkr/Wizard.h"

#include "platform/WinTypes.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QFrame;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QAction;
class QPushButton;
class QTimer;
class TKestruneFrame;
struct INetDetect;
struct INetInternetSession;

class TMainForm : public QWidget,
                  public zefkr::WizardView,
                  public zefkr::WizardPump,
                  public zefkr::ServerSessionHost,
                  public zefkr::InstallHost,
                  public zefkr::TrayPorts {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 546;
  static constexpr int kClientHeight = 387;
  static constexpr int kBottomPanelHeight = 49;
  static constexpr int kPicturePanelWidth = 121;

  // `trayMode`: the form starts hidden and has no task-bar entry.
  TMainForm(const std::u16string& title, bool trayMode, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Replaces the pages' work (the demo's scripted user and the form tests);
  // the caller keeps it alive while the form lives. Null restores the form's own.
  void setPageWork(zefkr::WizardWork* work);

  HWND platformWindow() const { return platformWindow_; }
  bool trayMode() const { return trayMode_; }
  zefkr::WizardSession& session() { return session_; }
  zefkr::WizardController& wizard() { return *controller_; }
  // How often another process asked to bring the form to the front.
  int activationRequests() const { return activationRequests_; }

  // Shows the form (also when hidden in the tray) and brings it to the front.
  void bringToFront();

  // The connection watcher's listener (tray mode): state 0 connected, 1 not.
  void ConnectionChanged(int32_t state);
  bool connected() const { return session_.FConnected; }
  // How often the watcher told a change, and on which thread it last did.
  int connectionChanges() const { return connectionChanges_; }
  std::thread::id connectionThread() const { return connectionThread_; }

  // WizardView
  void showFrame(int32_t page) override;
  void setButtons(const zefkr::PageButtons& buttons) override;
  bool isFormVisible() override;
  void showAndRaise() override;
  void hideForm() override;
  void setFormEnabled(bool enabled) override;
  void repaint() override;
  void focusFirstUpdateRow() override;
  void closeForm() override;
  // WizardPump
  void pumpOnce(uint32_t maxWaitMs) override;
  bool terminating() override;
  // ServerSessionHost
  void Pause(double seconds) override { controller_->Pause(seconds); }
  void pumpOnce() override;
  bool searchesHidden() override { return trayMode_ && !isVisible(); }
  void ApplyProxySettings(INetInternetSession& session) override;
  // Hands the stored proxy settings to the watcher and the session.
  void ApplyProxySettings();
  void setAutoTimerInterval(uint32_t milliseconds) override;

  // InstallHost
  void bringMainWindowToTop() override { bringToFront(); }
  HWND mainWindow() override { return platformWindow_; }

  // TrayPorts
  void setTrayIcon(int32_t index, const std::u16string& tip) override;
  void setTimerInterval(uint32_t milliseconds) override { setAutoTimerInterval(milliseconds); }
  bool formVisible() override { return isVisible(); }
  void showAndRaiseForm() override { bringToFront(); }
  void postQuit() override;
  void showPage(int32_t page) override { controller_->ShowPage(page); }
  bool saveChoices() override { return work_->SaveChoices(); }
  int32_t login() override { return work_->Login(); }
  int32_t downloadUpdateList() override { return work_->DownloadUpdateList(); }
  void detectProducts() override;
  int32_t selectedCount() override { return work_->SelectedCount(); }
  std::optional<bool> checkConnection() override;
  int32_t askOffer(const std::u16string& text) override;
  bool offerShown() override;
  void answerOffer(int32_t answer) override;
  void openMenu() override;

  zefkr::TrayController& tray() { return *tray_; }
  // The icon in the notification area; null outside the tray mode or where
  // the desktop has none.
  QSystemTrayIcon* trayIcon() const { return trayIcon_; }
  QMenu* TrayPopupMenu = nullptr;
  QAction *OpenVKRCmd, *AutoKROnOffCmd, *GoToZefSHWebCmd, *QuitVKRCmd, *CloseThisMenuCmd;

  // Section "Server" of ZefKR.ini, read at start.
  const zefkr::ServerAddresses& serverAddresses() const { return serverAddresses_; }
  void setServerAddresses(const zefkr::ServerAddresses& addresses) { serverAddresses_ = addresses; }
  zefkr::forms::PageWork& pageWork() { return ownWork_; }

  INetDetect* FNetDetect = nullptr;            // connection watcher; tray mode only
  INetInternetSession* FNetSession = nullptr;  // the HTTP session; always
  TKestruneFrame* FCurrentFrame = nullptr;     // the current page's frame
  // The installed products and the updates found; rebuilt by each search.
  std::unique_ptr<zefkr::TKRDetectedProductList> DetectedProducts;
  std::unique_ptr<zefkr::TKRUpdateInfoList> UpdateInfos;

  QLabel* VerLabel;
  QLabel* CopyrightLabel;
  QPushButton* BackButton;
  QPushButton* ForwardButton;
  QPushButton* CancelButton;
  QPushButton* InfoButton;
  QWidget* FramePanel;
  QFrame* PicturePanel;
  QTimer* AutoTimer;

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void FormCreate();
  void makeTrayMenu();
  void addTrayIcon();
  void applyCaptions();
  static LRESULT platformProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void connectionListener(int32_t state, void* context);

  HWND platformWindow_ = nullptr;  // made in the constructor, destroyed with the form
  bool trayMode_;
  zefkr::WizardSession session_;
  zefkr::ServerAddresses serverAddresses_;
  zefkr::forms::PageWork ownWork_{*this};
  zefkr::WizardWork* work_ = &ownWork_;
  std::unique_ptr<zefkr::WizardController> controller_;
  std::unique_ptr<zefkr::TrayController> tray_;
  QSystemTrayIcon* trayIcon_ = nullptr;  // owned by Qt (child of the form)
  int activationRequests_ = 0;
  int connectionChanges_ = 0;
  std::thread::id connectionThread_;
};

// The application's main form while it exists.
extern TMainForm* MainForm;
