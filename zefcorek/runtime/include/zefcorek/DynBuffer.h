// TDynBuffer: a growable byte buffer for byte streams (the device connections
// keep their pending bytes in one), also usable as a bit set.
//
// Storage is allocated lazily: a size can be set without storage, and the
// first access that needs the bytes allocates them zero-filled. Shrinking by
// at most 8192 bytes keeps the storage; larger shrinks give it back. The
// storage comes from the C library's heap, so a caller that takes it over with
// ReleasePtr frees it with free().
//
// Sizes and counts are unsigned 32-bit. Operations that can fail answer
// false and leave the buffer unchanged, except where a comment says so.
#pragma once

#include "platform/Export.h"

#include <cstdint>

class ZEF_EXPORT TDynBuffer {
public:
  TDynBuffer() = default;
  // A buffer of `size` bytes with no storage yet.
  explicit TDynBuffer(unsigned size);
  ~TDynBuffer();
  // A copy would free the same storage twice.
  TDynBuffer(const TDynBuffer&) = delete;
  TDynBuffer& operator=(const TDynBuffer&) = delete;

  // Replaces any storage with `size` zeroed bytes. On failure the buffer is
  // empty (size 0, no storage) and the result is false.
  bool Alloc();
  // Sets the size without keeping the contents; allocates at once (zeroed)
  // only when `allocate` is set. False only when allocation was asked for
  // and no storage exists afterwards (as for size 0 without storage).
  bool SetSize(unsigned newSize, bool allocate);
  unsigned GetSize() const { return size_; }
  // Bytes of storage, after allocating it when there is none yet.
  unsigned GetActualSize();
  // Resizes keeping the first min(old, new) bytes; new bytes read as zero.
  // When reallocating fails, or leaves no storage (size 0 after a large
  // shrink, or after a size without storage), the buffer is left empty and
  // the result is false.
  bool SetSizeKeepData(unsigned newSize);
  // The bytes, allocated first when the buffer has a size but no storage yet;
  // null for a buffer of size 0 without storage.
  uint8_t* GetPtr();
  // Hands the storage to the caller (who frees it with free()), stores its
  // allocated size in *actualSizeOut when that is not null, and leaves the
  // buffer empty. Null when there was no storage.
  uint8_t* ReleasePtr(unsigned* actualSizeOut);
  // Frees the storage; the size stays. True when there was storage.
  bool KillPtr();

  // Insert `count` bytes from `source` in front of or after the contents.
  // False for a null source with a non-zero count, a size that would pass
  // 4 GiB, or when memory runs out.
  bool PrependData(unsigned count, const void* source);
  bool AppendData(unsigned count, const void* source);
  // Copy the first or last `count` bytes to `destination` (zeros when the
  // buffer has no storage yet) and remove them. False, with nothing done, for
  // a null destination or a count above the size.
  bool HeadExtract(unsigned count, void* destination);
  bool TailExtract(unsigned count, void* destination);
  // Remove the first or last `count` bytes. False, with nothing done, for a
  // count above the size.
  bool HeadDelete(unsigned count);
  bool TailDelete(unsigned count);

  // The bit set has as many bits as the buffer has bytes: bit i is valid for
  // i < GetSize() and lives in bit (i % 8) of byte i / 8.
  unsigned GetBitSize() const { return size_; }
  // False for a bit past the end or when storage cannot be had.
  bool SetBit(unsigned index, bool value);
  // False for a bit past the end.
  bool IsBitSet(unsigned index) const;
  // Sets every allocated byte to 0xFF or 0. True for an empty buffer; false
  // when storage cannot be had.
  bool BitSetSetAll(bool value);

private:
  // Allocates when the buffer has a size but no storage; true when the bytes
  // of the current size are there to use.
  bool ensureStorage();

  unsigned actualSize_ = 0;  // bytes allocated; 0 exactly when data_ is null
  unsigned size_ = 0;        // logical size; above actualSize_ only while
                             // storage is not allocated yet
  uint8_t* data_ = nullptr;  // from malloc, owned
};
