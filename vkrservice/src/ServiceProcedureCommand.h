// The procedure commands the updater hands to the service (RUN and INI; see
// servicechannel/ProcedureCommand.h for what they do).
#pragma once

#include "platform/WinTypes.h"

class TVKRServ;

// Results of KRRunProcedureCommand.
inline constexpr int kProcedureDone = 0;
inline constexpr int kProcedureFailed = 1;      // malformed, unknown, or the ini copy failed
inline constexpr int kProcedureNotStarted = 2;  // the installer could not be started

// Runs one command synchronously: a RUN command returns only after the
// started process has ended. The service object is not used.
int KRRunProcedureCommand(TVKRServ* service, const WCHAR* command);
