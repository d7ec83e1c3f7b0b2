// The installation of the downloaded updates.
#include "zefkr/Installation.h"

#include "zefkr/Language.h"
#include "zefkr/RunningProcesses.h"
#include "zefkr/ServiceChannel.h"
#include "zefkr/VendrakoIni.h"

#include "zefcorek/FilePath.h"

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/MessageBox.h"
#include "platform/Processes.h"

#include <algorithm>

namespace {

constexpr int kRowFailed = 2;

std::u16string message(int32_t id) { return KRGetMessage(id).ToUnicodeString(); }

std::u16string trimmedBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return std::u16string(text);
}

std::u16string replacedOnce(std::u16string_view text, std::u16string_view what, std::u16string_view with,
                            bool* replaced) {
  const size_t at = text.find(what);
  *replaced = at != std::u16string_view::npos;
  if (!*replaced) return std::u16string(text);
  std::u16string out(text.substr(0, at));
  out += with;
  out += text.substr(at + what.size());
  return out;
}

// A file name that keeps its target inside the product folder.
bool isPlainFileName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return false;
  return IsValidFileName(name.c_str());
}

bool fileExists(const std::u16string& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The key of the update's product in "Procedure" and "Kestruner".
std::u16string productKeyOf(const zefkr::TKRUpdateInfo& update) {
  if (update.named) return update.productName;
  if (update.productId == update.productSubId) return platform::formatText(u"%ld", update.productId);
  return platform::formatText(u"%ld.%ld", update.productId, update.productSubId);
}

void recordVersion(const zefkr::TVendrakoIni& copies, const zefkr::TKRUpdateInfo& update, const std::u16string& note) {
  platform::TIniFile* copy = copies.GetIni(update.copyIndex);
  if (!copy) return;
  copy->WriteString(u"Kestruner", productKeyOf(update),
                    platform::formatText(u"%ld,%s,\"%s\"", update.version, update.dateText, note));
}

void showInformationFile(const std::u16string& file, HWND owner) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpVerb = u"Open";
  info.lpFile = u"Notepad.exe";
  info.lpParameters = file.c_str();
  info.nShow = SW_SHOWDEFAULT;
  ShellExecuteExW(&info);
}

// Asks until no product program runs; false when the user chose Cancel.
bool productProgramsClosed(const zefkr::TKRUpdateInfoList& updates, std::u16string_view title) {
  const std::u16string caption(title);
  const std::u16string text = message(1002) + message(1003) + message(1004);
  while (KRFindRunningProductProcesses(updates) > 0) {
    if (MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONSTOP) == IDCANCEL) {
      return false;
    }
  }
  return true;
}

enum class Outcome { kInstalled, kNotInstalled, kCancelled };

Outcome installRun(zefkr::WizardSession& session, zefkr::TKRUpdateInfoList& updates, zefkr::TKRUpdateInfo& update,
                   const zefkr::TVendrakoIni& copies, zefkr::InstallHost& host, std::u16string_view title) {
  if (!productProgramsClosed(updates, title)) return Outcome::kCancelled;
  const std::u16string command = platform::formatText(u"RUN=%s|%s", update.downloadedFile,
                                                      zefkr::parametersFor(update.parameters, update.productFolder));
  CLWideStr information;
  const int32_t result = KRSendServiceCommand(command.c_str(), information);
  const std::u16string informationFile = information.ToUnicodeString();
  bool installed = false;
  if (result == zefkr::kSendDone && fileExists(informationFile)) {
    showInformationFile(informationFile, host.mainWindow());
    installed = true;
  } else if (result == zefkr::kSendDone) {
    update.status |= zefkr::kUpdateNoInformation;
  } else if (result == zefkr::kSendInstallerNotStarted) {
    update.status |= zefkr::kUpdateNotStarted;
  }
  host.bringMainWindowToTop();
  if (!installed) return Outcome::kNotInstalled;
  update.status |= zefkr::kUpdateInstalled;
  session.FRestartLevel = std::max(session.FRestartLevel, update.restartLevel);
  recordVersion(copies, update, zefkr::cleanedNote(update.note));
  return Outcome::kInstalled;
}

