// The allocation helper's test seam: a per-thread countdown to the
// allocation that is to fail.
#include "Allocation.h"

#include "zefcorek/AllocationFaults.h"

namespace {

// Allocations still to pass before one is refused; 0 while disarmed.
thread_local unsigned tlsCountdown = 0;
// Once the countdown has run out: refuse every later allocation too.
thread_local bool tlsPersistent = false;
thread_local bool tlsTripped = false;
thread_local unsigned tlsRefused = 0;

}  // namespace

bool zefcorek::allocationAllowed() {
  if (tlsTripped) {
    ++tlsRefused;
    return false;
  }
  if (tlsCountdown == 0) return true;
  if (--tlsCountdown != 0) return true;
  tlsTripped = tlsPersistent;
  ++tlsRefused;
  return false;
}

void zefcorek::failRuntimeAllocation(unsigned nth, bool persistent) {
  tlsCountdown = nth;
  tlsPersistent = persistent;
  tlsTripped = false;
  tlsRefused = 0;
}

unsigned zefcorek::refusedRuntimeAllocations() { return tlsRefused; }
