// The main form: its layout, its start and the ports it offers the
// navigation rules.
#include "MainForm.h"

#include "KestruneFrames.h"
#include "QtHost.h"
#include "TrayPopupForm.h"

#include "zefkr/Language.h"
#include "zefkr/ModuleTable.h"
#include "zefkr/ProxySettings.h"
#include "zefkr/ServiceChannel.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ModuleVersion.h"
#include "zefcorek/NetDetect.h"
#include "zefcorek/NetInternetSession.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/BuildVersion.h"
#include "platform/VersionNote.h"
#include "platform/WindowMessages.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

// The wizard's version stamp: every program built on its forms carries it.
ZEF_VERSION_NOTE(VFT_APP, ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 ZEF_BUILD_VERSION_MAJOR, ZEF_BUILD_VERSION_MINOR, ZEF_BUILD_VERSION_PATCH, 0,
                 /*fileFlags=*/0);

TMainForm* MainForm = nullptr;

namespace {

constexpr char16_t kPlatformClass[] = u"TMainForm";
constexpr uint32_t kConnectionPeriodMs = 2000;
constexpr int kAutoTimerMs = 10'000;
constexpr int kFontPoints = 8;

QString toQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void registerPlatformClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = kPlatformClass;
  // A second form in one process finds the class registered already.
  RegisterClassExW(&windowClass);
}

// Tahoma 8 pt where it is installed, else the desktop's font at 8 pt.
QFont formFont(const QFont& desktop) {
  if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
    return QFont(QStringLiteral("Tahoma"), kFontPoints);
  }
  QFont font = desktop;
  font.setPointSize(kFontPoints);
  return font;
}

template <typename Interface>
Interface* makeObject(const CLSID& id) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&id, &made, 0) != S_OK) return nullptr;
  return static_cast<Interface*>(made);
}

}  // namespace

