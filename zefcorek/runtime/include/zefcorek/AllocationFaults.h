// Test support: making the core library's allocations fail on purpose.
//
// The runtime takes every block of its containers (list nodes, pointer-array
// blocks, heap and hash-table nodes, bucket arrays, clones) and every object
// the factory makes through one internal allocation helper. A test arms that
// helper to refuse the n-th allocation from now, once or for good, and then
// checks that the operation reports 30 (or a null object) and leaves its
// container as it was. Production code never arms it.
//
// The counter belongs to the calling thread: only allocations made on the
// thread that armed it are refused, so a test cannot disturb other threads.
#pragma once

#include "platform/Export.h"

namespace zefcorek {

// Refuses the n-th allocation of the runtime from now on this thread (1 is
// the very next); with `persistent`, that one and every later one. 0 disarms.
ZEF_EXPORT void failRuntimeAllocation(unsigned nth, bool persistent);
// How many allocations the helper has refused on this thread since it was
// last armed.
ZEF_EXPORT unsigned refusedRuntimeAllocations();

// Arms the helper for a scope and disarms it when the scope ends.
class ScopedAllocationFailure {
public:
  explicit ScopedAllocationFailure(unsigned nth, bool persistent = false) { failRuntimeAllocation(nth, persistent); }
  ~ScopedAllocationFailure() { failRuntimeAllocation(0, false); }
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;
};

}  // namespace zefcorek
