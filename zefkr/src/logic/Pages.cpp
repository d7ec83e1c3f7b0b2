// The decisions of the wizard's pages.
#include "zefkr/Pages.h"

#include "zefkr/Language.h"
#include "zefkr/VendrakoIni.h"

#include "platform/DateText.h"
#include "platform/Format.h"

namespace {
constexpr char16_t kLoginSection[] = u"ZefUpdaterLogin";
constexpr char16_t kAutomaticMode[] = u"AutomaticMode";

std::u16string message(int32_t id) { return KRGetMessage(id).ToUnicodeString(); }
}  // namespace

bool zefkr::automaticModeTicked(const TVendrakoIni& copies) {
  return copies.ReadIntegerFromFirstCopy(kLoginSection, kAutomaticMode, 1) != 0;
}

bool zefkr::SaveChoices(TVendrakoIni& copies, WizardSession& session, bool automaticMode) {
  const int copy = copies.FirstOpenCopy();
  if (platform::TIniFile* ini = copies.GetIni(copy)) {
    ini->WriteBool(kLoginSection, kAutomaticMode, automaticMode);
    ini->UpdateFile();
  }
  session.FUserID.AssignSz(u"***KW***");
  session.FPassword.AssignSz(u"***ZJ***");
  return true;
}

zefkr::InstallSummary zefkr::installSummary(const TKRUpdateInfoList& updates) {
  InstallSummary summary;
  const std::u16string rowFormat = message(1703);
  for (int32_t i = 0; i < updates.count; ++i) {
    const TKRUpdateInfo& update = updates.items[static_cast<size_t>(i)];
    if (!update.selected) continue;
    const bool done = (update.status & kUpdateDownloaded) && (update.status & kUpdateInstalled);
    summary.rows.push_back({platform::formatText(std::u16string_view(rowFormat), update.name,
                                                 platform::FormatDateTime(u"dd/mm/yyyy", update.date)),
                            done ? 1 : 2});
    if (done) continue;
    ++summary.failures;
    if (update.status & kUpdateNoInformation) ++summary.withoutInformation;
  }
  if (summary.failures == 0) return summary;
  const std::u16string failed = message(1704);
  summary.warning = platform::formatText(std::u16string_view(failed), summary.failures);
  if (summary.withoutInformation > 0) {
    const std::u16string unconfirmed = message(1705);
    summary.warning += u"\r\n" + platform::formatText(std::u16string_view(unconfirmed), summary.withoutInformation);
  }
  return summary;
}

std::pair<int32_t, int32_t> zefkr::refusalReasons(int32_t loginState) {
  if (loginState < 1 || loginState > 4) return {0, 0};
  return {2000 + 2 * loginState, 2001 + 2 * loginState};
}
