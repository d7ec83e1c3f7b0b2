// The application object behind the core library's message-pump hooks.
//
// Long waits of the library (device connections waiting for an answer) keep
// the host responsive by asking its application object to process pending
// messages once. A host with its own event loop (the Qt wizard) registers an
// object of its own with the library; without one, the platform's default
// object stands in and pumps the calling thread's message queue.
//
// Synchronised calls: worker threads may queue a function for the main
// thread; it runs when the main thread calls CheckSynchronize (the default
// object's, or a host's that forwards to runSynchronizedCalls).
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <functional>

namespace platform {

class ZEF_EXPORT HostApplication {
public:
  virtual ~HostApplication();

  // Processes what is pending now, once; never waits for more.
  virtual void ProcessMessages() = 0;
  // True once the host was told to end.
  virtual bool Terminated() = 0;
  // Runs the calls queued for the main thread.
  virtual void CheckSynchronize() = 0;
};

// The platform's own application object, alive for the whole process:
// ProcessMessages takes and dispatches every message of the calling thread's
// queue (PeekMessageW + DispatchMessageW until it is empty); a WM_QUIT is
// taken and ends the drain. Terminated is true once PostQuitMessage was
// called on the calling thread. CheckSynchronize runs runSynchronizedCalls.
ZEF_EXPORT HostApplication* defaultHostApplication();

// Appends a call to the process-wide queue of calls for the main thread;
// safe from any thread. An empty function is ignored.
ZEF_EXPORT void queueSynchronizedCall(std::function<void()> call);
// Runs, in order, the calls that were queued when it started (calls queued
// meanwhile wait for the next time); answers how many ran.
ZEF_EXPORT size_t runSynchronizedCalls();

// True once PostQuitMessage was called on the calling thread.
ZEF_EXPORT bool quitWasPostedOnThisThread();

}  // namespace platform
