// The frames' common shape and the table from page to frame.
#include "KestruneFrames.h"

#include "MainForm.h"

#include "zefkr/Language.h"
#include "zefkr/Wizard.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QVBoxLayout>

QString zefkr::forms::messageText(int32_t id) {
  const std::u16string text = KRGetMessage(id).ToUnicodeString();
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QIcon zefkr::forms::rowImage(int index) {
  static const char* const kNames[] = {":/ROW0", ":/ROW1", ":/ROW2", ":/ROW3"};
  if (index < 0 || index >= 4) return QIcon();
  return QIcon(QString::fromLatin1(kNames[index]));
}

QString zefkr::forms::messagesJoined(int32_t first, int32_t second) {
  return messageText(first) + QLatin1Char(' ') + messageText(second);
}

TKestruneFrame::TKestruneFrame(TMainForm* owner) : QFrame(owner), owner_(owner) {
  setMinimumWidth(kMinWidth);
  setMaximumSize(kMaxWidth, kMaxHeight);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(12, 10, 12, 10);
  column->setSpacing(6);
}

QLabel* TKestruneFrame::addLabel(const char* name, bool title) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  label->setWordWrap(true);
  if (title) {
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    label->setFont(bold);
  }
  layout()->addWidget(label);
  return label;
}

QListWidget* TKestruneFrame::addListView() {
  auto* list = new QListWidget(this);
  list->setObjectName("DPListView");
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setIconSize(QSize(16, 16));
  list->setStyleSheet("QListWidget { background: palette(tool-tip-base); }");
  layout()->addWidget(list);
  return list;
}

QProgressBar* TKestruneFrame::addProgressBar() {
  auto* bar = new QProgressBar(this);
  bar->setObjectName("ProgressBar1");
  bar->setRange(0, 100);
  layout()->addWidget(bar);
  return bar;
}

TKestruneFrame* zefkr::forms::makeFrame(int32_t page, TMainForm* owner) {
  TKestruneFrame* frame = nullptr;
  switch (page) {
    case kPageWelcome: frame = KestruneFrame0 = new TKestruneFrame0(owner); break;
    case kPageProducts: frame = KestruneFrame1 = new TKestruneFrame1(owner); break;
    case kPageSearch: frame = KestruneFrame2 = new TKestruneFrame2(owner); break;
    case kPageNoServer: frame = KestruneFrame3 = new TKestruneFrame3(owner); break;
    case kPageChooseUpdates: frame = KestruneFrame3B = new TKestruneFrame3B(owner); break;
    case kPageDownload: frame = KestruneFrame4 = new TKestruneFrame4(owner); break;
    case kPageInstalled: frame = KestruneFrame5 = new TKestruneFrame5(owner); break;
    case kPageUpToDate: frame = KestruneFrame6 = new TKestruneFrame6(owner); break;
    case kPageStopped: frame = KestruneFrame7 = new TKestruneFrame7(owner); break;
    case kPageRefused: frame = KestruneFrame8 = new TKestruneFrame8(owner); break;
    default: return nullptr;
  }
  static_cast<QVBoxLayout*>(frame->layout())->addStretch(1);
  return frame;
}

void zefkr::forms::forgetFrame(TKestruneFrame* frame) {
  auto clear = [frame](auto*& global) {
    if (static_cast<TKestruneFrame*>(global) == frame) global = nullptr;
  };
  clear(KestruneFrame0);
  clear(KestruneFrame1);
  clear(KestruneFrame2);
  clear(KestruneFrame3);
  clear(KestruneFrame3B);
  clear(KestruneFrame4);
  clear(KestruneFrame5);
  clear(KestruneFrame6);
  clear(KestruneFrame7);
  clear(KestruneFrame8);
}
