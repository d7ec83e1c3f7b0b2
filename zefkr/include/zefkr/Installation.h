// Installing the downloaded updates, one after the other, through the
// service channel: "RUN=<file>|<parameters>" for an installer,
// "INI=<file>|<target>|<section>" for a settings-file section. The first
// update that is not installed ends the run.
#pragma once

#include "zefkr/UpdateList.h"
#include "zefkr/UpdateServer.h"
#include "zefkr/Wizard.h"

#include "platform/WinTypes.h"

#include <string>
#include <string_view>

namespace zefkr {

// What the installation needs of the main form.
class InstallHost {
public:
  virtual ~InstallHost();
  virtual void Pause(double seconds) = 0;
  virtual void bringMainWindowToTop() = 0;
  virtual HWND mainWindow() = 0;
};

// The installer's parameters: the first "{$dst}" replaced by the product
// folder, else the first "{$DST}"; one occurrence only.
std::u16string parametersFor(std::u16string_view parameters, std::u16string_view productFolder);
// The note recorded after a "run": the first "[...]" (a "[" before the next
// "]") removed, then blanks trimmed from both ends.
std::u16string cleanedNote(std::u16string_view note);
// An "inisec" update's target: folder, "\" and the file name whose first
// ".ini.txt" loses its ".txt".
std::u16string iniTarget(std::u16string_view productFolder, std::u16string_view fileName);

// Installs the selected and downloaded updates of `updates` (page 5):
// FInstalling covers the run, FRestartLevel is raised to the highest level
// handled, versions are recorded in section "Kestruner" of the copy where
// each product was found, and the page's bar fills its second half.
void InstallUpdates(WizardSession& session, TKRUpdateInfoList& updates, ProgressView& view, InstallHost& host,
                    std::u16string_view applicationTitle);

}  // namespace zefkr
