// The updater's own executor of install commands, used where the service
// does not run them (older systems).
//
// A command is one line "name=value":
//   RUN=file|parameters            open the file with the parameters and
//                                  wait until the started process ends
//   INI=source|target|section      replace the section of the target ini
//                                  file with the same section of the source
#pragma once

#include "textrum/CLWideStr.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace zefkr {

enum : int32_t {
  kCommandDone = 0,
  kCommandNoCommonFolder = 3,
  kCommandBad = 8,  // malformed, unknown name, installer not started, source unreadable,
                    // target not written
};

}  // namespace zefkr

// Runs `command`; after a RUN command `infoFile` receives the "InfoFile"
// value of the service channel (the note an installer may leave for the
// user). Answers one of the codes above.
int32_t KRRunProcedureCommand(const WCHAR* command, CLWideStr& infoFile);