TMainForm::TMainForm(const std::u16string& title, bool trayMode, QWidget* parent)
    : QWidget(parent),
      DetectedProducts(std::make_unique<zefkr::TKRDetectedProductList>()),
      UpdateInfos(std::make_unique<zefkr::TKRUpdateInfoList>()),
      trayMode_(trayMode) {
  MainForm = this;
  setObjectName("MainForm");
  setWindowTitle(toQString(title));
  setFont(formFont(font()));
  setFixedSize(kClientWidth, kClientHeight);

  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* upper = new QHBoxLayout;
  upper->setSpacing(0);
  PicturePanel = new QFrame(this);
  PicturePanel->setObjectName("PicturePanel");
  PicturePanel->setFixedWidth(kPicturePanelWidth);
  PicturePanel->setStyleSheet(
      "#PicturePanel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
      "stop:0 #0b2a5b, stop:1 #1f6fd1); }");
  upper->addWidget(PicturePanel);
  FramePanel = new QWidget(this);
  FramePanel->setObjectName("FramePanel");
  auto* frameLayout = new QVBoxLayout(FramePanel);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  upper->addWidget(FramePanel, 1);
  rows->addLayout(upper, 1);

  auto* bottom = new QFrame(this);
  bottom->setObjectName("BottomPanel");
  bottom->setFixedHeight(kBottomPanelHeight);
  bottom->setFrameShape(QFrame::StyledPanel);
  auto* bottomRow = new QHBoxLayout(bottom);
  bottomRow->setContentsMargins(8, 4, 8, 4);
  auto* labels = new QVBoxLayout;
  labels->setSpacing(0);
  VerLabel = new QLabel(bottom);
  VerLabel->setObjectName("VerLabel");
  CopyrightLabel = new QLabel(bottom);
  CopyrightLabel->setObjectName("CopyrightLabel");
  labels->addWidget(VerLabel);
  labels->addWidget(CopyrightLabel);
  bottomRow->addLayout(labels, 1);
  const auto button = [bottom, bottomRow](const char* name) {
    auto* made = new QPushButton(bottom);
    made->setObjectName(name);
    made->setAutoDefault(false);
    bottomRow->addWidget(made);
    return made;
  };
  InfoButton = button("InfoButton");
  InfoButton->hide();
  BackButton = button("BackButton");
  ForwardButton = button("ForwardButton");
  CancelButton = button("CancelButton");
  BackButton->setEnabled(false);
  ForwardButton->setEnabled(false);
  ForwardButton->setDefault(true);
  rows->addWidget(bottom);

  AutoTimer = new QTimer(this);
  AutoTimer->setObjectName("AutoTimer");
  AutoTimer->setInterval(kAutoTimerMs);

  controller_ = std::make_unique<zefkr::WizardController>(session_, *this, *this, *work_, title, trayMode_);
  tray_ = std::make_unique<zefkr::TrayController>(session_, *this, title, trayMode_);
  connect(AutoTimer, &QTimer::timeout, this, [this] { tray_->AutoTimerTimer(); });
  makeTrayMenu();
  connect(ForwardButton, &QPushButton::clicked, this, [this] { controller_->ForwardButtonClick(); });
  connect(BackButton, &QPushButton::clicked, this, [this] { controller_->BackButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { controller_->CancelButtonClick(); });

  // Caption and system menu; minimising only outside the tray mode, where
  // the form also has no task-bar entry.
  Qt::WindowFlags flags =
      Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
  flags |= trayMode_ ? Qt::Tool : Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);

  registerPlatformClass(platformProcedure);
  platformWindow_ = CreateWindowExW(0, kPlatformClass, title.c_str(), 0, 0, 0, kClientWidth, kClientHeight, nullptr,
                                    nullptr, nullptr, nullptr);
  if (platformWindow_) {
    SetWindowLongPtrW(platformWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  auto& channel = zefkr::serviceChannelSettings();
  channel.applicationWindow = platformWindow_;
  channel.applicationTitle = title;

  FNetSession = makeObject<INetInternetSession>(CLSID_INetInternetSessionImp);
  if (trayMode_) {
    FNetDetect = makeObject<INetDetect>(CLSID_INetDetectImp);
    if (FNetDetect) FNetDetect->AddListener(connectionListener, this);
  }
  FormCreate();
}

TMainForm::~TMainForm() {
  // FormDestroy: the watcher and the session go first.
  if (FNetDetect) {
    FNetDetect->Stop();
    FNetDetect->Release();
    FNetDetect = nullptr;
  }
  if (FNetSession) {
    FNetSession->Release();
    FNetSession = nullptr;
  }
  if (FCurrentFrame) zefkr::forms::forgetFrame(FCurrentFrame);
  auto& channel = zefkr::serviceChannelSettings();
  if (channel.applicationWindow == platformWindow_) channel.applicationWindow = nullptr;
  if (platformWindow_) DestroyWindow(platformWindow_);
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::FormCreate() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  if (trayMode_) {
    ApplyProxySettings();
    if (FNetDetect) FNetDetect->Start(platformWindow_, kConnectionPeriodMs);
  }
  const std::u16string folder = zefkr::programFolder(nullptr);
  zefkr::moduleTable().Load(folder + u"\\ZefKR.ini", KRGetMessage(50).ToUnicodeString());
  serverAddresses_ = zefkr::readServerAddresses(folder + u"\\ZefKR.ini");
  KRDetectProducts(*DetectedProducts);
  applyCaptions();
  controller_->ShowPage(zefkr::kPageWelcome);
  if (trayMode_) addTrayIcon();
  AutoTimer->start();
}

void TMainForm::makeTrayMenu() {
  TrayPopupMenu = new QMenu(this);
  TrayPopupMenu->setObjectName("TrayPopupMenu");
  const auto item = [this](const char* name, int32_t caption) {
    QAction* action = TrayPopupMenu->addAction(zefkr::forms::messageText(caption));
    action->setObjectName(name);
    return action;
  };
  OpenVKRCmd = item("OpenVKRCmd", 1017);
  TrayPopupMenu->setDefaultAction(OpenVKRCmd);
  TrayPopupMenu->addSeparator();
  AutoKROnOffCmd = item("AutoKROnOffCmd", 1018);
  AutoKROnOffCmd->setCheckable(true);
  TrayPopupMenu->addSeparator();
  GoToZefSHWebCmd = item("GoToZefSHWebCmd", 1024);
  TrayPopupMenu->addSeparator();
  QuitVKRCmd = item("QuitVKRCmd", 1019);
  CloseThisMenuCmd = item("CloseThisMenuCmd", 1025);
  connect(TrayPopupMenu, &QMenu::aboutToShow, this,
          [this] { AutoKROnOffCmd->setChecked(tray_->TrayPopupMenuPopup()); });
  connect(OpenVKRCmd, &QAction::triggered, this, [this] { tray_->OpenVKRCmdClick(); });
  connect(AutoKROnOffCmd, &QAction::triggered, this, [this] { tray_->AutoKROnOffCmdClick(); });
  connect(GoToZefSHWebCmd, &QAction::triggered, this, [this] { tray_->GoToZefSHWebCmdClick(); });
  connect(QuitVKRCmd, &QAction::triggered, this, [this] { tray_->QuitVKRCmdClick(); });
  connect(CloseThisMenuCmd, &QAction::triggered, this, [this] { tray_->CloseThisMenuCmdClick(); });
}

void TMainForm::addTrayIcon() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    // The search still runs; a second start shows the window.
    qWarning("no notification area: the tray icon cannot be shown");
  } else {
    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setObjectName("TrayIcon");
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      switch (reason) {
        case QSystemTrayIcon::Trigger: tray_->TrayIconNotify(zefkr::kTrayLeftButtonDown); return;
        case QSystemTrayIcon::DoubleClick: tray_->TrayIconNotify(zefkr::kTrayLeftDoubleClick); return;
        case QSystemTrayIcon::Context: tray_->TrayIconNotify(zefkr::kTrayRightButtonDown); return;
        case QSystemTrayIcon::MiddleClick:
        case QSystemTrayIcon::Unknown: return;
      }
    });
  }
  tray_->AddTrayIcon();
  if (trayIcon_) trayIcon_->show();
}

