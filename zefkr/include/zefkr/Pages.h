// What the wizard's pages decide: page 0's choice and its saving, page 7's
// summary rows and warning, page 10's reasons. The Qt frames only show it.
#pragma once

#include "zefkr/UpdateList.h"
#include "zefkr/Wizard.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zefkr {

class TVendrakoIni;

// Page 0's tick: "AutomaticMode" of section "ZefUpdaterLogin" from the first
// copy that has the key; ticked when no copy has it.
bool automaticModeTicked(const TVendrakoIni& copies);

// Page 0's SaveChoices: writes the tick into the first open copy and sets
// the login markers "***KW***" and "***ZJ***". Always true.
bool SaveChoices(TVendrakoIni& copies, WizardSession& session, bool automaticMode);

// Page 7: one row per selected update.
struct SummaryRow {
  std::u16string caption;  // message 1703 with the name and "dd/mm/yyyy"
  int image;               // 1 downloaded and installed, 2 otherwise
};
struct InstallSummary {
  std::vector<SummaryRow> rows;
  int failures = 0;            // rows with image 2
  int withoutInformation = 0;  // of those, installers that named no note
  // Empty without failures; else message 1704 with the failures and, when
  // some lacked a note, a line break and message 1705 with their number.
  std::u16string warning;
};
InstallSummary installSummary(const TKRUpdateInfoList& updates);

// Page 10's two reason messages by the login's outcome (0, 0 for none).
std::pair<int32_t, int32_t> refusalReasons(int32_t loginState);

}  // namespace zefkr
