// The host's application object, as the library's message-pump hooks use it.
//
// A host with its own event loop (the wizard's Qt application) registers an
// object of its own through the hooks; without one, the platform's default
// application object serves the calling thread: it pumps that thread's
// message queue, is terminated once a quit was posted on that thread, and
// runs the calls queued for the main thread.
#pragma once

#include "platform/Export.h"

#include <functional>

namespace platform {

class ZEF_EXPORT HostApplication {
public:
  virtual ~HostApplication();
  // Handles what is pending once, without waiting.
  virtual void ProcessMessages() = 0;
  virtual bool Terminated() = 0;
  // Runs the calls other threads queued for the main thread.
  virtual void CheckSynchronize() = 0;
};

// The platform's own application object.
ZEF_EXPORT HostApplication& defaultHostApplication();

// Queues `call` for the main thread's next CheckSynchronize (any thread).
ZEF_EXPORT void queueMainThreadCall(std::function<void()> call);
// Runs the queued calls in their order; answers how many ran.
ZEF_EXPORT int runMainThreadCalls();

// True once PostQuitMessage was called on the calling thread.
ZEF_EXPORT bool quitPostedOnThisThread();

}  // namespace platform
