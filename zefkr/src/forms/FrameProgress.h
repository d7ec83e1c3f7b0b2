// A page's progress controls as the server conversation drives them: the
// progress label, the bar, the rows' images and the percent label.
#pragma once

#include "zefkr/UpdateServer.h"

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
  QWidget* page_;
  QLabel* label_;
  QProgressBar* bar_;
  QListWidget* rows_;
  QLabel* percent_;
};

}  // namespace zefkr::forms