void TMainForm::setTrayIcon(int32_t index, const std::u16string& tip) {
  if (!trayIcon_) return;
  trayIcon_->setIcon(QIcon(QStringLiteral(":/TRAYICON%1").arg(index)));
  trayIcon_->setToolTip(toQString(tip));
}

void TMainForm::postQuit() { PostQuitMessage(0); }

void TMainForm::detectProducts() { KRDetectProducts(*DetectedProducts); }

std::optional<bool> TMainForm::checkConnection() {
  if (!FNetDetect) return std::nullopt;
  return FNetDetect->CheckConnection() == kNetConnected;
}

int32_t TMainForm::askOffer(const std::u16string& text) {
  auto* popup = new TTrayPopupForm();
  popup->MsgLabel->setText(toQString(text));
  popup->YesButton->setText(zefkr::forms::messageText(9));
  popup->NoButton->setText(zefkr::forms::messageText(8));
  popup->show();
  // Events go on while the offer waits for its answer.
  QPointer<TTrayPopupForm> alive(popup);
  while (alive && alive->isVisible() && !terminating()) pumpOnce(50);
  const int32_t answer = alive ? alive->answer : 1;
  delete alive.data();
  return answer;
}

bool TMainForm::offerShown() { return TrayPopupForm && TrayPopupForm->isVisible(); }

void TMainForm::answerOffer(int32_t answer) {
  if (!TrayPopupForm) return;
  TrayPopupForm->answer = answer;
  TrayPopupForm->hide();
}

void TMainForm::openMenu() { TrayPopupMenu->popup(QCursor::pos()); }

