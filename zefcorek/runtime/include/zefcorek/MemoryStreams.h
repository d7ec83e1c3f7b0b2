// Streams over a movable global memory block (platform/GlobalMemory.h):
// IFIOHGlobalIStream reads typed values and strings from a block the caller
// supplies and never frees; IFIOHGlobalOStream writes into a block it owns,
// grown in steps of 8 KiB, until DetachHGlobal hands it to the caller (who
// reads the length of the data with GetPosition first).
//
// Stored forms: values as their little-endian bytes, without alignment or
// padding; a string as a u32 count of UTF-16 units and then the units, no
// terminator:
//   offset  size       field
//   0       4          count
//   4       2 x count  UTF-16LE text
//
// Results are the library codes: 0 ok, 1 end of data, 2 failed, 10 bad
// argument. Made by the factory for CLSID_IFIOHGlobalIStreamImp and
// CLSID_IFIOHGlobalOStreamImp; their QueryInterface answers
// ZR_NOTSUPPORTED.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Reading operations, without a base or reference counting of their own.
struct ZEF_EXPORT IFIOBasicIStream {
  // ZR_BADARG null buffer; ZR_FAILED no block; ZR_NO when the bytes are not all there (nothing
  // moves); else copies and advances.
  virtual ZRESULT Read(void* buffer, uint32_t count) = 0;
  virtual ZRESULT ReadU8(uint8_t* out) = 0;
  virtual ZRESULT ReadI32(int32_t* out) = 0;
  virtual ZRESULT ReadU32(uint32_t* out) = 0;
  virtual ZRESULT Read64(uint64_t* out) = 0;
  // The count into *count (when given). With a null buffer the stream steps
  // back over the count, so a second call reads the string; with a buffer
  // (count + 1 units) the text and a zero. A count beyond the data answers
  // ZR_NO and leaves the buffer untouched. ZR_BADARG when both are null.
  virtual ZRESULT ReadString(WCHAR* buffer, uint32_t* count) = 0;
  virtual ZRESULT GetPosition(uint32_t* out) = 0;
  // ZR_FAILED beyond the size (the size itself is allowed).
  virtual ZRESULT SetPosition(uint32_t position) = 0;
  // ZR_FAILED when the move leaves the block (nothing moves).
  virtual ZRESULT Skip(int32_t offset) = 0;

protected:
  ~IFIOBasicIStream() = default;
};

// Writing operations, without a base or reference counting of their own.
struct ZEF_EXPORT IFIOBasicOStream {
  // ZR_BADARG null buffer; ZR_FAILED when the block cannot grow (what was written stays).
  virtual ZRESULT Write(const void* buffer, uint32_t count) = 0;
  // The value's low byte.
  virtual ZRESULT WriteU8(uint32_t value) = 0;
  virtual ZRESULT WriteI32(int32_t value) = 0;
  virtual ZRESULT WriteU32(uint32_t value) = 0;
  virtual ZRESULT Write64(uint64_t value) = 0;
  // The count and the units of a zero-terminated text; ZR_BADARG for null.
  virtual ZRESULT WriteString(const WCHAR* text) = 0;
  virtual ZRESULT GetPosition(uint32_t* out) = 0;
  // Grows the block as needed; the bytes skipped over are whatever the block
  // holds.
  virtual ZRESULT SetPosition(uint32_t position) = 0;
  virtual ZRESULT Skip(int32_t offset) = 0;

protected:
  ~IFIOBasicOStream() = default;
};

struct ZEF_EXPORT IFIOHGlobalIStream : virtual IStdInterface, IFIOBasicIStream {
  virtual HGLOBAL GetHGlobal() = 0;
  // Unlocks (never frees) a block attached before, then locks the new one
  // (null: none). ZR_FAILED when it cannot be locked.
  virtual ZRESULT AttachHGlobal(HGLOBAL block) = 0;
  // Unlocks the block and forgets it; it was always the caller's.
  virtual HGLOBAL DetachHGlobal() = 0;
};

struct ZEF_EXPORT IFIOHGlobalOStream : virtual IStdInterface, IFIOBasicOStream {
  // A new block of `size` bytes, attached. ZR_FAILED when it cannot be made.
  virtual ZRESULT Allocate(uint32_t size) = 0;
  virtual HGLOBAL GetHGlobal() = 0;
  // Frees a block attached before, then takes the new one (null: none) over.
  virtual ZRESULT AttachHGlobal(HGLOBAL block) = 0;
  // Unlocks the block and hands it to the caller, who frees it.
  virtual HGLOBAL DetachHGlobal() = 0;
};
