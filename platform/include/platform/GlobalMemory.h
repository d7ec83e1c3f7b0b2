// Movable global memory blocks, as the memory streams use them.
//
// A block is reached through its handle, a small record of the block's
// address, its size (exactly the size asked for) and its lock count. While
// a block is locked its address is stable; GlobalReAlloc may move it only
// while it is unlocked (a locked block can shrink in place but not grow).
// Handles are checked against the live blocks, so a freed or made-up handle
// is refused with ERROR_INVALID_HANDLE instead of being dereferenced.
// Failures return null, 0 or FALSE with the last error set.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;

// A new block of `bytes` (zero-filled with GMEM_ZEROINIT); null on failure.
ZEF_EXPORT HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Resizes, keeping the contents up to the smaller size; the handle stays the
// same. Null (the block unchanged) when memory runs out, or when a locked
// block would have to move.
ZEF_EXPORT HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
// The size asked for; 0 for an invalid handle.
ZEF_EXPORT SIZE_T GlobalSize(HGLOBAL block);
// The address, counting one lock; null for an invalid handle.
ZEF_EXPORT LPVOID GlobalLock(HGLOBAL block);
// Counts one lock off: TRUE while locks remain, FALSE when the block is now
// unlocked (last error ERROR_SUCCESS) or was not locked (ERROR_NOT_LOCKED).
ZEF_EXPORT BOOL GlobalUnlock(HGLOBAL block);
// Frees the block: null on success, the handle when it is not a block.
ZEF_EXPORT HGLOBAL GlobalFree(HGLOBAL block);

inline constexpr DWORD ERROR_NOT_LOCKED = 158;

namespace platform {

// What a block's record says, for tests.
struct GlobalBlockState {
  SIZE_T size = 0;
  unsigned locks = 0;
};
// False when `block` is not a live block.
ZEF_EXPORT bool inspectGlobalBlock(HGLOBAL block, GlobalBlockState& state);
// Makes the next `count` allocations (GlobalAlloc and growing GlobalReAlloc)
// fail with ERROR_NOT_ENOUGH_MEMORY, for tests of the callers' failure paths.
ZEF_EXPORT void failNextGlobalAllocations(unsigned count);

}  // namespace platform