Outcome installIniSection(zefkr::WizardSession& session, zefkr::TKRUpdateInfo& update,
                          const zefkr::TVendrakoIni& copies) {
  // The target must stay inside the product folder.
  if (!isPlainFileName(update.fileName)) return Outcome::kNotInstalled;
  const std::u16string command =
      platform::formatText(u"INI=%s|%s|%s", update.downloadedFile,
                           zefkr::iniTarget(update.productFolder, update.fileName), update.parameters);
  CLWideStr information;
  const bool isInstalled = KRSendServiceCommand(command.c_str(), information) == zefkr::kSendDone;
  // The restart is offered whatever the result, as the product's settings
  // may have changed; the version only after success, so that a failed
  // update is offered again.
  session.FRestartLevel = std::max(session.FRestartLevel, update.restartLevel);
  if (!isInstalled) return Outcome::kNotInstalled;
  update.status |= zefkr::kUpdateInstalled;
  recordVersion(copies, update, update.note);
  return Outcome::kInstalled;
}

}  // namespace

zefkr::InstallHost::~InstallHost() = default;

std::u16string zefkr::parametersFor(std::u16string_view parameters, std::u16string_view productFolder) {
  bool replaced = false;
  std::u16string out = replacedOnce(parameters, u"{$dst}", productFolder, &replaced);
  if (replaced) return out;
  return replacedOnce(parameters, u"{$DST}", productFolder, &replaced);
}

std::u16string zefkr::cleanedNote(std::u16string_view note) {
  const size_t open = note.find(u'[');
  const size_t close = open == std::u16string_view::npos ? open : note.find(u']', open);
  if (close == std::u16string_view::npos) return trimmedBlanks(note);
  std::u16string out(note.substr(0, open));
  out += note.substr(close + 1);
  return trimmedBlanks(out);
}

std::u16string zefkr::iniTarget(std::u16string_view productFolder, std::u16string_view fileName) {
  std::u16string name(fileName);
  const size_t at = name.find(u".ini.txt");
  if (at != std::u16string::npos) name.erase(at + 4, 4);
  return std::u16string(productFolder) + u"\\" + name;
}

void zefkr::InstallUpdates(WizardSession& session, TKRUpdateInfoList& updates, ProgressView& view, InstallHost& host,
                           std::u16string_view applicationTitle) {
  session.FInstalling = true;
  session.FRestartLevel = 0;
  view.setProgressLabel(message(1606));
  view.repaint();
  host.Pause(0.3);
  {
    const TVendrakoIni copies;
    const int step = updates.count > 0 ? 50 / updates.count : 0;
    int row = 0;  // the update's row among the page's rows (the selected ones)
    for (int32_t i = 0; i < updates.count; ++i) {
      TKRUpdateInfo& update = updates.items[static_cast<size_t>(i)];
      update.status &= ~uint32_t{kUpdateInstalled | kUpdateNoInformation};
      const bool selected = update.selected;
      if (selected && (update.status & kUpdateDownloaded)) {
        Outcome outcome = Outcome::kNotInstalled;
        try {
          view.setProgressLabel(message(1607) + u" \"" + update.name + u"\"");
          view.repaint();
          if (update.kind == u"run") {
            outcome = installRun(session, updates, update, copies, host, applicationTitle);
          } else if (update.kind == u"inisec") {
            outcome = installIniSection(session, update, copies);
          }
        } catch (...) {
          outcome = (update.status & kUpdateInstalled) ? Outcome::kInstalled : Outcome::kNotInstalled;
        }
        // The first update not installed ends the run; its row shows it failed.
        if (outcome != Outcome::kInstalled) {
          view.setRowImage(row, kRowFailed);
          break;
        }
      }
      if (selected) ++row;
      view.setBarPosition(step * (i + 1) + 50);
    }
  }
  session.FInstalling = false;
}
