// Threads as kernel objects.
//
// CreateThread runs a start routine on a new thread and hands out a handle
// that WaitForSingleObject waits on (signalled once the routine returned)
// and that GetExitCodeThread reads. Closing the handle lets the thread run
// on; whatever is left of it is freed when both are done.
//
// Threads are never ended from outside: there is no TerminateThread. A
// thread that must stop on request polls a stop flag within a bounded wait;
// the caller sets the flag, wakes the thread and waits for it.
#pragma once

#include "platform/Export.h"
#include "platform/Synchronization.h"
#include "platform/WinTypes.h"

struct SECURITY_ATTRIBUTES;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

inline constexpr DWORD CREATE_SUSPENDED = 0x00000004;

inline constexpr int THREAD_PRIORITY_IDLE = -15;
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
inline constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Starts `start(parameter)` on a new thread, or (CREATE_SUSPENDED) holds it
// until ResumeThread; nothing of the routine runs before. The stack size is
// the system's default whatever `stackSize` asks. `threadId` (may be null)
// receives the id that GetCurrentThreadId answers on the new thread. Null
// with the last error when no thread can be made.
ZEF_EXTERN_C HANDLE CreateThread(SECURITY_ATTRIBUTES* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                 LPVOID parameter, DWORD flags, DWORD* threadId);

// Lowers the suspend count; the thread starts when it reaches 0. Answers the
// count before the call, or (DWORD)-1 (last error set) for a handle that is
// not a thread. Closing the handle of a thread that was never resumed lets
// it end without running its routine.
ZEF_EXTERN_C DWORD ResumeThread(HANDLE thread);

// Recorded only: our threads share one scheduling class, and nothing reads
// the priority back except GetThreadPriority.
ZEF_EXTERN_C BOOL SetThreadPriority(HANDLE thread, int priority);
ZEF_EXTERN_C int GetThreadPriority(HANDLE thread);

// The calling thread's kernel thread id (never 0), the numbering that the
// window functions use too.
ZEF_EXTERN_C DWORD GetCurrentThreadId();

// STILL_ACTIVE while the thread has not ended (also while suspended), else
// the start routine's result. FALSE for a handle that is not a thread.
ZEF_EXTERN_C BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
