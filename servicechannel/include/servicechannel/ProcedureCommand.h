// The one executor of the procedure commands the updater hands over:
//
//   RUN=file|parameters          start the file and wait until it ends
//   INI=source|target|section    replace the section of the target ini with
//                                the entries of the same section of the source
//
// The name before the first "=" is compared exactly, case and all; blanks
// around it are dropped. The service runs it for the updater; the updater
// runs it itself on systems without the service.
#pragma once

#include "servicechannel/ChannelProtocol.h"

#include <string_view>

namespace servicechannel {

enum class ProcedureKind { Run, Ini, Other };

// Which command `command` names, by the same reading the executor uses;
// Other for anything malformed or unknown.
[[nodiscard]] ProcedureKind procedureKind(std::u16string_view command);

// Runs one command synchronously: a RUN command returns only after the
// started process has ended, whatever its exit code. An INI command whose
// source cannot be read fails before the target is touched; a write to the
// target that fails fails the command. The target changes in one step: it
// is the old file or the new one, also to a process killed meanwhile.
[[nodiscard]] ProcedureResult runProcedureCommand(std::u16string_view command);

}  // namespace servicechannel
