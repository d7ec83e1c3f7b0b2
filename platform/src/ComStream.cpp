// The stream over a movable global memory block.
#include "platform/ComStream.h"

#include "platform/GlobalMemory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

using platform::IStream;
using platform::STG_E_INVALIDFUNCTION;
using platform::STG_E_MEDIUMFULL;
using platform::STREAM_SEEK_CUR;
using platform::STREAM_SEEK_END;
using platform::STREAM_SEEK_SET;

class GlobalStream final : public IStream {
public:
  GlobalStream(HGLOBAL block, bool deleteOnRelease) : block_(block), deleteOnRelease_(deleteOnRelease) {}

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG count = --references_;
    if (count == 0) {
      if (deleteOnRelease_) GlobalFree(block_);
      delete this;
    }
    return count;
  }
  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    const uint64_t size = GlobalSize(block_);
    const uint64_t available = position_ < size ? size - position_ : 0;
    const auto taken = static_cast<ULONG>(std::min<uint64_t>(count, available));
    if (taken > 0) {
      const auto* bytes = static_cast<const BYTE*>(GlobalLock(block_));
      std::memcpy(buffer, bytes + position_, taken);
      GlobalUnlock(block_);
    }
    position_ += taken;
    if (read) *read = taken;
    return S_OK;
  }
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    if (written) *written = 0;
    const uint64_t end = position_ + count;
    if (end > GlobalSize(block_) && !GlobalReAlloc(block_, static_cast<SIZE_T>(end), GMEM_MOVEABLE))
      return STG_E_MEDIUMFULL;
    auto* bytes = static_cast<BYTE*>(GlobalLock(block_));
    std::memcpy(bytes + position_, buffer, count);
    GlobalUnlock(block_);
    position_ = end;
    if (written) *written = count;
    return S_OK;
  }
  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override {
    int64_t base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: break;
      case STREAM_SEEK_CUR: base = static_cast<int64_t>(position_); break;
      case STREAM_SEEK_END: base = static_cast<int64_t>(GlobalSize(block_)); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    if (base + move < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(base + move);
    if (position) *position = position_;
    return S_OK;
  }
  HRESULT SetSize(ULONGLONG size) override {
    return GlobalReAlloc(block_, static_cast<SIZE_T>(size), GMEM_MOVEABLE) ? S_OK : STG_E_MEDIUMFULL;
  }

private:
  ~GlobalStream() = default;

  HGLOBAL block_;
  bool deleteOnRelease_;
  std::atomic<ULONG> references_{1};
  uint64_t position_ = 0;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, platform::IStream** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!block) {
    block = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!block) return E_OUTOFMEMORY;
  } else {
    platform::GlobalBlockState state;
    if (!platform::inspectGlobalBlock(block, state)) return E_INVALIDARG;
  }
  auto* stream = new (std::nothrow) GlobalStream(block, deleteOnRelease != FALSE);
  if (!stream) return E_OUTOFMEMORY;
  *out = stream;
  return S_OK;
}
