// Message-pump hooks: the library's long waits (and client programs) have
// the host application handle its events through these, and a pump started
// from inside another pump is reported to the debug log instead of nested.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace platform {
class HostApplication;
}

// Remembers the host's application object (null: the platform's default
// one) and resets the count of running pumps. S_OK.
ZEF_EXTERN_C HRESULT zefCoreKSetVCLApp(platform::HostApplication* application);
// The host application's terminated flag.
ZEF_EXTERN_C bool zefCoreKSetVCLApp_Terminated();
// *out = a pump started through the hooks is running. E_INVALIDARG for null.
ZEF_EXTERN_C HRESULT zefCoreKVCLApp_AlreadyInProcessMessages(bool* out);
// Has the host handle its events once: S_OK; S_FALSE when called from
// inside such a pump (one "Racing condition detected" line goes to the debug
// log with the outer and the inner caller, and only the main thread's
// queued calls run).
ZEF_EXTERN_C HRESULT zefCoreKVCLApp_CallProcessMessages(const WCHAR* callerId);
