// The wizard's start-up and single instance.
#include "ZefKREntry.h"

#include "AboutBox.h"
#include "MainForm.h"
#include "QtHost.h"

#include "zefkr/Language.h"
#include "zefkr/StartUp.h"

#include "platform/CodePage.h"

#include <QTimer>

#include <memory>
#include <string>
#include <vector>

bool RunInTray = false;

// The resources live in this static library; Qt needs them registered by
// name, from the global namespace.
static void registerResources() { Q_INIT_RESOURCE(zefkr); }

namespace {

std::vector<std::u16string> argumentsOf(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::ansiToWideLenient(argv[i]));
  return arguments;
}

}  // namespace

int zefkr::forms::runZefKR(int argc, char** argv, const StartHooks& hooks) {
  KRLoadLanguage(nullptr);
  const std::u16string title = KRGetMessage(1).ToUnicodeString();

  SingleInstance instance;
  if (!instance.claim(title)) {
    KRFreeLanguage();
    return 0;
  }

  RunInTray = zefkr::decideRunInTray(argumentsOf(argc, argv));

  registerResources();
  ZefKRApplication application(argc, argv);
  application.setTitle(title);
  application.setApplicationName(QString::fromUtf16(title.data(), static_cast<qsizetype>(title.size())));
  // A hidden tray-mode form is no reason to end the loop.
  application.setQuitOnLastWindowClosed(!RunInTray);

  if (!RunInTray) showSplash();

  {
    auto form = std::make_unique<TMainForm>(title, RunInTray);
    if (!RunInTray) form->show();
    if (hooks.mainFormReady) {
      TMainForm* shown = form.get();
      QTimer::singleShot(0, &application, [&hooks, shown] { hooks.mainFormReady(*shown); });
    }
    application.exec();
  }

  instance.release();
  KRFreeLanguage();
  return 0;
}
