// The wizard's program entry, in the order the updater starts: language,
// title, one copy per user, tray mode, splash, main form, loop, clean-up.
//
// The scripted user of the demo and the form tests run the same entry in
// their own process; the hooks let them act once the main form is up.
#pragma once

#include "platform/Export.h"

#include <functional>

class TMainForm;

// True when this run lives in the notification area; decided once at start.
extern "C" ZEF_EXPORT bool RunInTray;

namespace zefkr::forms {

struct StartHooks {
  // Called once the main form exists (and is shown unless in the tray).
  std::function<void(TMainForm&)> mainFormReady;
};

// Runs the wizard; answers the process exit code (0, also on a second start).
int runZefKR(int argc, char** argv, const StartHooks& hooks = {});

}  // namespace zefkr::forms
