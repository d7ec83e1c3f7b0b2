// The application object and its bridge to the platform queue.
#include "QtHost.h"

#include "zefkr/MessageBoxLayout.h"

#include "zefcorek/HostMessagePump.h"

#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>

#include <exception>

namespace {

QString toQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton standardButton(int answer) {
  switch (answer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::NoButton;
  }
}

QMessageBox::Icon messageIcon(zefkr::BoxIcon icon) {
  switch (icon) {
    case zefkr::BoxIcon::kNone: return QMessageBox::NoIcon;
    case zefkr::BoxIcon::kStop: return QMessageBox::Critical;
    case zefkr::BoxIcon::kQuestion: return QMessageBox::Question;
    case zefkr::BoxIcon::kWarning: return QMessageBox::Warning;
    case zefkr::BoxIcon::kInformation: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

int showQtMessageBox(const platform::MessageBoxRequest& request) {
  const zefkr::MessageBoxLayout layout = zefkr::messageBoxLayout(request.type);
  QMessageBox box;
  box.setObjectName("PlatformMessageBox");
  box.setWindowTitle(toQString(request.caption));
  box.setText(toQString(request.text));
  box.setIcon(messageIcon(layout.icon));
  if (request.type & (MB_TOPMOST | MB_SYSTEMMODAL)) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  for (int answer : layout.buttons) {
    QPushButton* button = box.addButton(standardButton(answer));
    button->setProperty("answer", answer);
    if (answer == layout.defaultAnswer) box.setDefaultButton(button);
    if (answer == layout.escapeAnswer) box.setEscapeButton(button);
  }
  box.exec();
  auto* clicked = box.clickedButton();
  if (!clicked) return layout.escapeAnswer;
  return clicked->property("answer").toInt();
}

}  // namespace

void zefkr::forms::installQtMessageBoxSink() { platform::setMessageBoxSink(showQtMessageBox); }

zefkr::forms::ZefKRApplication::ZefKRApplication(int& argc, char** argv) : QApplication(argc, argv) {
  installQtMessageBoxSink();
  (void)zefCoreKSetVCLApp(&hostHooks_);
  const int descriptor = platform::messageQueueDescriptor();
  if (descriptor < 0) return;
  queueNotifier_ = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
  connect(queueNotifier_, &QSocketNotifier::activated, this, [this] { pumpPlatformQueue(); });
}

zefkr::forms::ZefKRApplication::~ZefKRApplication() {
  (void)zefCoreKSetVCLApp(nullptr);
  platform::setMessageBoxSink({});
}

void zefkr::forms::ZefKRApplication::HostHooks::ProcessMessages() {
  QCoreApplication::processEvents();
  owner_.pumpPlatformQueue();
}

bool zefkr::forms::ZefKRApplication::HostHooks::Terminated() {
  return owner_.terminating_ || QCoreApplication::closingDown();
}

void zefkr::forms::ZefKRApplication::HostHooks::CheckSynchronize() { platform::runSynchronizedCalls(); }

zefkr::forms::ZefKRApplication* zefkr::forms::ZefKRApplication::instance() {
  return dynamic_cast<ZefKRApplication*>(QCoreApplication::instance());
}

bool zefkr::forms::ZefKRApplication::pumpPlatformQueue() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quitWizard(static_cast<int>(message.wParam));
      return false;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void zefkr::forms::ZefKRApplication::quitWizard(int exitCode) {
  terminating_ = true;
  exit(exitCode);
}

bool zefkr::forms::ZefKRApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    showException(platform::ansiToWideLenient(error.what()));
  } catch (...) {
    showException(u"");
  }
  return false;
}

void zefkr::forms::ZefKRApplication::showException(const std::u16string& text) {
  MessageBoxW(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}
