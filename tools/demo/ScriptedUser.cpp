// The demo's scripted user: runs the wizard's real start-up and forms in
// this process and goes through them with Qt's test events, as a person
// would: Next on the welcome page, Next on the products page (the search),
// Next on the list of updates (download and installation), then Close. It
// saves a picture of every page it passes and writes what happened.
//
//   zefkr-scripted-user [--pictures <folder>] [--result <file>] [--pause-ms <n>]
//
// Exit 0 when the run ended on the summary page without failures, or on the
// up-to-date page; 1 otherwise.
#include "forms/KestruneFrames.h"
#include "forms/MainForm.h"
#include "forms/ZefKREntry.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string pictures;
  std::string result;
  int pauseMs = 0;
};

class ScriptedUser {
public:
  explicit ScriptedUser(Options options) : options_(std::move(options)) {}

  void start(TMainForm& form) {
    form_ = &form;
    auto* watch = new QTimer(&form);
    QObject::connect(watch, &QTimer::timeout, &form, [this] { look(); });
    watch->start(30);
    look();
    next([this] { clickForward(); });  // welcome -> products
  }

  bool succeeded() const { return (finalPage_ == 7 && !failurePanel_) || finalPage_ == 8; }

  void writeResult() const {
    if (options_.result.empty()) return;
    std::ofstream out(options_.result);
    out << "pages:";
    for (int page : pages_) out << ' ' << page;
    out << "\nfinal page: " << finalPage_ << "\nfailure panel: " << (failurePanel_ ? "shown" : "hidden") << "\n";
    for (const std::string& box : boxes_) out << "box: " << box << "\n";
  }

private:
  // Runs `step` after the pause a person would make.
  void next(std::function<void()> step) { QTimer::singleShot(options_.pauseMs, form_, std::move(step)); }

  // Notes a new page (with its picture) and answers a box that is open.
  void look() {
    const int page = form_->session().FPageIndex;
    if (page >= 0 && (pages_.empty() || pages_.back() != page)) {
      pages_.push_back(page);
      if (!options_.pictures.empty()) {
        form_->grab().save(QString::fromStdString(options_.pictures + "/page-" + std::to_string(page) + ".png"));
      }
    }
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes_.push_back(box->text().toStdString());
      if (QAbstractButton* answer = box->defaultButton()) answer->click();
    }
  }

  void clickForward() {
    look();
    const int before = form_->session().FPageIndex;
    QTest::mouseClick(form_->ForwardButton, Qt::LeftButton);
    look();
    const int now = form_->session().FPageIndex;
    if (now == before || now == 3 || now == 7 || now == 8 || now == 9 || now == 10) {
      next([this] { finish(); });
      return;
    }
    next([this] { clickForward(); });
  }

  void finish() {
    look();
    finalPage_ = form_->session().FPageIndex;
    failurePanel_ = KestruneFrame5 && KestruneFrame5->updFailedWarnPanel->isVisible();
    QTest::mouseClick(form_->CancelButton, Qt::LeftButton);
  }

  Options options_;
  TMainForm* form_ = nullptr;
  std::vector<int> pages_;
  std::vector<std::string> boxes_;
  int finalPage_ = -1;
  bool failurePanel_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--pictures") == 0 && hasValue) {
      options.pictures = argv[++i];
    } else if (std::strcmp(argv[i], "--result") == 0 && hasValue) {
      options.result = argv[++i];
    } else if (std::strcmp(argv[i], "--pause-ms") == 0 && hasValue) {
      options.pauseMs = std::atoi(argv[++i]);
    } else {
      rest.push_back(argv[i]);
    }
  }
  rest.push_back(nullptr);
  int count = static_cast<int>(rest.size()) - 1;

  ScriptedUser user(options);
  zefkr::forms::StartHooks hooks;
  hooks.mainFormReady = [&user](TMainForm& form) { user.start(form); };
  const int code = zefkr::forms::runZefKR(count, rest.data(), hooks);
  user.writeResult();
  return code == 0 && user.succeeded() ? 0 : 1;
}
