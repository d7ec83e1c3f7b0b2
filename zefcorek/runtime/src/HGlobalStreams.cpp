// The memory streams over movable global blocks: reading from the caller's
// block, writing into the stream's own growing block.
#include "zefcorek/MemoryStreams.h"

#include "zefcorek/ClassMakers.h"

#include "platform/GlobalMemory.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr uint32_t kGrowthStep = 8192;

// The smallest multiple of the growth step at or above n (n > 0), or 0 when
// it passes the 32-bit range.
uint64_t roundUpToStep(uint64_t n) { return (n + kGrowthStep - 1) / kGrowthStep * kGrowthStep; }

class IFIOHGlobalIStreamImp final : public IStdInterfaceImp, public virtual IFIOHGlobalIStream {
public:
  ~IFIOHGlobalIStreamImp() override { (void)AttachHGlobal(nullptr); }

  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  HGLOBAL GetHGlobal() override { return block_; }

  ZRESULT AttachHGlobal(HGLOBAL block) override {
    (void)DetachHGlobal();
    if (block == nullptr) return ZR_OK;
    const SIZE_T size = GlobalSize(block);
    auto* data = static_cast<const unsigned char*>(GlobalLock(block));
    if (data == nullptr) return ZR_FAILED;
    block_ = block;
    // A block past 4 GiB is read as its first 4 GiB - 1 bytes.
    size_ = static_cast<uint32_t>(std::min<SIZE_T>(size, std::numeric_limits<uint32_t>::max()));
    data_ = data;
    return ZR_OK;
  }

  HGLOBAL DetachHGlobal() override {
    HGLOBAL block = block_;
    if (block != nullptr) GlobalUnlock(block);
    block_ = nullptr;
    size_ = 0;
    data_ = nullptr;
    position_ = 0;
    return block;
  }

  ZRESULT Read(void* buffer, uint32_t count) override {
    if (buffer == nullptr) return ZR_BADARG;
    if (block_ == nullptr) return ZR_FAILED;
    if (!Holds(count)) return ZR_NO;
    std::memcpy(buffer, data_ + position_, count);
    position_ += count;
    return ZR_OK;
  }
  ZRESULT ReadU8(uint8_t* out) override { return Read(out, 1); }
  ZRESULT ReadI32(int32_t* out) override { return Read(out, 4); }
  ZRESULT ReadU32(uint32_t* out) override { return Read(out, 4); }
  ZRESULT Read64(uint64_t* out) override { return Read(out, 8); }

  ZRESULT ReadString(WCHAR* buffer, uint32_t* count) override {
    if (buffer == nullptr && count == nullptr) return ZR_BADARG;
    uint32_t units = 0;
    const ZRESULT result = ReadU32(&units);
    if (result != ZR_OK) return result;
    if (count != nullptr) *count = units;
    if (buffer == nullptr) {
      position_ -= 4;
      return ZR_OK;
    }
    // The whole text must be in the block before the caller's buffer is
    // touched: a count read from data is not trusted.
    const uint64_t bytes = uint64_t{units} * 2;
    if (bytes > std::numeric_limits<uint32_t>::max() || !Holds(static_cast<uint32_t>(bytes))) return ZR_NO;
    std::memset(buffer, 0, (uint64_t{units} + 1) * sizeof(WCHAR));
    return Read(buffer, static_cast<uint32_t>(bytes));
  }

  ZRESULT GetPosition(uint32_t* out) override {
    if (out == nullptr) return ZR_BADARG;
    *out = position_;
    return ZR_OK;
  }

  ZRESULT SetPosition(uint32_t position) override {
    if (position > size_) return ZR_FAILED;
    position_ = position;
    return ZR_OK;
  }

  ZRESULT Skip(int32_t offset) override {
    if (offset == 0) return ZR_OK;
    const int64_t target = int64_t{position_} + offset;
    if (target < 0 || target > size_) return ZR_FAILED;
    position_ = static_cast<uint32_t>(target);
    return ZR_OK;
  }

private:
  // Whether `count` bytes lie between the position and the end; a read at or
  // past the end never does.
  bool Holds(uint32_t count) const { return position_ < size_ && uint64_t{position_} + count <= size_; }

  HGLOBAL block_ = nullptr;              // the caller's; locked while attached
  uint32_t size_ = 0;                    // GlobalSize at attach
  const unsigned char* data_ = nullptr;  // the locked address
  uint32_t position_ = 0;                // next byte to read
};