void TMainForm::applyCaptions() {
  TModuleVersionInfo version{};
  GetModuleVersionInfoEx(nullptr, &version);
  VerLabel->setText(toQString(zefkr::versionLabelText(version.major, version.minor, version.release, version.build)));
  CopyrightLabel->setText(zefkr::forms::messageText(1001));
  BackButton->setText(zefkr::forms::messageText(3));
  ForwardButton->setText(zefkr::forms::messageText(4));
  CancelButton->setText(zefkr::forms::messageText(5));
  InfoButton->setText(zefkr::forms::messageText(7));
}

void TMainForm::setPageWork(zefkr::WizardWork* work) {
  work_ = work ? work : &ownWork_;
  const std::u16string title = windowTitle().toStdU16String();
  controller_ = std::make_unique<zefkr::WizardController>(session_, *this, *this, *work_, title, trayMode_);
}

void TMainForm::bringToFront() {
  show();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
}

void TMainForm::showFrame(int32_t page) {
  if (FCurrentFrame) {
    zefkr::forms::forgetFrame(FCurrentFrame);
    delete FCurrentFrame;
    FCurrentFrame = nullptr;
  }
  TKestruneFrame* frame = zefkr::forms::makeFrame(page, this);
  if (!frame) return;
  FramePanel->layout()->addWidget(frame);
  FCurrentFrame = frame;
  frame->InitPage();
  frame->show();
}

void TMainForm::setButtons(const zefkr::PageButtons& buttons) {
  BackButton->setEnabled(buttons.backEnabled);
  ForwardButton->setEnabled(buttons.forwardEnabled);
  CancelButton->setText(zefkr::forms::messageText(buttons.cancelCaption));
  CancelButton->setDefault(buttons.cancelIsDefault);
  ForwardButton->setDefault(!buttons.cancelIsDefault);
}

bool TMainForm::isFormVisible() { return isVisible(); }

void TMainForm::showAndRaise() { bringToFront(); }

void TMainForm::hideForm() { hide(); }

void TMainForm::setFormEnabled(bool enabled) { setEnabled(enabled); }

void TMainForm::repaint() { update(); }

void TMainForm::focusFirstUpdateRow() {
  if (!FCurrentFrame) return;
  auto* list = FCurrentFrame->findChild<QListWidget*>("DPListView");
  if (!list || list->count() == 0) return;
  list->setCurrentRow(0);
  list->setFocus();
}

void TMainForm::closeForm() { close(); }

void TMainForm::pumpOnce(uint32_t maxWaitMs) {
  QEventLoop round;
  QTimer wake;
  wake.setSingleShot(true);
  connect(&wake, &QTimer::timeout, &round, &QEventLoop::quit);
  wake.start(static_cast<int>(maxWaitMs));
  round.exec();
}

void TMainForm::pumpOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TMainForm::ApplyProxySettings(INetInternetSession& /*session*/) { ApplyProxySettings(); }

void TMainForm::ApplyProxySettings() { zefkr::ApplyProxySettings(FNetDetect, FNetSession); }

void TMainForm::setAutoTimerInterval(uint32_t milliseconds) { AutoTimer->setInterval(static_cast<int>(milliseconds)); }

bool TMainForm::terminating() {
  auto* application = zefkr::forms::ZefKRApplication::instance();
  return application && application->terminating();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!controller_->FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  // The Cancel button is the form's cancel button.
  if (event->key() == Qt::Key_Escape && CancelButton->isEnabled()) {
    CancelButton->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

LRESULT TMainForm::platformProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form && message == WM_ACTIVATE && wParam == WA_ACTIVE) {
    ++form->activationRequests_;
    form->bringToFront();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void TMainForm::connectionListener(int32_t state, void* context) {
  static_cast<TMainForm*>(context)->ConnectionChanged(state);
}

void TMainForm::ConnectionChanged(int32_t state) {
  ++connectionChanges_;
  connectionThread_ = std::this_thread::get_id();
  tray_->ConnectionChanged(state);
}
