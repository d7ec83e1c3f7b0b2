// The pages' progress controls.
#include "FrameProgress.h"

#include "KestruneFrames.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include <algorithm>

zefkr::forms::FrameProgress::FrameProgress(QWidget* page, QLabel* label, QProgressBar* bar, QListWidget* rows,
                                           QLabel* percent)
    : page_(page), label_(label), bar_(bar), rows_(rows), percent_(percent) {}

void zefkr::forms::FrameProgress::setProgressLabel(const std::u16string& text) {
  if (label_) label_->setText(QString::fromStdU16String(text));
}

int zefkr::forms::FrameProgress::barPosition() { return bar_ ? bar_->value() : 0; }

void zefkr::forms::FrameProgress::setBarPosition(int position) {
  if (bar_) bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

bool zefkr::forms::FrameProgress::isPageVisible() { return page_ && page_->isVisible(); }

void zefkr::forms::FrameProgress::setRowImage(int row, int image) {
  if (!rows_) return;
  if (QListWidgetItem* item = rows_->item(row)) item->setIcon(rowImage(image));
}

void zefkr::forms::FrameProgress::setPercentLabel(bool visible, const std::u16string& text) {
  if (!percent_) return;
  percent_->setVisible(visible);
  percent_->setText(QString::fromStdU16String(text));
}

void zefkr::forms::FrameProgress::repaint() {
  if (page_) page_->update();
}