class IFIOHGlobalOStreamImp final : public IStdInterfaceImp, public virtual IFIOHGlobalOStream {
public:
  ~IFIOHGlobalOStreamImp() override { (void)AttachHGlobal(nullptr); }

  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  ZRESULT Allocate(uint32_t size) override {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) return ZR_FAILED;
    return AttachHGlobal(block);
  }

  HGLOBAL GetHGlobal() override { return block_; }

  ZRESULT AttachHGlobal(HGLOBAL block) override {
    if (HGLOBAL previous = DetachHGlobal(); previous != nullptr) GlobalFree(previous);
    if (block == nullptr) return ZR_OK;
    const SIZE_T size = GlobalSize(block);
    auto* data = static_cast<unsigned char*>(GlobalLock(block));
    if (data == nullptr || size > std::numeric_limits<uint32_t>::max()) {
      if (data != nullptr) GlobalUnlock(block);
      return ZR_FAILED;
    }
    block_ = block;
    capacity_ = static_cast<uint32_t>(size);
    data_ = data;
    return ZR_OK;
  }

  HGLOBAL DetachHGlobal() override {
    HGLOBAL block = block_;
    if (block != nullptr) GlobalUnlock(block);
    block_ = nullptr;
    capacity_ = 0;
    data_ = nullptr;
    position_ = 0;
    return block;
  }

  ZRESULT Write(const void* buffer, uint32_t count) override {
    if (buffer == nullptr) return ZR_BADARG;
    const bool fits = position_ < capacity_ && uint64_t{position_} + count <= capacity_;
    if (!fits) {
      const ZRESULT grown = Grow(roundUpToStep(std::max<uint64_t>(count, kGrowthStep)));
      if (grown != ZR_OK) return grown;
    }
    std::memcpy(data_ + position_, buffer, count);
    position_ += count;
    return ZR_OK;
  }
  ZRESULT WriteU8(uint32_t value) override {
    const uint8_t byte = static_cast<uint8_t>(value);
    return Write(&byte, 1);
  }
  ZRESULT WriteI32(int32_t value) override { return Write(&value, 4); }
  ZRESULT WriteU32(uint32_t value) override { return Write(&value, 4); }
  ZRESULT Write64(uint64_t value) override { return Write(&value, 8); }

  ZRESULT WriteString(const WCHAR* text) override {
    if (text == nullptr) return ZR_BADARG;
    const size_t units = platform::utf16Length(text);
    if (units > std::numeric_limits<uint32_t>::max() / 2) return ZR_FAILED;
    const ZRESULT result = WriteU32(static_cast<uint32_t>(units));
    if (result != ZR_OK || units == 0) return result;
    return Write(text, static_cast<uint32_t>(units * 2));
  }

  ZRESULT GetPosition(uint32_t* out) override {
    if (out == nullptr) return ZR_BADARG;
    *out = position_;
    return ZR_OK;
  }

  ZRESULT SetPosition(uint32_t position) override {
    if (uint64_t{position} + 1 >= capacity_) {
      const ZRESULT grown = Grow(roundUpToStep(uint64_t{position} + 1 - capacity_) + kGrowthStep);
      if (grown != ZR_OK) return grown;
    }
    position_ = position;
    return ZR_OK;
  }

  ZRESULT Skip(int32_t offset) override {
    if (offset == 0) return ZR_OK;
    const int64_t target = int64_t{position_} + offset;
    if (target < 0 || target > std::numeric_limits<uint32_t>::max()) return ZR_FAILED;
    return SetPosition(static_cast<uint32_t>(target));
  }

private:
  // Grows the block by `bytes`. The block is unlocked so it may move, and
  // locked again whatever happened: after a failure the stream keeps its
  // data, capacity and position at the block's current address.
  ZRESULT Grow(uint64_t bytes) {
    if (block_ == nullptr) return ZR_FAILED;
    const uint64_t wanted = uint64_t{capacity_} + bytes;
    if (wanted > std::numeric_limits<uint32_t>::max()) return ZR_FAILED;
    GlobalUnlock(block_);
    const bool grown = GlobalReAlloc(block_, static_cast<SIZE_T>(wanted), GMEM_MOVEABLE) != nullptr;
    data_ = static_cast<unsigned char*>(GlobalLock(block_));
    if (data_ == nullptr) {
      // The block vanished under us: nothing is attached any more.
      block_ = nullptr;
      capacity_ = 0;
      position_ = 0;
      return ZR_FAILED;
    }
    if (!grown) return ZR_FAILED;
    capacity_ = static_cast<uint32_t>(GlobalSize(block_));
    return ZR_OK;
  }

  HGLOBAL block_ = nullptr;        // owned; locked while attached
  uint32_t capacity_ = 0;          // GlobalSize of the block
  unsigned char* data_ = nullptr;  // the locked address
  uint32_t position_ = 0;          // next byte to write
};

}  // namespace

void* zefcorek::makeIFIOHGlobalIStreamImp(intptr_t) {
  return static_cast<IFIOHGlobalIStream*>(new (std::nothrow) IFIOHGlobalIStreamImp());
}

void* zefcorek::makeIFIOHGlobalOStreamImp(intptr_t) {
  return static_cast<IFIOHGlobalOStream*>(new (std::nothrow) IFIOHGlobalOStreamImp());
}
