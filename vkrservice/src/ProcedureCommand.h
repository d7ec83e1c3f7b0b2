// The procedure commands the updater hands to the service:
//
//   RUN=file|parameters          start the file and wait until it ends
//   INI=source|target|section    replace the section of the target ini with
//                                the entries of the same section of the source
//
// The name before the first "=" is compared exactly, case and all.
#pragma once

#include "platform/WinTypes.h"

class TVKRServ;

// Results of KRRunProcedureCommand.
inline constexpr int kProcedureDone = 0;
inline constexpr int kProcedureFailed = 1;  // malformed, unknown, or the ini copy failed
inline constexpr int kProcedureNotStarted = 2;  // the installer could not be started

// Runs one command synchronously: a RUN command returns only after the
// started process has ended. The service object is not used.
int KRRunProcedureCommand(TVKRServ* service, const WCHAR* command);
