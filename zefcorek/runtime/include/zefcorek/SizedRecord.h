// Sized records: records passed across an interface whose first field is
// their own size in bytes as an unsigned 32-bit integer (cbSize). The caller
// sets cbSize to the size of the record version it was built with; the
// callee reads only as many bytes as both sides know. Records holding
// pointers are larger here than on 32-bit systems; their cbSize is the
// sizeof of our definition.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// The largest cbSize a record may carry. No record of the system comes near
// it; a larger value means cbSize was never set.
inline constexpr uint32_t kMaxSizedRecordBytes = 64 * 1024;

// Zeroes the cbSize - 4 bytes after the size field; the caller fills cbSize
// first. A null record or a cbSize below 4 or above kMaxSizedRecordBytes is
// reported with the message box "DSStructInit(): exception detected. cbSize
// not correctly initialized?" and nothing is written.
ZEF_EXTERN_C void DSStructInit(void* record);

// Copies min(destination cbSize, source cbSize) - 4 bytes from after the
// source's size field to after the destination's; the destination keeps its
// own cbSize and any tail beyond the shorter size. Does nothing when either
// record is null or either size is below 4.
ZEF_EXTERN_C void DSStructCopy(void* destination, const void* source);
