// The about box and the splash at start.
#include "AboutBox.h"

#include "zefkr/StartUp.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

TKRAboutBox* KRAboutBox = nullptr;

namespace {
// The longest a splash round waits before it looks at the clock again: a
// virtual clock in tests moves without waking Qt.
constexpr uint32_t kSplashRoundMs = 50;
int boxCount = 0;
}  // namespace

int TKRAboutBox::boxesMade() { return boxCount; }

TKRAboutBox::TKRAboutBox(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint) {
  KRAboutBox = this;
  ++boxCount;
  setObjectName("KRAboutBox");
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kClientWidth + 2, kClientHeight + 2);  // border width 1
  setStyleSheet("background-color: black;");
  QFont font(QStringLiteral("Tahoma"));
  setFont(font);

  SplashImg = new QLabel(this);
  SplashImg->setObjectName("SplashImg");
  SplashImg->setPixmap(QPixmap(QStringLiteral(":/S_VENDRAKO")));
  SplashImg->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->addWidget(SplashImg);
}

TKRAboutBox::~TKRAboutBox() {
  if (KRAboutBox == this) KRAboutBox = nullptr;
}

void TKRAboutBox::mousePressEvent(QMouseEvent* event) {
  event->accept();
  close();
}

void TKRAboutBox::keyPressEvent(QKeyEvent* event) {
  // The key ends the splash and goes no further.
  event->accept();
  close();
}

void zefkr::forms::showSplash() {
  QPointer<TKRAboutBox> box = new TKRAboutBox();
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    box->move(screen->availableGeometry().center() - box->rect().center());
  }
  box->show();
  box->repaint();
  const SplashDeadline deadline;
  while (box && box->isVisible() && !deadline.expired()) {
    QEventLoop round;
    QTimer wake;
    wake.setSingleShot(true);
    QObject::connect(&wake, &QTimer::timeout, &round, &QEventLoop::quit);
    QObject::connect(box, &QObject::destroyed, &round, &QEventLoop::quit);
    wake.start(static_cast<int>(std::min(deadline.remainingMs(), kSplashRoundMs)));
    round.exec();
  }
  delete box.data();
}
