// The main form's window shell.
#include "MainForm.h"

#include "zefkr/ServiceChannel.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/NetDetect.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/WindowMessages.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr char16_t kPlatformClass[] = u"TMainForm";
constexpr uint32_t kConnectionPeriodMs = 2000;

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

}  // namespace

TMainForm::TMainForm(const std::u16string& title, bool trayMode, QWidget* parent)
    : QWidget(parent), trayMode_(trayMode) {
  MainForm = this;
  setObjectName("MainForm");
  setWindowTitle(toQString(title));
  setFixedSize(kClientWidth, kClientHeight);
  // Caption and system menu; minimising only outside the tray mode, where
  // the form also has no task-bar entry.
  Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
  if (trayMode_) {
    flags |= Qt::Tool;
  } else {
    flags |= Qt::WindowMinimizeButtonHint;
  }
  setWindowFlags(flags);

  registerPlatformClass(platformProcedure);
  platformWindow_ = CreateWindowExW(0, kPlatformClass, title.c_str(), 0, 0, 0, kClientWidth,
                                    kClientHeight, nullptr, nullptr, nullptr, nullptr);
  if (platformWindow_) SetWindowLongPtrW(platformWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  auto& channel = zefkr::serviceChannelSettings();
  channel.applicationWindow = platformWindow_;
  channel.applicationTitle = title;

  // In the tray the form watches the connection on its own window's thread:
  // the Qt loop pumps the platform queue, so the ticks arrive here.
  if (trayMode_) {
    void* made = nullptr;
    if (zefCoreKAllocIntf(&CLSID_INetDetectImp, &made, 0) == S_OK) {
      FNetDetect = static_cast<INetDetect*>(made);
      FNetDetect->AddListener(connectionListener, this);
      FNetDetect->Start(platformWindow_, kConnectionPeriodMs);
    }
  }
}

TMainForm::~TMainForm() {
  if (FNetDetect) {
    FNetDetect->Stop();
    FNetDetect->Release();
    FNetDetect = nullptr;
  }
  auto& channel = zefkr::serviceChannelSettings();
  if (channel.applicationWindow == platformWindow_) channel.applicationWindow = nullptr;
  if (platformWindow_) DestroyWindow(platformWindow_);
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::bringToFront() {
  show();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
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
  FConnected = state == kNetConnected;
}
