// The offer of the automatic search.
#include "TrayPopupForm.h"

#include "KestruneFrames.h"

#include "zefkr/TrayMode.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

TTrayPopupForm* TrayPopupForm = nullptr;

TTrayPopupForm::TTrayPopupForm() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  TrayPopupForm = this;
  setObjectName("TrayPopupForm");
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  auto* column = new QVBoxLayout(this);
  MsgLabel = new QLabel(this);
  MsgLabel->setObjectName("MsgLabel");
  MsgLabel->setWordWrap(true);
  column->addWidget(MsgLabel, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  YesButton = new QPushButton(this);
  YesButton->setObjectName("YesButton");
  YesButton->setDefault(true);
  NoButton = new QPushButton(this);
  NoButton->setObjectName("NoButton");
  buttons->addWidget(YesButton);
  buttons->addWidget(NoButton);
  column->addLayout(buttons);
  connect(YesButton, &QPushButton::clicked, this, [this] { YesButtonClick(); });
  connect(NoButton, &QPushButton::clicked, this, [this] { NoButtonClick(); });

  // FormCreate: the corner of the work area, else of the desktop less 40 px.
  std::optional<zefkr::ScreenRect> workArea;
  zefkr::ScreenRect desktop{0, 0, 1024, 768};
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect full = screen->geometry();
    desktop = {full.left(), full.top(), full.left() + full.width(), full.top() + full.height()};
    const QRect available = screen->availableGeometry();
    if (available.isValid()) {
      workArea = zefkr::ScreenRect{available.left(), available.top(), available.left() + available.width(),
                                   available.top() + available.height()};
    }
  }
  const zefkr::ScreenPoint at = zefkr::offerPosition(workArea, desktop, kClientWidth, kClientHeight);
  move(at.x, at.y);
}

TTrayPopupForm::~TTrayPopupForm() {
  if (TrayPopupForm == this) TrayPopupForm = nullptr;
}

void TTrayPopupForm::YesButtonClick() {
  answer = 0;
  hide();
}

void TTrayPopupForm::NoButtonClick() {
  answer = 1;
  hide();
}

void TTrayPopupForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    NoButtonClick();
    return;
  }
  QWidget::keyPressEvent(event);
}
