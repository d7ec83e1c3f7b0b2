// The updater's entry to the RUN and INI executor it shares with the
// service (servicechannel/ProcedureCommand.h).
#include "zefkr/ProcedureCommand.h"

#include "zefkr/VendrakoIni.h"

#include "servicechannel/ProcedureCommand.h"

#include "platform/PrivateProfile.h"

#include <string>

namespace {

constexpr DWORD kInfoFileLength = 260;

}  // namespace

int32_t KRRunProcedureCommand(const WCHAR* command, CLWideStr& infoFile) {
  const std::u16string channel = zefkr::commonVendrakoIniPath();
  if (channel.empty()) return zefkr::kCommandNoCommonFolder;
  if (command == nullptr) return zefkr::kCommandBad;

  // The updater has one code for every failure, an installer that could
  // not be started included.
  if (servicechannel::runProcedureCommand(command) != servicechannel::ProcedureResult::Done) return zefkr::kCommandBad;
  // After a RUN the installer may have named a note for the user.
  if (servicechannel::procedureKind(command) == servicechannel::ProcedureKind::Run) {
    WCHAR note[kInfoFileLength] = {};
    GetPrivateProfileStringW(servicechannel::kSection, servicechannel::kInfoFileKey, u"", note, kInfoFileLength,
                             channel.c_str());
    infoFile.AssignSz(note);
  }
  return zefkr::kCommandDone;
}
