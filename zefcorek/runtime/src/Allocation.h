// The runtime's one allocation helper.
//
// Container blocks and factory-made objects are allocated through these
// functions rather than straight from the C library or `new`, so that the
// test seam of AllocationFaults.h can make any one of them fail. Each helper
// asks the seam first and answers null, as the allocator would when memory
// runs out, when the seam refuses; the caller's out-of-memory path then runs
// exactly as it would for real. Memory from runtimeMalloc, runtimeCalloc and
// runtimeRealloc is freed with std::free; objects from runtimeNew with delete, arrays from
// runtimeNewArray with delete[].
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace zefcorek {

// False when the test seam refuses this allocation; counts it either way.
bool allocationAllowed();

inline void* runtimeMalloc(size_t size) { return allocationAllowed() ? std::malloc(size) : nullptr; }

inline void* runtimeCalloc(size_t n, size_t size) { return allocationAllowed() ? std::calloc(n, size) : nullptr; }

// Resizes a block from runtimeMalloc or runtimeRealloc; null, the block
// untouched, when refused or when memory runs out.
inline void* runtimeRealloc(void* block, size_t size) {
  return allocationAllowed() ? std::realloc(block, size) : nullptr;
}

template <class T, class... Args>
T* runtimeNew(Args&&... args) {
  if (!allocationAllowed()) return nullptr;
  return new (std::nothrow) T(std::forward<Args>(args)...);
}

// n value-initialised elements.
template <class T>
T* runtimeNewArray(size_t n) {
  if (!allocationAllowed()) return nullptr;
  return new (std::nothrow) T[n]();
}

}  // namespace zefcorek
