// The core library's exported entry points beside its classes: the object
// factories, the sleep its polling loops use, and the I/O-trace switches of
// the device connections.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Makes a new object of the class `classId` names (see ClassIds.h) and stores
// its interface in *out with one reference, owned by the caller.
// `arg` goes to the constructor of the classes that take one.
// S_OK; E_INVALIDARG for a null out or a null classId; E_NOINTERFACE with
// *out null for an unknown identifier, a class not available in this build,
// or when the object cannot be made. Shows no message.
ZEF_EXTERN_C HRESULT zefCoreKAllocIntf(const GUID* classId, void** out, intptr_t arg);

// Makes the message loader (CLSID_MsgLibMessageLoader) and nothing else;
// answers as zefCoreKAllocIntf.
ZEF_EXTERN_C HRESULT msglibAllocIntf(const GUID* classId, void** out);

// Suspends the calling thread on the platform clock (a virtual clock in
// tests advances instead).
ZEF_EXTERN_C void zefCoreKSleep(unsigned milliseconds);

// I/O-trace switches, one pair per kind of device connection. Enable: a null
// path closes the trace file and switches tracing off; otherwise any open
// trace file is closed, the file is deleted first when `deleteFirst` is set,
// and opened for reading and writing (shared for reading), created when
// missing. A path of 260 characters or more leaves tracing off.
// IsIOLoggingEnabled: true while the trace file is open.
ZEF_EXTERN_C void zefCoreKISerialPortEnableIOLogging(const WCHAR* path, bool deleteFirst);
ZEF_EXTERN_C bool zefCoreKISerialPortIsIOLoggingEnabled();
ZEF_EXTERN_C void zefCoreKIBluetoothConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst);
ZEF_EXTERN_C bool zefCoreKIBluetoothConnectionIsIOLoggingEnabled();
ZEF_EXTERN_C void zefCoreKITCPConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst);
ZEF_EXTERN_C bool zefCoreKITCPConnectionIsIOLoggingEnabled();
ZEF_EXTERN_C void zefCoreKIUDPConnectionEnableIOLogging(const WCHAR* path, bool deleteFirst);
ZEF_EXTERN_C bool zefCoreKIUDPConnectionIsIOLoggingEnabled();
