// Waits, events and critical sections.
//
// Events and threads are kernel objects of the handle table; a wait on any
// of them (and on a process handle, see Processes.h) goes through
// WaitForSingleObject. Time-outs are measured on the platform clock's
// monotonic time. A wait blocks the thread for real, re-reading the clock
// at least every 50 ms, so a virtual clock only ends a timed wait when
// someone advances it: tests of threaded code run on the system clock with
// short time-outs.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct SECURITY_ATTRIBUTES;

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
// The exit code of a process or thread that has not ended.
inline constexpr DWORD STILL_ACTIVE = 259;

// Waits until the object is signalled or `milliseconds` pass (INFINITE: no
// limit; 0: only tests). A process or thread is signalled once it has
// ended, an event while it is set; a satisfied wait on an auto-reset event
// resets it. WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED (last error
// ERROR_INVALID_HANDLE) for a handle that cannot be waited on.
ZEF_EXTERN_C DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

// Waits for any one (waitAll FALSE: WAIT_OBJECT_0 + the lowest signalled
// index) or all (WAIT_OBJECT_0, every object taken at once) of 1 to
// MAXIMUM_WAIT_OBJECTS events and threads. WAIT_FAILED with
// ERROR_INVALID_PARAMETER for a bad count, ERROR_INVALID_HANDLE for a handle
// that is not an event or a thread.
ZEF_EXTERN_C DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds);

// A new event, set or not. A manual-reset event stays set until ResetEvent;
// an auto-reset one releases exactly one wait per SetEvent. The name is
// ignored: events are not shared between processes.
ZEF_EXTERN_C HANDLE CreateEventW(SECURITY_ATTRIBUTES* security, BOOL manualReset, BOOL initialState, LPCWSTR name);
// FALSE (ERROR_INVALID_HANDLE) for a handle that is not an event.
ZEF_EXTERN_C BOOL SetEvent(HANDLE event);
ZEF_EXTERN_C BOOL ResetEvent(HANDLE event);

namespace platform {
class RecursiveLock;
}

// A lock that the owning thread may enter again; it is free once left as
// often as entered. The record only holds our lock, made by
// InitializeCriticalSection and freed by DeleteCriticalSection.
struct CRITICAL_SECTION {
  platform::RecursiveLock* lock;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

ZEF_EXTERN_C void InitializeCriticalSection(CRITICAL_SECTION* section);
ZEF_EXTERN_C void DeleteCriticalSection(CRITICAL_SECTION* section);
ZEF_EXTERN_C void EnterCriticalSection(CRITICAL_SECTION* section);
// TRUE when the section was free or is already the caller's (one level
// deeper); FALSE at once while another thread owns it.
ZEF_EXTERN_C BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
// Leaving a section that the caller does not own does nothing.
ZEF_EXTERN_C void LeaveCriticalSection(CRITICAL_SECTION* section);
