// Emptying this thread's platform message queue in a test.
#pragma once

#include "platform/WindowMessages.h"

namespace testsupport {

// Takes and dispatches every message that is there now; answers how many.
inline int drainMessages() {
  int count = 0;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageW(&message);
    ++count;
  }
  return count;
}

}  // namespace testsupport
