// The service's procedure-command entry; the executor itself is shared with
// the updater (servicechannel/ProcedureCommand.h).
#include "ProcedureCommand.h"

#include "servicechannel/ProcedureCommand.h"

int KRRunProcedureCommand(TVKRServ* /*service*/, const WCHAR* command) {
  if (command == nullptr) return kProcedureFailed;
  switch (servicechannel::runProcedureCommand(command)) {
    case servicechannel::ProcedureResult::Done: return kProcedureDone;
    case servicechannel::ProcedureResult::Failed: return kProcedureFailed;
    case servicechannel::ProcedureResult::NotStarted: return kProcedureNotStarted;
  }
  __builtin_unreachable();
}
