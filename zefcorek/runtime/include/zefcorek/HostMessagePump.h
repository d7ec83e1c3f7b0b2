// Hooks that let the library's long waits, and client programs, have the
// host process its messages once.
//
// The hooks remember the host's application object (see
// platform/HostApplication.h), count the pumps they started and keep their
// callers' identifiers, so that a pump started from inside another pump is
// reported to the debug log instead of nested. Meant for the host's main
// thread.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace platform {
class HostApplication;
}

// Remembers the host's application object (null: none, the platform's default
// object is taken when a hook needs one) and resets the pump count; S_OK.
ZEF_EXTERN_C HRESULT zefCoreKSetVCLApp(platform::HostApplication* application);
// The application object's terminated flag; false when there is none.
ZEF_EXTERN_C bool zefCoreKSetVCLApp_Terminated();
// *out: true while a pump started by zefCoreKVCLApp_CallProcessMessages
// runs. E_INVALIDARG for a null out; E_FAIL without an application object.
ZEF_EXTERN_C HRESULT zefCoreKVCLApp_AlreadyInProcessMessages(bool* out);
// Has the application object process its messages once: S_OK. When a pump is
// already running it does not pump: it writes a "Racing condition detected"
// line naming the outer and this caller to the debug log, runs the queued
// synchronised calls and answers S_FALSE. E_FAIL without an application.
ZEF_EXTERN_C HRESULT zefCoreKVCLApp_CallProcessMessages(const WCHAR* callerId);
