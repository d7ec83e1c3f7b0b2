// The platform's memory stream: the stream through which the GDI+ bitmap
// reads an encoded picture, over a movable global memory block.
//
// It lives in the platform's namespace: the core library declares the
// interface model's IStream (on its IUnknown) for its own components, and
// the two must not share a name. The operations are declared in the order
// of a COM stream's table (the COM base, then Read and Write, then the
// stream's own); the stream keeps its position and size in 64 bits.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace platform {

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

}  // namespace platform

// A stream over the movable block (a new empty one when `block` is null);
// with deleteOnRelease the last Release frees the block. E_INVALIDARG for
// a null out or a handle that is not a block; E_OUTOFMEMORY.
ZEF_EXTERN_C HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, platform::IStream** out);
