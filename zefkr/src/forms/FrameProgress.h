// A page's progress controls as the server conversation drives them: the
// progress label, the bar, the rows' images and the percent label.
//
// The controls are watched: should the page's frame go while its work still
// runs, the work's further progress goes nowhere instead of into freed
// controls. (The wizard keeps the frame while page work runs; this is the
// second line.)
#pragma once

#include "zefkr/UpdateServer.h"

#include <QPointer>

class QLabel;
class QListWidget;
class QProgressBar;
class QWidget;

namespace zefkr::forms {

class FrameProgress : public ProgressView {
public:
  // `percent` may be null (page 2 has none).
  FrameProgress(QWidget* page, QLabel* label, QProgressBar* bar, QListWidget* rows, QLabel* percent);

  void setProgressLabel(const std::u16string& text) override;
  int barPosition() override;
  void setBarPosition(int position) override;
  bool isPageVisible() override;
  void setRowImage(int row, int image) override;
  void setPercentLabel(bool visible, const std::u16string& text) override;
  void repaint() override;

private:
  QPointer<QWidget> page_;
  QPointer<QLabel> label_;
  QPointer<QProgressBar> bar_;
  QPointer<QListWidget> rows_;
  QPointer<QLabel> percent_;  // null on page 2
};

}  // namespace zefkr::forms
