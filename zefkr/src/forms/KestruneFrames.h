// The wizard's pages: one frame class per page, each made when the wizard
// enters its page and freed when it leaves. A frame shows what the page's
// logic decides; `InitPage` fills it right after it is made.
#pragma once

#include <QFrame>
#include <QIcon>

#include "zefkr/UpdateList.h"

#include <cstdint>

class QCheckBox;
class QListWidgetItem;
class QTimer;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class TMainForm;

class TKestruneFrame : public QFrame {
  Q_OBJECT
public:
  static constexpr int kMaxWidth = 451;
  static constexpr int kMaxHeight = 318;
  static constexpr int kMinWidth = 391;

  explicit TKestruneFrame(TMainForm* owner);
  virtual void InitPage() = 0;

protected:
  // A label in the page's column, named as the page's control.
  QLabel* addLabel(const char* name, bool title = false);
  // A read-only list of rows with the main form's row images.
  QListWidget* addListView();
  QProgressBar* addProgressBar();
  TMainForm* mainForm() const { return owner_; }

private:
  TMainForm* owner_;
};

// Page 0: welcome, the automatic-search choice and the proxy button.
class TKestruneFrame0 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame0(TMainForm* owner);
  void InitPage() override;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label8;
  QCheckBox* PutInTrayCB;
  QPushButton* btnProxyCfg;

  // Stores the choice and the login markers; true (Forward goes on).
  bool SaveChoices();
  void btnProxyCfgClick();
};

// Page 1: the installed products.
class TKestruneFrame1 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame1(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label3, *Label4;
  QListWidget* DPListView;
};

// Page 2: the search (login and update list), with progress.
class TKestruneFrame2 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame2(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label3, *ProgressLabel;
  QProgressBar* ProgressBar1;
  QListWidget* DPListView;
};

// Page 3: the server could not be reached.
class TKestruneFrame3 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame3(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label1, *Label3, *Label4;
};

// Page 4: the updates to choose.
class TKestruneFrame3B : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame3B(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label3, *UpdInfoStaticText;
  QListWidget* DPListView;

  // The current row changed: its update's note, or message 1502.
  void DPListViewChange(QListWidgetItem* item);

private:
  void tickChanged(QListWidgetItem* item);
};

// Page 5: download and installation, with progress.
class TKestruneFrame4 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame4(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label3, *ProgressLabel, *PercSizeLabel;
  QProgressBar* ProgressBar1;
  QListWidget* DPListView;
  QTimer* Timer1;  // every 100 ms while the page lives: the download's progress

  void Timer1Timer();
};

// Page 7: the installed updates.
class TKestruneFrame5 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame5(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label1, *Label4, *updFailedWarnLabel;
  QFrame* updFailedWarnPanel;
  QListWidget* DPListView;
};

// Page 8: everything is up to date.
class TKestruneFrame6 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame6(TMainForm* owner);
  void InitPage() override;
  QLabel *Label5, *Label2, *Label1, *Label4;
};

// Page 9: stopped, nothing installed.
class TKestruneFrame7 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame7(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label4;
};

// Page 10: authorisation refused, with the reason.
class TKestruneFrame8 : public TKestruneFrame {
  Q_OBJECT
public:
  explicit TKestruneFrame8(TMainForm* owner);
  void InitPage() override;
  QLabel *Label2, *Label4, *ReasonLabel1, *ReasonLabel2;
};

// Each page's frame while it is shown, else null.
extern TKestruneFrame0* KestruneFrame0;
extern TKestruneFrame1* KestruneFrame1;
extern TKestruneFrame2* KestruneFrame2;
extern TKestruneFrame3* KestruneFrame3;
extern TKestruneFrame3B* KestruneFrame3B;
extern TKestruneFrame4* KestruneFrame4;
extern TKestruneFrame5* KestruneFrame5;
extern TKestruneFrame6* KestruneFrame6;
extern TKestruneFrame7* KestruneFrame7;
extern TKestruneFrame8* KestruneFrame8;

namespace zefkr::forms {
// Makes and sets up the frame of `page` (null for page 6 and pages outside
// the table) and stores it in its global variable.
TKestruneFrame* makeFrame(int32_t page, TMainForm* owner);
// Clears the global variable that points to `frame`.
void forgetFrame(TKestruneFrame* frame);
// The text of message `id` as a QString.
QString messageText(int32_t id);
// Image `index` of the main form's row images (0 plain row, 1 done, 2
// failed, 3 in progress).
QIcon rowImage(int index);
// An update's row: its name and its date in brackets.
QString updateRowCaption(const zefkr::TKRUpdateInfo& update);
// Messages joined by one blank.
QString messagesJoined(int32_t first, int32_t second);
}  // namespace zefkr::forms
