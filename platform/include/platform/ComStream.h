// COM streams: the stream interface through which images are read from
// memory, and a stream over a movable global memory block.
//
// The operations are declared in the order of the interface's table
// (the COM base, then ISequentialStream's Read and Write, then the stream's
// own); the stream here keeps its position and size in 64 bits.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;
inline constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
inline constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);

struct ZEF_EXPORT IStream {
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // Reads up to `count` bytes at the position; fewer at the end. S_OK.
  virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
  // Writes at the position, growing the stream; STG_E_MEDIUMFULL when it
  // cannot grow.
  virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
  // Moves the position; STG_E_INVALIDFUNCTION before the start.
  virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) = 0;
  virtual HRESULT SetSize(ULONGLONG size) = 0;

protected:
  ~IStream() = default;
};

// A stream over the movable block (a new empty one when `block` is null);
// with deleteOnRelease the last Release frees the block. E_INVALIDARG for
// a null out or a handle that is not a block; E_OUTOFMEMORY.
ZEF_EXTERN_C HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** out);
